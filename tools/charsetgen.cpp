// charsetgen: builds the game character-set tables from their readable source.
//
//   charsetgen <gamecharset.txt> <output folder>
//
// writes ZVUNI (256 x u16 LE: game byte to UTF-16), ZVUPPER (256 bytes: game byte to the
// byte of its upper-case form), UNIZV (512 bytes: offsets 0xC0-0xFF give the bytes of
// U+0410-U+044F) and ZvcharsetExplicit.inc (the explicit single mappings as sorted
// "{unit, byte}," lines). It refuses a source that breaks a rule the conversions rely on.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr uint16_t kNoCharacter = 0xFFFD;
constexpr uint16_t kCyrillicFirst = 0x0410;
constexpr uint16_t kCyrillicLast = 0x044F;

struct Fail {
    std::string text;
};

[[noreturn]] void fail(int line, const std::string &what)
{
    throw Fail{(line > 0 ? "line " + std::to_string(line) + ": " : std::string()) + what};
}

unsigned long parseNumber(const std::string &s, const char *prefix, int line)
{
    const std::string p(prefix);
    if (s.compare(0, p.size(), p) != 0 || s.size() == p.size())
        fail(line, "expected " + p + "<hex>, got \"" + s + "\"");
    std::size_t used = 0;
    unsigned long v = 0;
    try {
        v = std::stoul(s.substr(p.size()), &used, 16);
    } catch (...) {
        fail(line, "bad number \"" + s + "\"");
    }
    if (used != s.size() - p.size())
        fail(line, "bad number \"" + s + "\"");
    return v;
}

uint8_t parseByte(const std::string &s, int line)
{
    const unsigned long v = parseNumber(s, "0x", line);
    if (v > 0xFF)
        fail(line, "byte out of range: " + s);
    return uint8_t(v);
}

uint16_t parseUnit(const std::string &s, int line)
{
    const unsigned long v = parseNumber(s, "U+", line);
    if (v > 0xFFFF)
        fail(line, "code unit out of range: " + s);
    return uint16_t(v);
}

template <typename T, typename F>
std::pair<T, T> parseRange(const std::string &s, F parse, int line)
{
    const std::size_t dash = s.find('-');
    if (dash == std::string::npos)
        fail(line, "expected a range, got \"" + s + "\"");
    const T a = parse(s.substr(0, dash), line);
    const T b = parse(s.substr(dash + 1), line);
    if (b < a)
        fail(line, "empty range " + s);
    return {a, b};
}

std::string hex(unsigned v, int digits)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, v);
    return buf;
}

struct Charset {
    std::array<std::optional<uint16_t>, 256> shows;  // ZVUNI entries
    std::array<int, 256> definedAt{};                // source line of each byte
    std::array<bool, 256> fromRange{};               // defined by a "bytes" line
    std::map<uint16_t, uint16_t> alias;              // Cyrillic letter -> look-alike
    std::map<uint16_t, uint16_t> explicitMap;        // code unit -> character whose byte it takes
    std::map<uint16_t, uint16_t> upper;              // letter -> upper-case letter

    void defineByte(uint8_t b, uint16_t u, int line)
    {
        if (shows[b])
            fail(line, "byte 0x" + hex(b, 2) + " already defined on line " + std::to_string(definedAt[b]));
        shows[b] = u;
        definedAt[b] = line;
    }

    // The byte that shows u itself, the unassigned bytes left out.
    std::optional<uint8_t> byteShowing(uint16_t u) const
    {
        if (u == kNoCharacter)
            return std::nullopt;
        for (int b = 0; b < 256; ++b)
            if (shows[b] && *shows[b] == u)
                return uint8_t(b);
        return std::nullopt;
    }

    // The byte that u is written with through the tables: its own, or its look-alike's.
    std::optional<uint8_t> byteOf(uint16_t u) const
    {
        if (auto b = byteShowing(u))
            return b;
        const auto a = alias.find(u);
        if (a != alias.end())
            return byteShowing(a->second);
        return std::nullopt;
    }
};

