#pragma once

#include "Platform/Foundation/NSData.h"

#include <cstddef>
#include <cstdint>

// User data of the write and read callbacks for one perform; local to the operation that
// installs it and removed from the handle before that operation returns.
struct TransferData {
    enum Kind : std::int32_t {
        kListing = 0,  // listing into memory
        kDownload = 2, // download into memory
        kUpload = 3,   // upload from memory
    };

    Kind kind { kListing };
    // Receives the bytes (kinds 0 and 2) or supplies them (kind 3).
    NSData* data { nullptr };
    // Kind 3: bytes already supplied and bytes to supply in all.
    std::size_t position { 0 };
    std::size_t length { 0 };
    // Kinds 0 and 2: the most bytes kept in memory; past it the transfer is ended.
    std::size_t limit { SIZE_MAX };
    bool overflowed { false };
    // The libcurl handle of the perform, asked once for the announced size so that a large
    // download grows its buffer once; may be null.
    void* handle { nullptr };
};
