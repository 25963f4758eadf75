#pragma once

#include <string>

// Bytes: a plain std::string holds them (size(), data(), contiguous, may hold zero bytes).
// Kept as an alias so bytes move between libcurl callbacks, decoders and files without copies
// or conversions.
using NSData = std::string;
