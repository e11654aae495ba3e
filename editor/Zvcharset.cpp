#include "Zvcharset.h"

#include "platform/LittleEndian.h"
#include "platform/ResourceStream.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

struct ExplicitMapping {
    char16_t unit;
    uint8_t byte;
};

// Sorted by code unit.
constexpr ExplicitMapping kExplicitMappings[] = {
#include "ZvcharsetExplicit.inc"
};
static_assert(std::size(kExplicitMappings) == kExplicitMappingCount);

constexpr bool SortedByUnit()
{
    for (std::size_t i = 1; i < std::size(kExplicitMappings); ++i)
        if (kExplicitMappings[i - 1].unit >= kExplicitMappings[i].unit)
            return false;
    return true;
}
static_assert(SortedByUnit());

const ExplicitMapping *FindExplicit(char16_t u)
{
    const auto *end = std::end(kExplicitMappings);
    const auto *it = std::lower_bound(std::begin(kExplicitMappings), end, u,
                                      [](const ExplicitMapping &m, char16_t v) { return m.unit < v; });
    return it != end && it->unit == u ? it : nullptr;
}

// Explicit mappings that are answered only once UNIZV is loaded.
bool AnsweredAfterUniZv(char16_t u)
{
    return u == 0x0150 || u == 0x0151 || u == 0x0170 || u == 0x0171 || u == 0x0401 || u == 0x0451;
}

LazyResource &ZvUni()
{
    static LazyResource table(QStringLiteral("ZVuni"));
    return table;
}

LazyResource &ZvUpper()
{
    static LazyResource table(QStringLiteral("zvupper"));
    return table;
}

LazyResource &UniZv()
{
    static LazyResource table(QStringLiteral("uniZV"));
    return table;
}

const QString kLf = QStringLiteral("\n");
const QString kCrLf = QStringLiteral("\r\n");

} // namespace

QString ReplaceAll(const QString &source, const QString &find, const QString &replacement)
{
    if (find.isEmpty())
        return source;
    QString result;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = source.indexOf(find, from);
        if (at < 0)
            break;
        result += QStringView(source).mid(from, at - from);
        result += replacement;
        from = at + find.size();
    }
    result += QStringView(source).mid(from);
    return result;
}

QString GameToUnicode(QByteArrayView text, bool convertLineBreaks)
{
    const qsizetype n = text.size();
    QString result(n, Qt::Uninitialized);
    qsizetype length = n;
    // The terminator goes through the table as well, so even an empty text loads it.
    for (qsizetype i = 0; i <= n; ++i) {
        const char16_t u = GameCharToUnicode(i < n ? uint8_t(text[i]) : 0);
        if (u == 0) {
            length = i;
            break;
        }
        result[i] = QChar(u);
    }
    result.truncate(length);
    if (convertLineBreaks)
        result = ReplaceAll(result, kLf, kCrLf);
    return result;
}

QByteArray UnicodeToGame(const QString &input, bool convertLineBreaks)
{
    const QString text = convertLineBreaks ? ReplaceAll(input, kCrLf, kLf) : input;
    const qsizetype n = text.size();
    QByteArray result(n, Qt::Uninitialized);
    qsizetype length = n;
    for (qsizetype i = 0; i <= n; ++i) {
        const uint8_t b = UnicodeToGameChar(i < n ? text[i].unicode() : u'\0');
        if (b == 0) {
            length = i;
            break;
        }
        result[i] = char(b);
    }
    result.truncate(length);
    return result;
}

QByteArray GameUpperCase(QByteArrayView text)
{
    QByteArray result(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        result[i] = char(GameUpperChar(uint8_t(text[i])));
    return result;
}

uint8_t GameUpperChar(uint8_t b) { return ZvUpper().data()[b]; }

char16_t GameCharToUnicode(uint8_t b)
{
    return char16_t(LoadU16(ZvUni().data() + 2 * b));
}

uint8_t UnicodeToGameChar(char16_t u)
{
    const ExplicitMapping *m = FindExplicit(u);
    if (m && !AnsweredAfterUniZv(u))
        return m->byte;
    const unsigned char *uniZv = UniZv().data();
    if (m)
        return m->byte;
    if (u < 0x80)
        return uint8_t(u);
    if (u <= 0xFF)
        return u >= 0xBF || u == 0xA0 || u == 0xA1 || u == 0xA3 ? uint8_t(u) : kGameDefaultChar;
    if (u >= 0x0150 && u <= 0x0171)
        return kGameDefaultChar;
    if (u >= 0x0410 && u <= 0x044F)
        return uniZv[(u + 0xB0) & 0xFF];
    return kGameDefaultChar;
}
