// Listing bytes into file entries, as a UNIX-style and as a Microsoft server's listing.
#include "Classes/Others/NetworkManager.h"
#include "Classes/Others/NetworkManagerListing.h"

#include "Platform/Foundation/NSLog.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Two log lines per entry would drown the fuzzer's output.
    static const bool quiet = (NSLogSetSink([](const std::string&) {}), true);
    (void)quiet;
    const NSData listing(reinterpret_cast<const char*>(data), size);
    for (const auto& entries : { parseDirDataList(listing), parseMicrosoftListing(listing) }) {
        for (const auto& entry : entries) {
            if (entry->size() < 0) std::abort();
            (void)entry->stringForFileSize();
            (void)entry->parseExtension();
        }
    }
    (void)NetworkManager::getStringFromData(listing);
    return 0;
}
