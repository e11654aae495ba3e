// Writes FILE: a langpack that translates every record of the built-in stock table's
// default language by its stock strings, every single and every line checked, in the
// bytes that Save writes. The fuzz target of the whole load starts from it, so that its
// inputs are langpacks of real size.
#include "Langdef.h"
#include "LangpackWriter.h"
#include "platform/Exception.h"
#include "platform/ResourceStream.h"

#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    try {
        const Langdef table = Langdef::FromBytes(ResourceStream(QLatin1String(kLangdefResourceName)).bytes());
        const int base = table.DefaultBaseIndex();
        std::vector<LangpackSaveRecord> records;
        table.ForEachRecord(base, [&records](const LangdefRecord &record, const QStringList &strings) {
            LangpackSaveRecord saved{record.id, record.IsGroup(), QString(), QStringList()};
            if (saved.group)
                saved.lines = strings;
            else
                saved.text = strings.value(0);
            records.push_back(saved);
            return true;
        });
        const LangpackBuildResult built =
            BuildLangpack({100, table.Entry(base).languageId, QStringLiteral("Everything")}, records);
        if (!built.ok) {
            std::fprintf(stderr, "full_langpack: %s\n", built.error.toLocal8Bit().constData());
            return 1;
        }
        SaveLangpackFile(QString::fromLocal8Bit(argv[1]), built.bytes);
    } catch (const Exception &e) {
        std::fprintf(stderr, "full_langpack: %s\n", e.message().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
