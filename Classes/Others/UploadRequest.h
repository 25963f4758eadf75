#pragma once

#include <string>

// The remote file name (in the work directory) and the whole text to store there.
struct UploadRequest {
    std::string name;
    std::u16string text;
};
