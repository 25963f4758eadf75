// The listing and text decoding of NetworkManager.

#include "Classes/Others/ListLineParser.h"
#include "Classes/Others/NetworkManager.h"
#include "Classes/Others/NetworkManagerListing.h"
#include "Classes/Others/PermissionHelpers.h"

#include "Platform/Foundation/NSLog.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>

namespace {

// The order in which downloaded text, and each line of a Microsoft listing, is tried.
constexpr NSStringEncoding kTextEncodings[] = { NSUTF8StringEncoding, NSISOLatin1StringEncoding, NSASCIIStringEncoding };

bool isAscii(std::string_view bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Bytes as UTF-8 text by the text decoder's order; Latin 1 reads anything.
std::string decodeTextAsUtf8(std::string_view bytes)
{
    if (isAscii(bytes)) return std::string(bytes);
    for (const NSStringEncoding encoding : kTextEncodings)
        if (auto text = utf8StringFromData(bytes, encoding)) return std::move(*text);
    return std::string();
}

// The permission text a long-listing line starts with, into the entry's rights and mode; the
// entry's type stays the listing's (a link to a folder is a folder to the screens).
void takePermissions(FileEntry& file, std::string_view line)
{
    const std::string_view text = line.substr(0, line.find_first_of(" \t"));
    if (!Connection::modeOfPermissions(text))
        return;
    const std::int32_t dirType = file.dirType();
    file.parsePermissions(text);
    file.setDirType(dirType);
}

// The text of a line that no entry was read from, when it may be the rest of the name listed
// just before it: a name holding a line break breaks its listing line in two (over FTP a
// carriage return arrives as a line feed too). Blank lines, "total" lines, lines holding a NUL
// and lines that start like an entry (unreadable ones) are none.
std::optional<std::string> nameTailOf(std::string_view line)
{
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string_view::npos || line.find('\0') != std::string_view::npos)
        return std::nullopt;
    const std::string_view first = line.substr(0, line.find_first_of(" \t"));
    if (first == "total" || Connection::modeOfPermissions(first))
        return std::nullopt;
    // Decoded as the names are: UTF-8 where the bytes are UTF-8, else one character per byte.
    if (auto text = utf8StringFromData(line, NSUTF8StringEncoding)) return text;
    return utf8StringFromData(line, NSMacOSRomanStringEncoding);
}

void logParsingResult(int result)
{
    char line[32] = "Parsing returned ";
    constexpr std::size_t prefix = sizeof("Parsing returned ") - 1;
    const auto end = std::to_chars(line + prefix, line + sizeof(line), result).ptr;
    NSLog(std::string_view(line, static_cast<std::size_t>(end - line)));
}

void logNames(const std::string& name, std::string_view fromName)
{
    // Two lines per entry: reuse one buffer rather than allocate for each.
    thread_local std::string line;
    line.clear();
    line.append("Names: ").append(name).append("/").append(fromName).append("...");
    NSLog(line);
}

} // namespace

using Entries = NetworkManager::Entries;

