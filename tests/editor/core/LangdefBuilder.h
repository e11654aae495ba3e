// Builds stock-string tables (the Langdef layout) in memory for tests.
//
//   LangdefBuilder b;                       // version 3.6.31.0, no language yet
//   b.AddLanguage(7, u"English (7)", true)  // entries in the order they are added
//    .Single(0x01000100, "Hello\nworld")    // records of the language added last
//    .Group(0x02000500, {"one", "two"});
//   QByteArray table = b.Build();
//
// Blocks follow the terminator entry back to back, in entry order, each laid out as the
// editor's stock table is: poolOffset, the record index with its EndMarker, the pool.
// A language can carry a raw block instead (for damaged blocks), and an entry's
// blockOffset and blockSize can be forced to any value.
#pragma once

#include "LangpackFormat.h"
#include "platform/LittleEndian.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

class LangdefBuilder {
public:
    struct Record {
        uint32_t id = 0;
        uint32_t kind = KindSingle;
        std::vector<QByteArray> strings;  // game bytes, without the NUL
    };

    struct Language {
        uint16_t languageId = 0;
        uint16_t defaultFlag = 0;
        QString name;
        std::vector<Record> records;
        std::optional<QByteArray> rawBlock;   // used instead of the records
        std::optional<uint32_t> blockOffset;  // forced entry fields
        std::optional<uint32_t> blockSize;
    };

    std::array<uint16_t, 4> version = {3, 6, 31, 0};
    std::vector<Language> languages;

    LangdefBuilder &AddLanguage(uint16_t languageId, const QString &name, bool isDefault = false)
    {
        Language l;
        l.languageId = languageId;
        l.defaultFlag = isDefault ? 1 : 0;
        l.name = name;
        languages.push_back(std::move(l));
        return *this;
    }

    LangdefBuilder &Single(uint32_t id, const QByteArray &text) { return Add({id, KindSingle, {text}}); }

    LangdefBuilder &Group(uint32_t id, std::initializer_list<QByteArray> lines, uint32_t kind = KindGroup)
    {
        return Add({id, kind, std::vector<QByteArray>(lines)});
    }

    LangdefBuilder &Add(Record record)
    {
        languages.back().records.push_back(std::move(record));
        return *this;
    }

    LangdefBuilder &RawBlock(const QByteArray &block)
    {
        languages.back().rawBlock = block;
        return *this;
    }

    Language &Last() { return languages.back(); }

    // The nine languages of the stock table, in its order, with English (7) as default
    // and no records.
    static LangdefBuilder StockEntries()
    {
        LangdefBuilder b;
        b.AddLanguage(1, QStringLiteral("Deutsch (1)"))
            .AddLanguage(7, QStringLiteral("English (7)"), true)
            .AddLanguage(3, QStringLiteral("Español (3)"))
            .AddLanguage(6, QStringLiteral("Français (6)"))
            .AddLanguage(2, QStringLiteral("Italiano (2)"))
            .AddLanguage(4, QStringLiteral("Nederlands (4)"))
            .AddLanguage(0, QStringLiteral("Portuguese (0)"))
            .AddLanguage(8, QStringLiteral("Русский (8)"))
            .AddLanguage(5, QStringLiteral("Svenska (5)"));
        return b;
    }

    // A block as the stock table lays it out.
    static QByteArray BuildBlock(const std::vector<Record> &records)
    {
        QByteArray index;
        QByteArray pool;
        for (const Record &r : records) {
            AppendU32(index, r.id);
            AppendU32(index, r.kind);
            for (const QByteArray &s : r.strings) {
                AppendU32(index, uint32_t(pool.size()));
                pool.append(s);
                pool.append('\0');
            }
            if (r.kind != KindSingle)
                AppendU32(index, EndMarker);
        }
        AppendU32(index, EndMarker);
        QByteArray block;
        AppendU32(block, uint32_t(4 + index.size()));
        return block + index + pool;
    }

    QByteArray Build() const
    {
        QByteArray table;
        for (uint16_t v : version)
            AppendU16(table, v);
        const uint32_t entriesEnd = uint32_t(8 + 80 * (languages.size() + 1));
        std::vector<QByteArray> blocks;
        for (const Language &l : languages)
            blocks.push_back(l.rawBlock ? *l.rawBlock : BuildBlock(l.records));
        uint32_t offset = entriesEnd;
        for (std::size_t i = 0; i < languages.size(); ++i) {
            const Language &l = languages[i];
            AppendU16(table, l.languageId);
            AppendU16(table, l.defaultFlag);
            AppendU32(table, l.blockOffset.value_or(offset));
            AppendU32(table, l.blockSize.value_or(uint32_t(blocks[i].size())));
            AppendU32(table, 0);
            QByteArray name(64, '\0');
            for (qsizetype k = 0; k < l.name.size() && k < 31; ++k) {
                name[2 * k] = char(l.name[k].unicode() & 0xFF);
                name[2 * k + 1] = char(l.name[k].unicode() >> 8);
            }
            table.append(name);
            offset += uint32_t(blocks[i].size());
        }
        QByteArray terminator(80, '\0');
        terminator[0] = char(0xFF);
        terminator[1] = char(0xFF);
        table.append(terminator);
        for (const QByteArray &b : blocks)
            table.append(b);
        return table;
    }

    static void AppendU16(QByteArray &out, uint16_t v)
    {
        const qsizetype at = out.size();
        out.resize(at + 2);
        PutU16(out, at, v);
    }
};
