#include "Makedef_3_6_31_0.h"

#include "Langdef.h"
#include "LangpackFormat.h"
#include "Zvcharset.h"
#include "platform/Exception.h"
#include "platform/FileSave.h"
#include "platform/LittleEndian.h"

#include <QFileInfo>

#include <cstddef>
#include <string_view>

const MakeDefsLanguage MakeDefsLanguages[MakeDefsLanguageCount] = {
    {u"Deutsch (1)", 1, 0x606910, 0x0407},
    {u"English (7)", 7, 0x6062D8, 0x0809},
    {u"Espa\u00F1ol (3)", 3, 0x607270, 0x0C0A},
    {u"Fran\u00E7ais (6)", 6, 0x6065F0, 0x040C},
    {u"Italiano (2)", 2, 0x607590, 0x0410},
    {u"Nederlands (4)", 4, 0x606F50, 0x0413},
    {u"Portuguese (0)", 0, 0x606C30, 0x0416},
    {u"\u0420\u0443\u0441\u0441\u043A\u0438\u0439 (8)", 8, 0x607BD0, 0x0419},
    {u"Svenska (5)", 5, 0x6078B0, 0x041D},
};

namespace {

constexpr int StringsPerBlock = 16;
constexpr std::uint16_t LastStringBlock = 4096;  // block 4096 holds the ids up to 65535

// The version, nine entries and the terminating entry: 808 bytes.
constexpr int TableHeaderSize = kLangdefEntriesOffset + kLangdefEntrySize * (MakeDefsLanguageCount + 1);
constexpr std::uint32_t DefaultLanguageId = 7;

// A position in a stream as the 32-bit offset the table stores.
std::uint32_t Offset32(qsizetype position)
{
    if (position < 0 || static_cast<std::uint64_t>(position) > 0xFFFFFFFFu)
        throw Exception(QStringLiteral("The stock table grows beyond 4 GB."));
    return static_cast<std::uint32_t>(position);
}

// Appends `text` and its NUL to the pool and writes its pool offset into the block.
void AppendPoolString(QByteArray &block, QByteArray &pool, std::string_view text)
{
    AppendU32(block, Offset32(pool.size()));
    pool.append(text.data(), static_cast<qsizetype>(text.size()));
    pool.append('\0');
}

// "0x" and at least `digits` upper-case hex digits.
QString Hex(std::uint64_t value, int digits)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

// The game's memory as the mapped image shows it. The language and the slot being read
// are named in the error of an address outside the image.
class GameMemory
{
public:
    GameMemory(const PeImage &image, const MakeDefsLanguage &language)
        : image_(image), language_(language)
    {
    }

    void SetSlot(int slot) { slot_ = slot; }

    std::uint32_t U32(std::uint64_t address) const
    {
        const std::optional<std::uint32_t> value = image_.ReadU32(Translate(address, 4));
        if (!value)
            Fail(address, QStringLiteral("lies outside the loaded image"));
        return *value;
    }

    std::string_view String(std::uint64_t address) const
    {
        const std::optional<std::string_view> text = image_.ReadCString(Translate(address, 1));
        if (!text)
            Fail(address, QStringLiteral("holds a string that runs past the end of the loaded image"));
        return *text;
    }

private:
    std::uint64_t Translate(std::uint64_t address, std::uint64_t size) const
    {
        if (address < GameImageBase || address - GameImageBase + size > image_.Size())
            Fail(address, QStringLiteral("lies outside the loaded image"));
        return address - GameImageBase;
    }

    [[noreturn]] void Fail(std::uint64_t address, const QString &problem) const
    {
        throw Exception(QStringLiteral("Game address %1 (%2, slot %3) %4.")
                            .arg(Hex(address, 8), QString::fromUtf16(language_.name))
                            .arg(slot_)
                            .arg(problem));
    }

    const PeImage &image_;
    const MakeDefsLanguage &language_;
    int slot_ = 0;
};

// One group record: id, kind, the pool offsets of the list's strings, the end marker.
// The list is an array of string addresses ended by the address 0.
void AppendGroup(const GameMemory &game, QByteArray &block, QByteArray &pool, std::uint32_t id,
                 std::uint32_t list)
{
    AppendU32(block, id);
    AppendU32(block, KindGroup);
    for (std::uint64_t item = list;; item += 4) {
        const std::uint32_t text = game.U32(item);
        if (text == 0)
            break;
        AppendPoolString(block, pool, game.String(text));
    }
    AppendU32(block, EndMarker);
}

} // namespace

