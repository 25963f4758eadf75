// Property lists come from the bundle and from the user-defaults file on disk: any bytes must be
// refused or read, never crash, and whatever is read must write and read back.
#include "Platform/Foundation/NSPropertyList.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto value = NSPropertyListSerialization::propertyListWithData(bytes);
    if (!value) return 0;
    // Touch every accessor path once.
    (void)value->asString();
    (void)value->asInt();
    (void)value->objectForKey("key").objectAtIndex(0).asDouble();
    if (!value->isWritable()) return 0;
    const auto xml = NSPropertyListSerialization::dataWithPropertyList(*value);
    if (!xml) std::abort(); // writable values must write
    if (!NSPropertyListSerialization::propertyListWithData(*xml)) std::abort(); // and read back
    return 0;
}
