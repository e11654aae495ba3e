// Feeds arbitrary bytes to the langpack parser. The address sanitizer catches any read
// outside the input; the checks below catch views that point outside it.
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
    if (!content.recognised && !content.records.empty())
        std::abort();
    CheckInside(content.header.name, begin, size);
    if (content.header.name.size() > 32)
        std::abort();
    for (const LangpackRecordView &r : content.records) {
        if (r.isSingle() && r.values.size() != 1)
            std::abort();
        for (std::string_view v : r.values)
            CheckInside(v, begin, size);
    }
    return 0;
}