bool EnumStringTableBlock(const PeImage &module, std::uint16_t type, std::uint16_t name,
                          StringTableContext &context)
{
    // Block 0 and blocks above 4096 would name ids beyond 16 bits: no string can use them.
    if (name == 0 || name > LastStringBlock)
        return true;
    const std::optional<std::span<const std::uint8_t>> data =
        module.FindResource(type, name, context.languageCode);
    if (!data)
        return true;

    const std::span<const std::uint8_t> bytes = *data;
    const auto truncated = [&] {
        return Exception(QStringLiteral("String-table block %1 of language %2 is truncated.")
                             .arg(name)
                             .arg(Hex(context.languageCode, 4)));
    };
    std::size_t at = 0;
    for (int i = 0; i < StringsPerBlock; ++i) {
        if (bytes.size() - at < 2)
            throw truncated();
        const std::size_t count = LoadU16(&bytes[at]);
        at += 2;
        if ((bytes.size() - at) / 2 < count)
            throw truncated();
        if (count != 0) {
            const StringId id = MakeResourceStringId(StringTableResourceId(name, i));
            std::string converted;
            converted.reserve(count);
            for (std::size_t u = 0; u < count; ++u) {
                const char16_t unit = LoadU16(&bytes[at + 2 * u]);
                const char game = static_cast<char>(UnicodeToGameChar(unit));
                if (game == '\0')
                    break;  // the pool takes the string up to its first 0 byte
                converted.push_back(game);
            }
            AppendU32(*context.block, id);
            AppendU32(*context.block, KindSingle);
            AppendPoolString(*context.block, *context.pool, converted);
        }
        at += 2 * count;
    }
    return true;
}

void BuildLangdefBlock(const PeImage &image, QByteArray &block, int row)
{
    const MakeDefsLanguage &language = MakeDefsLanguages[row];
    QByteArray pool;
    AppendU32(block, 0);  // poolOffset, filled in at the end

    StringTableContext context{&block, &pool, static_cast<std::uint16_t>(language.languageCode)};
    for (const std::uint16_t name : image.ResourceNames(PeResourceTypeString))
        if (!EnumStringTableBlock(image, PeResourceTypeString, name, context))
            break;

    GameMemory game(image, language);
    // Slots 0 to 192; the cell slots 193 to 196 hold no strings.
    for (std::uint32_t n = 0; n <= kLastStringSlot; ++n) {
        game.SetSlot(int(n));
        const std::uint32_t method = game.U32(std::uint64_t(language.methodTable) + 4u * n);
        const StringId id = MakeSlotStringId(n);
        if (n == Slot14) {
            // Slot 14's method carries its sub-list array 12 bytes and sub-list 14 20 bytes
            // after its start; item 0 of the array is not a sub-list.
            const std::uint32_t array = game.U32(std::uint64_t(method) + 12);
            for (std::uint32_t k = kSlot14FirstStockSubList; k < kSlot14LastSubList; ++k)
                AppendGroup(game, block, pool, Slot14SubList(k), game.U32(std::uint64_t(array) + 4 * k));
            AppendGroup(game, block, pool, Slot14SubList(kSlot14LastSubList),
                        game.U32(std::uint64_t(method) + 20));
        } else if (InListSlots(n)) {
            AppendGroup(game, block, pool, id, game.U32(std::uint64_t(method) + 1));
        } else {
            AppendU32(block, id);
            AppendU32(block, KindSingle);
            AppendPoolString(block, pool, game.String(game.U32(std::uint64_t(method) + 1)));
        }
    }
    AppendU32(block, EndMarker);

    PutU32(block, 0, Offset32(block.size()));
    block.append(pool);
    Offset32(block.size());
}

void MakeDefs(const QString &path, const QString &outputPath)
{
    const std::optional<PeImage> image = PeImage::LoadFile(QFileInfo(path).absoluteFilePath());
    if (!image)
        throw Exception(QStringLiteral("Can't load ZV.exe."));

    QByteArray output(TableHeaderSize, '\0');
    for (int i = 0; i < 4; ++i)
        PutU16(output, 2 * i, MakeDefsGameVersion[i]);

    QByteArray block;
    for (int row = 0; row < MakeDefsLanguageCount; ++row) {
        const MakeDefsLanguage &language = MakeDefsLanguages[row];
        BuildLangdefBlock(*image, block, row);
        const std::uint32_t offset = Offset32(output.size());
        output.append(block);

        const qsizetype entry = kLangdefEntriesOffset + kLangdefEntrySize * row;
        PutU16(output, entry, static_cast<std::uint16_t>(language.languageId));
        PutU16(output, entry + offsetof(LangdefEntry, defaultFlag), language.languageId == DefaultLanguageId ? 1 : 0);
        PutU32(output, entry + offsetof(LangdefEntry, blockOffset), offset);
        PutU32(output, entry + offsetof(LangdefEntry, blockSize), Offset32(block.size()));
        const std::u16string_view name(language.name);
        for (std::size_t c = 0; c < name.size() && 2 * (c + 1) < kLangdefEntryNameSize; ++c)
            PutU16(output, entry + offsetof(LangdefEntry, name) + 2 * static_cast<qsizetype>(c), name[c]);
        block.clear();
    }
    PutU16(output, kLangdefEntriesOffset + kLangdefEntrySize * MakeDefsLanguageCount, kLangdefTerminatorId);
    Offset32(output.size());

    SaveBytesToFile(outputPath, output);
}
