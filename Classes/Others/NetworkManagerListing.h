#pragma once

// The network manager's listing decoding: listing bytes or lines -> entries. Plain functions
// over bytes, with no connection; they run on the listing worker thread, one listing at a time.

#include "Classes/Others/FileEntry.h"
#include "Platform/CFNetwork/CFFTPResourceListing.h"
#include "Platform/Foundation/NSData.h"
#include "Platform/Foundation/NSStringEncoding.h"

#include <memory>
#include <string>
#include <vector>

// Long-format listing bytes (servers that do not greet as Microsoft, and every SFTP
// listing) -> entries, in listing order. Stops at bytes the platform parser cannot read,
// keeping the entries before them.
[[nodiscard]] std::vector<std::shared_ptr<FileEntry>> parseDirDataList(const NSData& listing);

// The entry with its name, which the platform parser read as Mac OS Roman, decoded again
// with `encoding`; unchanged when that does not work.
[[nodiscard]] CFFTPResourceEntry entryByReencodingNameInEntry(const CFFTPResourceEntry& entry, NSStringEncoding encoding);

// Listing lines of a server that greeted as Microsoft (one-line parser) -> entries.
[[nodiscard]] std::vector<std::shared_ptr<FileEntry>> parseDirList(const std::vector<std::string>& lines);

// A Microsoft server's listing bytes: split into lines, each decoded on its own (so one
// name in a legacy encoding cannot empty the listing) and freed of a trailing CR, then
// parseDirList.
[[nodiscard]] std::vector<std::shared_ptr<FileEntry>> parseMicrosoftListing(const NSData& listing);
