// Feeds arbitrary bytes to the langpack parser. The address sanitizer catches any read
// outside the input and the undefined-behaviour sanitizer what the language leaves
// undefined; the checks below catch views that point outside the input, records kept that
// name no string, and damage counts that miss what the records show.
#include "LangpackReader.h"

#include <cstdint>
#include <cstdlib>

namespace {

void CheckInside(std::string_view v, const char *begin, std::size_t size)
{
    if (v.empty())
        return;
    if (v.data() < begin || v.data() + v.size() > begin + size)
        std::abort();
    volatile char sink = v.front();
    sink = v.back();
    (void)sink;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    const char *begin = reinterpret_cast<const char *>(data);
    const LangpackContent content = ParseLangpack(begin, size);
    if (!content.recognised && (!content.records.empty() || content.damage.any()))
        std::abort();
    CheckInside(content.header.name, begin, size);
    if (content.header.name.size() > 32)
        std::abort();
    std::size_t unnamed = 0;
    std::size_t unterminated = 0;
    for (const LangpackRecordView &r : content.records) {
        if (r.isSingle() && (r.values.size() != 1 || !r.values.front()))
            std::abort();
        bool named = r.values.empty();   // an empty group is kept
        for (const LangpackValueView &v : r.values) {
            if (!v) {
                ++unnamed;
                continue;
            }
            named = true;
            CheckInside(*v, begin, size);
            if (v->data() + v->size() == begin + size)
                ++unterminated;
            else if (v->data()[v->size()] != 0)
                std::abort();   // a string ends at its 0 byte
        }
        if (!named)
            std::abort();   // a record that names no string is left out
    }
    // The records kept are counted among the damage; those left out add to it.
    const LangpackDamage &d = content.damage;
    if (d.valuesOutside < unnamed || d.valuesUnterminated < unterminated)
        std::abort();
    if (d.indexCut && d.recordsBeforeCut < content.records.size())
        std::abort();
    if (d.poolOutOfPlace() && !content.records.empty())
        std::abort();   // nothing is kept from a file whose pool lies outside it
    if (d.poolInHeader != (content.recognised && content.header.poolOffset < 60))
        std::abort();
    return 0;
}
