#pragma once

// The platform's reader of long-format directory listings ("ls -l" as FTP servers and
// OpenSSH's SFTP long names write them), one entry at a time.

#include "Platform/Foundation/NSDate.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

using CFIndex = long;

// Keys of a parsed entry; each names the field of CFFTPResourceEntry that carries it.
inline constexpr std::string_view kCFFTPResourceName = "kCFFTPResourceName";
inline constexpr std::string_view kCFFTPResourceSize = "kCFFTPResourceSize";
inline constexpr std::string_view kCFFTPResourceModDate = "kCFFTPResourceModDate";
inline constexpr std::string_view kCFFTPResourceType = "kCFFTPResourceType";
inline constexpr std::string_view kCFFTPResourceOwner = "kCFFTPResourceOwner";
inline constexpr std::string_view kCFFTPResourceGroup = "kCFFTPResourceGroup";
inline constexpr std::string_view kCFFTPResourceLink = "kCFFTPResourceLink";

// Values of kCFFTPResourceType: the directory-entry types of <dirent.h>.
enum CFFTPResourceKind : std::int32_t {
    kCFFTPResourceFifo = 1,
    kCFFTPResourceCharacterDevice = 2,
    kCFFTPResourceDirectory = 4,
    kCFFTPResourceBlockDevice = 6,
    kCFFTPResourceRegularFile = 8,
    kCFFTPResourceSymbolicLink = 10,
    kCFFTPResourceSocket = 12,
};

// One parsed entry. A field left empty is a key the entry does not carry.
struct CFFTPResourceEntry {
    // kCFFTPResourceName: the name's bytes read as Mac OS Roman (one character per byte), as
    // UTF-8 text; callers that know better re-decode it.
    std::optional<std::string> name;
    std::optional<std::int64_t> size;   // kCFFTPResourceSize: bytes, never negative
    std::optional<NSDate> modDate;      // kCFFTPResourceModDate
    std::optional<std::int32_t> type;   // kCFFTPResourceType
    // kCFFTPResourceOwner, kCFFTPResourceGroup, kCFFTPResourceLink: UTF-8 where the bytes are
    // UTF-8, else read as Mac OS Roman.
    std::optional<std::string> owner;
    std::optional<std::string> group;
    std::optional<std::string> link;

    friend bool operator==(const CFFTPResourceEntry&, const CFFTPResourceEntry&) = default;
};

// Reads the first line of `buffer`: answers the bytes it consumed (the line and its line
// feed; a last line without one counts too) with `parsed` holding the entry, or empty when
// the line is no entry ("total" lines, headings, lines it cannot read); 0 when no bytes
// remain; negative only when the buffer cannot be read at all (null with a length, or a
// negative length).
[[nodiscard]] CFIndex CFFTPCreateParsedResourceListing(const char* buffer, CFIndex bufferLength,
    std::optional<CFFTPResourceEntry>& parsed);

// The present time (seconds since 1970) by which a date listed with a time and no year is
// placed in the last twelve months: time() unless a test installs its own. nullptr
// restores time(). Answers the previous clock (nullptr for time()).
using CFFTPListingClock = std::int64_t (*)();
CFFTPListingClock CFFTPSetListingClock(CFFTPListingClock clock);
