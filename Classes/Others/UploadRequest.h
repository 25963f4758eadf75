#pragma once

#include "Platform/Foundation/NSStringEncoding.h"

#include <string>

// The remote file name (in the work directory), the whole text to store there and the encoding
// the file was read with, which the text is written back in when it fits.
struct UploadRequest {
    std::string name;
    std::u16string text;
    NSStringEncoding encoding { NSUTF8StringEncoding };
};