Entries parseDirDataList(const NSData& listing)
{
    Entries entries;
    // At most one entry per line: one allocation instead of a series of ever larger ones.
    entries.reserve(static_cast<std::size_t>(std::count(listing.begin(), listing.end(), '\n')) + 1);
    std::size_t offset = 0;
    // The entry of the line just before, while a broken name may go on in the next one.
    FileEntry* broken = nullptr;
    for (;;) {
        std::optional<CFFTPResourceEntry> parsed;
        const CFIndex consumed = CFFTPCreateParsedResourceListing(listing.data() + offset,
            static_cast<CFIndex>(listing.size() - offset), parsed);
        if (consumed == 0) return entries;
        if (consumed < 0) {
            NSLog("HUGE PARSING FAIL");
            return entries;
        }
        const std::size_t length = std::min(static_cast<std::size_t>(consumed), listing.size() - offset);
        const std::string_view line(listing.data() + offset, length);
        if (!parsed && broken != nullptr) {
            // The rest of the name, not an entry of its own: joined on with the line feed it
            // broke at, so the row shows the whole name and no command names a wrong entry.
            std::string_view text = line;
            if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
            if (std::optional<std::string> tail = nameTailOf(text)) {
                // A link's target follows the whole name.
                const std::size_t arrow = tail->find(" -> ");
                if (!broken->strRights().empty() && broken->strRights().front() == 'l' && !broken->isLink()
                    && arrow != std::string::npos) {
                    broken->setSymlink(tail->substr(arrow + 4));
                    tail->resize(arrow);
                }
                broken->setName(broken->name() + "\n" + *tail);
                if (!broken->isDirectory()) (void)broken->parseExtension();
            } else {
                broken = nullptr;
            }
        }
        if (parsed) {
            const CFFTPResourceEntry entry = entryByReencodingNameInEntry(*parsed, NSUTF8StringEncoding);
            auto file = std::make_shared<FileEntry>();
            file->setSize(entry.size.value_or(0));
            file->setDate(entry.modDate);
            file->setName(entry.name.value_or(std::string()));
            file->setGroup(entry.group.value_or(std::string()));
            file->setSymlink(entry.link.value_or(std::string()));
            file->setOwner(entry.owner.value_or(std::string()));
            if (entry.type.value_or(0) == kCFFTPResourceDirectory) {
                file->setDirType(FileEntry::kDirectoryOrLink);
            } else {
                file->setDirType(FileEntry::kPlainFile);
                (void)file->parseExtension();
            }
            takePermissions(*file, line);
            broken = file.get();
            entries.push_back(std::move(file));
        }
        // The offset never passes the end, whatever the parser answers.
        offset += length;
    }
}

CFFTPResourceEntry entryByReencodingNameInEntry(const CFFTPResourceEntry& entry, NSStringEncoding encoding)
{
    if (!entry.name) return entry;
    const std::string& name = *entry.name;
    // Mac OS Roman and the encodings asked for agree on ASCII: nothing to undo.
    if (isAscii(name) && (encoding == NSUTF8StringEncoding || encoding == NSISOLatin1StringEncoding
            || encoding == NSASCIIStringEncoding || encoding == NSMacOSRomanStringEncoding))
        return entry;
    const std::optional<NSData> bytes = dataUsingEncoding(std::string_view(name), NSMacOSRomanStringEncoding);
    if (!bytes) return entry;
    std::optional<std::string> decoded = utf8StringFromData(*bytes, encoding);
    if (!decoded) return entry;
    CFFTPResourceEntry reencoded = entry;
    reencoded.name = std::move(*decoded);
    return reencoded;
}

Entries parseDirList(const std::vector<std::string>& lines)
{
    Entries entries;
    entries.reserve(lines.size());
    for (const std::string& line : lines) {
        ListLineInfo info;
        const int result = parseListLine(info, line.data(), line.size());
        logParsingResult(result);
        if (result < 1) continue;

        auto file = std::make_shared<FileEntry>();
        file->setName(decodeTextAsUtf8(std::string_view(info.name, static_cast<std::size_t>(info.nameLength))));
        file->setSize(info.size);
        file->setDate(NSDate::dateWithTimeIntervalSince1970(static_cast<double>(info.mtime)));
        file->setDirType(info.tryCwd ? FileEntry::kDirectoryOrLink : FileEntry::kPlainFile);
        (void)file->parseExtension();
        takePermissions(*file, line); // UNIX lines have them; MS-DOS lines have none
        const auto nameOffset = static_cast<std::size_t>(info.name - line.data());
        logNames(file->name(), std::string_view(line).substr(nameOffset));
        entries.push_back(std::move(file));
    }
    return entries;
}

Entries parseMicrosoftListing(const NSData& listing)
{
    std::vector<std::string> lines;
    std::string_view rest(listing);
    for (;;) {
        const std::size_t newline = rest.find('\n');
        std::string_view line = rest.substr(0, newline);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(decodeTextAsUtf8(line));
        if (newline == std::string_view::npos) break;
        rest.remove_prefix(newline + 1);
    }
    return parseDirList(lines);
}

EncodedString NetworkManager::getStringFromData(const NSData& data)
{
    for (const NSStringEncoding encoding : kTextEncodings) {
        if (auto text = stringFromData(data, encoding)) return EncodedString { std::move(*text), encoding };
    }
    return EncodedString {};
}
