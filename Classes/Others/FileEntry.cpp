#include "Classes/Others/FileEntry.h"

#include "Classes/Others/PermissionHelpers.h"

#include "Platform/Foundation/NSException.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

struct KindByExtension {
    std::string_view extension;
    std::int32_t kind;
};

constexpr KindByExtension kKinds[] = {
    { "TXT", 1 },
    { "CSS", 2 },
    { "HTML", 3 }, { "HTM", 3 },
    { "JS", 4 },
    { "PHP", 5 }, { "PHP5", 5 }, { "PHP4", 5 }, { "PHPS", 5 },
    { "JPG", 6 }, { "JPEG", 6 }, { "PNG", 6 }, { "BMP", 6 }, { "GIF", 6 },
    { "XML", 7 },
    { "XLS", 8 },
    { "PDF", 9 },
    { "PPT", 10 },
    { "DOC", 11 },
    { "RTF", 12 },
    { "CSV", 13 },
    { "ASP", 14 }, { "ASPX", 14 },
    { "HTACCESS", 15 },
    { "PL", 16 }, { "PM", 16 },
    { "INI", 17 },
    { "LOG", 18 },
    { "PHTML", 19 }, { "PHTM", 19 },
    { "TPL", 20 },
    { "RB", 21 }, { "RBW", 21 },
    { "PY", 22 }, { "PYW", 22 }, { "PYC", 22 }, { "PYD", 22 },
};

std::int32_t kindForExtension(std::string_view upperExtension)
{
    for (const auto& entry : kKinds)
        if (entry.extension == upperExtension) return entry.kind;
    return 0;
}

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Names are nearly always ASCII; only others pay for full Unicode case mapping.
std::string upper(std::string_view utf8)
{
    if (!isAscii(utf8)) return uppercaseString(utf8);
    std::string result(utf8);
    for (char& c : result)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return result;
}

// The last `count` characters (UTF-16 units) of a name upper-cased, or nullopt when the name
// has no more than 8 of them (the one bound both compound suffixes share).
std::optional<std::string> upperTailOfLongName(std::string_view name, std::size_t count)
{
    if (isAscii(name)) {
        if (name.size() <= 8) return std::nullopt;
        return upper(name.substr(name.size() - count));
    }
    const std::u16string units = utf8ToUtf16(name);
    if (units.size() <= 8) return std::nullopt;
    return utf16ToUtf8(uppercaseString(std::u16string_view(units).substr(units.size() - count)));
}

} // namespace

std::string FileEntry::parseExtension()
{
    std::string extension = upper(pathExtension(name_));
    const bool couldBeHtaccess = name_.size() == 9 || !isAscii(name_);
    if (!name_.empty() && couldBeHtaccess && upper(name_) == ".HTACCESS") extension = "HTACCESS";
    if (upperTailOfLongName(name_, 7) == ".JS.INC") {
        extension = "JS";
    } else if (upperTailOfLongName(name_, 8) == ".PHP.INC") {
        extension = "PHP";
    }
    extType_ = kindForExtension(extension);
    return extension;
}

std::string FileEntry::stringForFileSize() const
{
    const std::int64_t v = size_;
    const double x = static_cast<double>(size_);
    if (v == 1) return "1 byte";
    if (v < 1024) return stringWithFormat("%llu bytes", static_cast<unsigned long long>(v));
    if (x < 1048576.0) return stringForNumberAsUnits(x / 1024.0, "KB");
    if (x < 1073741824.0) return stringForNumberAsUnits(x / 1048576.0, "MB");
    return stringForNumberAsUnits(x / 1073741824.0, "GB");
}

std::string FileEntry::stringForNumberAsUnits(double value, std::string_view units)
{
    double whole = 0;
    const double fraction = std::modf(value, &whole);
    const std::string unitText(units);
    if (fraction < 0.1 || fraction > 0.9) return stringWithFormat("%.0f %s", std::round(value), unitText.c_str());
    return stringWithFormat("%.1f %s", value, unitText.c_str());
}

void FileEntry::parsePermissions(std::string_view permissions)
{
    strRights_ = std::string(permissions);
    const char type = permissions.empty() ? '\0' : permissions[0];
    switch (type) {
    case 'l':
        dirType_ = kDirectoryOrLink;
        break;
    case 'd':
        dirType_ = kDirectoryByPermissions;
        break;
    case '-':
        dirType_ = kPlainFile;
        break;
    default:
        dirType_ = kOtherType;
        break;
    }
    mode_.reset();
    if (permissions.size() < 2) return;
    const char second = permissions[1];
    if (second == ' ') return; // the bracketed rights form keeps rights as they were
    if (second != 'r' && second != '-') {
        NSLog("Unknown FTP Permission State");
        return;
    }
    // One reader for every listing: "s" and "t" grant execute as "x" does.
    if (const std::optional<unsigned> mode = Connection::modeOfPermissions(permissions)) {
        mode_ = mode;
        for (std::size_t row = 0; row < 3; ++row)
            for (std::size_t column = 0; column < 3; ++column)
                rights_[row][column] = (*mode >> (8 - row * 3 - column)) & 1u ? 1 : 0;
        return;
    }
    // A text cut short grants nothing for its missing characters.
    static constexpr char kLetters[3] = { 'r', 'w', 'x' };
    for (std::size_t row = 0; row < 3; ++row) {
        for (std::size_t column = 0; column < 3; ++column) {
            const std::size_t at = 1 + row * 3 + column;
            rights_[row][column] = (at < permissions.size() && permissions[at] == kLetters[column]) ? 1 : 0;
        }
    }
}

void FileEntry::parseMPermissions(std::string_view permissions)
{
    strRights_ = std::string(permissions);
    mode_.reset();
    const bool octalForm = permissions.size() == 4
        && std::all_of(permissions.begin(), permissions.end(), [](char c) { return c >= '0' && c <= '7'; });
    if (octalForm)
        mode_ = unsigned(permissions[0] - '0') << 9 | unsigned(permissions[1] - '0') << 6
            | unsigned(permissions[2] - '0') << 3 | unsigned(permissions[3] - '0');
    for (std::size_t row = 0; row < 3; ++row) {
        const std::size_t at = 1 + row;
        const char c = at < permissions.size() ? permissions[at] : '0';
        const int digit = (c >= '0' && c <= '7') ? c - '0' : 0;
        rights_[row][0] = static_cast<std::int16_t>(digit & 4);
        rights_[row][1] = static_cast<std::int16_t>(digit & 2);
        rights_[row][2] = static_cast<std::int16_t>(digit & 1);
    }
}

const std::array<std::int16_t, 3>& FileEntry::rightsRow(std::int16_t target) const
{
    // A negative target would read outside the rights as surely as one above 2.
    if (target < 0 || target >= 3)
        throw NamedException("NSInternalInconsistencyException", "target < 3 (Classes/Others/NetworkHelper)");
    return rights_[static_cast<std::size_t>(target)];
}

std::optional<unsigned> FileEntry::fileMode() const
{
    // A link's own mode says nothing of the file it points to.
    const bool plainText = !strRights_.empty() && (strRights_[0] == '-' || std::isdigit(static_cast<unsigned char>(strRights_[0])));
    if (dirType_ != kPlainFile || !plainText)
        return std::nullopt;
    return mode_;
}

bool FileEntry::canRead(std::int16_t target) const { return rightsRow(target)[0] != 0; }
bool FileEntry::canWrite(std::int16_t target) const { return rightsRow(target)[1] != 0; }
bool FileEntry::canExecute(std::int16_t target) const { return rightsRow(target)[2] != 0; }
