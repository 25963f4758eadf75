#pragma once

#include "Platform/Foundation/NSStringEncoding.h"

#include <optional>
#include <string>

// The remote file name (in the work directory), the whole text to store there and the encoding
// the file was read with, which the text is written back in when it fits. `listed`: the file was
// in a listing, so a save that finds it gone makes it anew, with `listedMode` when that listing
// gave one.
struct UploadRequest {
    std::string name;
    std::u16string text;
    NSStringEncoding encoding { NSUTF8StringEncoding };
    bool listed { false };
    std::optional<unsigned> listedMode {};
};
