// Opening a langpack and laying its records over the stock strings.
//
// The bytes are taken apart by ParseLangpack, which trusts nothing in the file (see
// LangpackReader.h for what it does with each kind of damage); this file lays the records
// it found over a tree freshly built from the stock strings and, when the file was
// damaged, then names the file and its damage in one warning.
#include "Main.h"

#include "LangpackFormat.h"
#include "LangpackReader.h"
#include "TopLevelIndex.h"
#include "Zvcharset.h"
#include "platform/FileLoad.h"
#include "platform/MessageBox.h"
#include "platform/SharedText.h"
#include "platform/SpinEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QStringList>

#include <algorithm>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

namespace {

QString GameText(std::string_view bytes)
{
    return GameToUnicode(QByteArrayView(bytes.data(), qsizetype(bytes.size())), true);
}

// The texts of the records' values in file order, each pool string converted once (a value
// that names no string gets none). A value runs from its offset to the pool string's NUL,
// so values that begin inside one string end where it ends: they get the tails of its
// text, sharing its characters (an index may name one long string, or places inside it,
// from every record).
std::vector<QString> ValueTexts(const std::vector<LangpackRecordView> &records)
{
    std::vector<std::string_view> values;
    std::vector<std::size_t> order;   // the values that name a string
    for (const LangpackRecordView &record : records) {
        for (const LangpackValueView &value : record.values) {
            if (value)
                order.push_back(values.size());
            values.push_back(value.value_or(std::string_view()));
        }
    }
    const auto before = [&values](std::size_t a, std::size_t b) {
        return std::less<const char *>()(values[a].data(), values[b].data());
    };
    // In pool order; a langpack the editor saved names its strings in that order.
    if (!std::is_sorted(order.begin(), order.end(), before))
        std::sort(order.begin(), order.end(), before);

    std::vector<QString> texts(values.size());
    // The string the last value began in, from its first named place on, and its text.
    std::string_view head;
    QString headText;
    bool tailsShared = false;       // whether each byte of the head gave one character (LF two)
    qsizetype at = 0;               // the last value's start in the head, in bytes and characters
    qsizetype atText = 0;
    for (const std::size_t i : order) {
        const std::string_view value = values[i];
        if (value.data() + value.size() != head.data() + head.size()) {
            head = value;
            headText = GameText(value);
            const auto lineBreaks = qsizetype(std::count(value.begin(), value.end(), '\n'));
            tailsShared = headText.size() == qsizetype(value.size()) + lineBreaks;
            at = atText = 0;
            texts[i] = headText;
            continue;
        }
        if (!tailsShared) {
            texts[i] = GameText(value);
            continue;
        }
        const qsizetype start = value.data() - head.data();
        atText += start - at + qsizetype(std::count(head.begin() + at, head.begin() + start, '\n'));
        at = start;
        texts[i] = SharedTail(headText, atText);
    }
    return texts;
}

// The warning after a damaged langpack was loaded: the file, one line for each kind of
// damage found (in the order of the file), what the game makes of rows left unchecked, and
// that the rest was loaded. `keptId` is what the ID field holds of the file's language id.
QString DamageWarning(const QString &fileName, const LangpackContent &content, std::size_t fileSize, double keptId)
{
    const LangpackDamage &d = content.damage;
    const LangpackHeaderView &header = content.header;
    QStringList lines{QStringLiteral("The langpack file is damaged:"), fileName};
    if (d.languageIdOutOfRange)
        lines << QStringLiteral("The language id %1 lies outside 0 to %2, so the game cannot use the langpack; "
                                "the ID field holds %3.")
                     .arg(header.languageId)
                     .arg(kLastLanguageId)
                     .arg(keptId);
    if (d.nameUnterminated)
        lines << QStringLiteral("The name field has no terminating 0.");
    const QString nothingTaken = QStringLiteral(": no row is checked, and the game takes nothing from the file.");
    if (d.poolInHeader)
        lines << QStringLiteral("The string pool offset %1 lies inside the %2-byte header")
                         .arg(header.poolOffset)
                         .arg(kLangpackHeaderSize) +
                     nothingTaken;
    if (d.poolPastEnd)
        lines << QStringLiteral("The string pool offset %1 lies past the end of the file (%2 bytes)")
                         .arg(header.poolOffset)
                         .arg(qulonglong(fileSize)) +
                     nothingTaken;
    // Each with its count in the place of %1, in the form for one or for another number.
    const struct {
        bool found;
        std::size_t count;
        const char *one;
        const char *many;
    } counted[] = {
        {d.singlesWithEndMarker != 0, d.singlesWithEndMarker,
         "%1 single record has the end marker as its value; its row is left unchecked.",
         "%1 single records have the end marker as their value; their rows are left unchecked."},
        {d.valuesOutside != 0, d.valuesOutside, "%1 value points outside the strings; its row is left unchecked.",
         "%1 values point outside the strings; their rows are left unchecked."},
        {d.valuesUnterminated != 0, d.valuesUnterminated,
         "%1 value names a string without its terminating 0; its text runs to the end of the file.",
         "%1 values name a string without its terminating 0; their texts run to the end of the file."},
        {d.indexCut, d.recordsBeforeCut,
         "The record index ends before its end marker, after %1 complete record; what follows it is left "
         "out, in the game too.",
         "The record index ends before its end marker, after %1 complete records; what follows them is left "
         "out, in the game too."},
    };
    for (const auto &line : counted)
        if (line.found)
            lines << QString::fromLatin1(line.count == 1 ? line.one : line.many).arg(qulonglong(line.count));
    // With the pool out of its place the game takes nothing, as its line says.
    if ((d.singlesWithEndMarker || d.valuesOutside) && !d.poolOutOfPlace())
        lines << QStringLiteral("In the game a record left unchecked keeps the base language's text or list, and "
                                "a line left unchecked is left out: the later lines of its group move up one "
                                "place, as a save writes them.");
    lines << QStringLiteral("What could be read has been loaded.");
    return lines.join(QLatin1Char('\n'));
}

} // namespace