Charset parse(std::istream &in)
{
    Charset cs;
    std::string text;
    int line = 0;
    while (std::getline(in, text)) {
        ++line;
        const std::size_t hash = text.find('#');
        if (hash != std::string::npos)
            text.erase(hash);
        std::istringstream words(text);
        std::vector<std::string> w;
        for (std::string s; words >> s;)
            w.push_back(s);
        if (w.empty())
            continue;
        const std::string &d = w[0];
        auto need = [&](std::size_t n) {
            if (w.size() != n + 1)
                fail(line, d + " takes " + std::to_string(n) + " argument(s)");
        };
        if (d == "bytes") {
            need(2);
            const auto [a, b] = parseRange<uint8_t>(w[1], parseByte, line);
            const uint16_t u = parseUnit(w[2], line);
            for (int i = a; i <= b; ++i) {
                cs.defineByte(uint8_t(i), uint16_t(u + (i - a)), line);
                cs.fromRange[i] = true;
            }
        } else if (d == "byte") {
            need(2);
            const uint8_t b = parseByte(w[1], line);
            // A single byte line may refine one byte of an earlier range.
            if (cs.shows[b] && cs.fromRange[b]) {
                cs.shows[b].reset();
                cs.fromRange[b] = false;
            }
            cs.defineByte(b, parseUnit(w[2], line), line);
        } else if (d == "unused") {
            need(1);
            cs.defineByte(parseByte(w[1], line), kNoCharacter, line);
        } else if (d == "alias") {
            need(2);
            const uint16_t u = parseUnit(w[1], line);
            if (u < kCyrillicFirst || u > kCyrillicLast)
                fail(line, "alias only for U+0410 to U+044F");
            if (!cs.alias.emplace(u, parseUnit(w[2], line)).second)
                fail(line, "alias of U+" + hex(u, 4) + " given twice");
        } else if (d == "map") {
            need(2);
            const uint16_t u = parseUnit(w[1], line);
            if (!cs.explicitMap.emplace(u, parseUnit(w[2], line)).second)
                fail(line, "map of U+" + hex(u, 4) + " given twice");
        } else if (d == "case") {
            need(2);
            const auto [a, b] = parseRange<uint16_t>(w[1], parseUnit, line);
            const uint16_t u = parseUnit(w[2], line);
            for (unsigned i = a; i <= b; ++i)
                cs.upper[uint16_t(i)] = uint16_t(u + (i - a));
        } else {
            fail(line, "unknown directive \"" + d + "\"");
        }
    }
    return cs;
}

void writeFile(const std::string &path, const std::vector<uint8_t> &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    if (!out)
        fail(0, "cannot write " + path);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::cerr << "usage: charsetgen <gamecharset.txt> <output folder>\n";
        return 2;
    }
    try {
        std::ifstream in(argv[1]);
        if (!in)
            fail(0, std::string("cannot read ") + argv[1]);
        const Charset cs = parse(in);
        const std::string dir = argv[2];

        // ZVUNI: every byte defined; 0 only at entry 0, where the terminator is read.
        std::vector<uint8_t> zvuni(512);
        for (int b = 0; b < 256; ++b) {
            if (!cs.shows[b])
                fail(0, "byte 0x" + hex(unsigned(b), 2) + " is not defined");
            const uint16_t u = *cs.shows[b];
            if ((b == 0) != (u == 0))
                fail(cs.definedAt[b], "only byte 0x00 may show U+0000, and it must");
            zvuni[2 * b] = uint8_t(u & 0xFF);
            zvuni[2 * b + 1] = uint8_t(u >> 8);
        }

        // UNIZV: the 64 read entries at (u + 0xB0) mod 256; the others are never read.
        std::vector<uint8_t> unizv(512, 0x7F);
        for (unsigned u = kCyrillicFirst; u <= kCyrillicLast; ++u) {
            const auto b = cs.byteOf(uint16_t(u));
            if (!b || *b == 0)
                fail(0, "U+" + hex(u, 4) + " has no byte");
            unizv[(u + 0xB0) & 0xFF] = *b;
        }

        // ZVUPPER: the byte of the upper-case form where the set has one, else the byte.
        std::vector<uint8_t> zvupper(256);
        for (int b = 0; b < 256; ++b) {
            zvupper[b] = uint8_t(b);
            const auto up = cs.upper.find(*cs.shows[b]);
            if (up != cs.upper.end())
                if (const auto ub = cs.byteOf(up->second))
                    zvupper[b] = *ub;
        }

        // The explicit single mappings, sorted by code unit.
        std::string inc = "// Generated by charsetgen from gamecharset.txt. Do not edit.\n";
        for (const auto &[u, target] : cs.explicitMap) {
            const auto b = cs.byteOf(target);
            if (!b || *b == 0)
                fail(0, "the map of U+" + hex(u, 4) + " names U+" + hex(target, 4) + ", which has no byte");
            inc += "{0x" + hex(u, 4) + ", 0x" + hex(*b, 2) + "},\n";
        }

        writeFile(dir + "/ZVUNI", zvuni);
        writeFile(dir + "/ZVUPPER", zvupper);
        writeFile(dir + "/UNIZV", unizv);
        writeFile(dir + "/ZvcharsetExplicit.inc", std::vector<uint8_t>(inc.begin(), inc.end()));
    } catch (const Fail &f) {
        std::cerr << argv[1] << ": " << f.text << "\n";
        return 1;
    }
    return 0;
}
