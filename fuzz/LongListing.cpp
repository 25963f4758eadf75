// Listing bytes through the platform's long-format parser, entry by entry.
#include "Platform/CFNetwork/CFFTPResourceListing.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    std::size_t offset = 0;
    for (;;) {
        std::optional<CFFTPResourceEntry> parsed;
        const CFIndex consumed = CFFTPCreateParsedResourceListing(size == 0 ? nullptr : bytes + offset, static_cast<CFIndex>(size - offset), parsed);
        if (consumed == 0) break;
        // Only an unreadable buffer is refused, and no call may consume more than it was given.
        if (consumed < 0 || static_cast<std::size_t>(consumed) > size - offset) std::abort();
        if (parsed && ((parsed->size && *parsed->size < 0) || !parsed->name || parsed->name->empty())) std::abort();
        offset += static_cast<std::size_t>(consumed);
    }
    if (offset != size) std::abort();
    return 0;
}