void TZvLngFrm::LoadLangpack(const QString &fileName)
{
    FiName->setText(fileName);
    const QByteArray bytes = LoadBytesFromFile(fileName);
    const LangpackContent content = ParseLangpack(bytes.constData(), std::size_t(bytes.size()));
    if (!content.recognised) {
        MessageBoxW(nullptr, QStringLiteral("Unknown file structure."), QStringLiteral("Error detected."),
                    MB_OK | MB_ICONERROR);
        return;
    }

    const LangpackHeaderView &header = content.header;
    Nameed->setText(GameText(header.name));
    SetLanguageId(double(header.languageId));
    MarkUnchanged();

    BaseLangCb->setCurrentIndex(DefaultBaseIndex);
    ClearTree();
    FillTreeFromBase();
    // FindLangIndex compares all 32 bits, so an id above 0xFFFF matches no language.
    const int base = FindLangIndex(int32_t(header.baseLanguage));
    if (base >= 0) {
        BaseLangCb->setCurrentIndex(base);
        ReloadTemplates();
    }

    std::vector<QString> texts = ValueTexts(content.records);   // each handed on once
    std::size_t nextText = 0;
    Tree->BeginUpdate();
    TopLevelIndex topLevel(*this);
    for (const LangpackRecordView &record : content.records) {
        const TopLevelIndex::Place place = topLevel.Find(record.id);
        PVirtualNode node = place.node;
        if (record.isSingle()) {
            QString &text = texts[nextText++];
            if (node) {
                RecData *data = NodeRecord(node);
                data->newText = std::move(text);
                data->kind = KindSingle;
                Tree->InvalidateNode(node);
            } else {
                node = topLevel.Insert(place, RecData{record.id, KindSingle, QString(), std::move(text)});
            }
            node->CheckState = csCheckedNormal;
            continue;
        }

        if (node) {
            RecData *data = NodeRecord(node);
            data->newText.clear();
            data->kind = KindGroup;
            Tree->InvalidateNode(node);
        } else {
            node = topLevel.Insert(place, RecData{record.id, KindGroup,
                                                  QString::fromUtf16(kGroupTemplatePrefix), QString()});
        }
        node->CheckState = csCheckedNormal;
        // Lines go by position: the n-th value to the n-th line, new last lines after them.
        // A value that names no string leaves its line as it is (a new line unchecked and
        // empty), so that the values behind it still find their own lines.
        PVirtualNode cursor = node->FirstChild;
        for (const LangpackValueView &value : record.values) {
            QString &text = texts[nextText++];
            if (!cursor) {
                cursor = InsertRecordNode(node, amAddChildLast,
                                          RecData{record.id, KindSingle, QString(), std::move(text)});
            } else if (value) {
                NodeRecord(cursor)->newText = std::move(text);
                Tree->InvalidateNode(cursor);
            }
            if (value)
                cursor->CheckState = csCheckedNormal;
            cursor = cursor->NextSibling;
        }
    }
    Tree->EndUpdate();

    // The walk may have changed the translation of the focused node behind the memos; show
    // that node again, so that the next commit compares the memo with what the node now
    // holds.
    ShowFocusedNode();

    if (content.damage.any())
        MessageBoxW(nullptr, DamageWarning(fileName, content, std::size_t(bytes.size()), IDed->Value()),
                    QStringLiteral("Warning"), MB_OK | MB_ICONWARNING);
}
