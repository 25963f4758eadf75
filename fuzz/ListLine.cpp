// One listing line of any layout through the one-line parser.
#include "Classes/Others/ListLineParser.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* line = reinterpret_cast<const char*>(data);
    ListLineInfo info;
    if (parseListLine(info, line, size) != 1) return 0;
    // Results point into the line and sizes are never negative.
    const bool nameInside = info.nameLength >= 0 && info.name >= line && info.name + info.nameLength <= line + size;
    const bool idInside = info.idType == 0 || (info.idLength >= 0 && info.id >= line && info.id + info.idLength <= line + size);
    if (!nameInside || !idInside || info.size < 0) std::abort();
    return 0;
}
