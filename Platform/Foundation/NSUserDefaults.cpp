#include "Platform/Foundation/NSUserDefaults.h"

#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kDefaultsFileMode = 0600;

std::string_view skipSpaces(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    return text;
}

// As the platform reads a string as a boolean: "Y", "y", "T", "t" or a non-zero digit after
// optional spaces, sign and zeros.
bool stringAsBool(std::string_view text)
{
    text = skipSpaces(text);
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    while (!text.empty() && text.front() == '0')
        text.remove_prefix(1);
    if (text.empty()) return false;
    const char first = text.front();
    return first == 'Y' || first == 'y' || first == 'T' || first == 't' || (first >= '1' && first <= '9');
}

std::int64_t stringAsInteger(std::string_view text)
{
    text = skipSpaces(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    std::int64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        return !text.empty() && text.front() == '-' ? INT64_MIN : INT64_MAX;
    return result.ec == std::errc() ? value : 0;
}

// Locale-independent, unlike strtod.
double stringAsDouble(std::string_view text)
{
    text = skipSpaces(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() ? value : 0;
}

// The file a chain of symbolic links at `path` ends in (itself when it is no link; the last
// link's target when that does not exist yet). nullopt, with errno set, for a loop or an
// unreadable link.
std::optional<std::string> resolvedLinkTarget(std::string path)
{
    constexpr int kMaxLinks = 40; // as the kernel allows
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        struct stat info { };
        if (::lstat(path.c_str(), &info) != 0) {
            if (errno == ENOENT) return path;
            return std::nullopt;
        }
        if (!S_ISLNK(info.st_mode)) return path;
        std::string target(static_cast<std::size_t>(PATH_MAX), '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0) return std::nullopt;
        if (static_cast<std::size_t>(length) >= target.size()) {
            errno = ENAMETOOLONG;
            return std::nullopt;
        }
        target.resize(static_cast<std::size_t>(length));
        path = !target.empty() && target.front() == '/'
            ? target
            : stringByAppendingPathComponent(stringByDeletingLastPathComponent(path), target);
    }
    errno = ELOOP;
    return std::nullopt;
}

std::string preferencesPathOfHome()
{
    return NSHomeDirectory() + "/Library/Preferences/" + NSUserDefaults::kDomainName + ".plist";
}

} // namespace

NSUserDefaults& NSUserDefaults::standardUserDefaults()
{
    static NSUserDefaults defaults;
    return defaults;
}

void NSUserDefaults::resetStandardUserDefaults()
{
    NSUserDefaults& defaults = standardUserDefaults();
    std::lock_guard lock(defaults.mutex_);
    defaults.loaded_ = false;
    defaults.fileIsCorrupt_ = false;
    defaults.readError_.clear();
    defaults.values_.clear();
    defaults.registered_.clear();
    defaults.checks_.clear();
}

NSUserDefaults::NSUserDefaults(std::string path)
    : path_(std::move(path))
{
}

std::string NSUserDefaults::path() const
{
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    return path_;
}

std::string NSUserDefaults::readError() const
{
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    return readError_;
}

void NSUserDefaults::loadIfNeeded() const
{
    if (loaded_) return;
    loaded_ = true;
    if (followsHome_) path_ = preferencesPathOfHome();
    values_.clear();
    fileIsCorrupt_ = false;
    readError_.clear();
    struct stat info { };
    if (::stat(path_.c_str(), &info) != 0) {
        // No file yet (a dangling link included): the first save makes it.
        if (errno == ENOENT) return;
        readError_ = std::strerror(errno);
    } else if (const auto bytes = NSFileManager::defaultManager().contentsAtPath(path_)) {
        std::optional<PlistValue> stored = NSPropertyListSerialization::propertyListWithData(*bytes);
        if (stored && stored->isDict()) {
            values_ = std::move(*stored->dictPtr());
            dropValuesThatCannotBeWritten();
            return;
        }
        // Read but not a dictionary: start empty and keep the file, which the next save moves
        // aside rather than overwrites.
        fileIsCorrupt_ = true;
        NSLogf("Could not read the user defaults in %s; starting empty, the file will be kept as %s.corrupt",
            path_.c_str(), path_.c_str());
        return;
    } else {
        readError_ = NSFileManager::lastError();
    }
    // Permissions, an I/O error, something that is no file: the settings may be intact, so
    // this session must not replace them with the few keys it sets.
    NSLogf("Could not read the user defaults in %s (%s); starting empty, and they will not be saved over",
        path_.c_str(), readError_.c_str());
}

void NSUserDefaults::dropValuesThatCannotBeWritten() const
{
    // A value the writer refuses (a real that is not a number, ...) would make every later save
    // fail, the master password's included. Such a key reads as absent, as the next launch
    // would see it; the file keeps the value, moved aside by the next save.
    std::string dropped;
    for (auto entry = values_.begin(); entry != values_.end();) {
        if (entry->first.find('\0') == std::string::npos && entry->second.isWritable()) {
            ++entry;
            continue;
        }
        dropped += (dropped.empty() ? "" : ", ") + entry->first;
        entry = values_.erase(entry);
    }
    if (dropped.empty()) return;
    fileIsCorrupt_ = true;
    NSLogf("The user defaults in %s hold values that cannot be saved (%s); they read as absent, and the file "
           "will be kept as %s.corrupt",
        path_.c_str(), dropped.c_str(), path_.c_str());
}

const PlistValue* NSUserDefaults::lookup(const std::string& key) const
{
    loadIfNeeded();
    if (const auto found = values_.find(key); found != values_.end()) {
        const auto check = checks_.find(key);
        if (check == checks_.end() || check->second(found->second)) return &found->second;
    }
    if (const auto found = registered_.find(key); found != registered_.end()) return &found->second;
    return nullptr;
}

PlistValue NSUserDefaults::objectForKey(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    const PlistValue* value = lookup(key);
    return value ? *value : PlistValue();
}

bool NSUserDefaults::hasStoredValueForKey(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    return values_.count(key) != 0;
}

bool NSUserDefaults::boolForKey(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    const PlistValue* value = lookup(key);
    if (!value) return false;
    return value->isString() ? stringAsBool(value->asString()) : value->asBool();
}

std::int64_t NSUserDefaults::integerForKey(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    const PlistValue* value = lookup(key);
    if (!value) return 0;
    return value->isString() ? stringAsInteger(value->asString()) : value->asInt();
}

double NSUserDefaults::doubleForKey(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    const PlistValue* value = lookup(key);
    if (!value) return 0;
    return value->isString() ? stringAsDouble(value->asString()) : value->asDouble();
}

std::optional<std::string> NSUserDefaults::stringForKey(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    const PlistValue* value = lookup(key);
    if (!value) return std::nullopt;
    switch (value->type()) {
    case PlistValue::Type::String:
        return value->asString();
    case PlistValue::Type::Bool:
    case PlistValue::Type::Integer:
        return std::to_string(value->asInt());
    case PlistValue::Type::Real: {
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value->asDouble());
        return std::string(buffer, result.ptr);
    }
    default:
        return std::nullopt;
    }
}

std::optional<PlistValue::Dictionary> NSUserDefaults::dictionaryForKey(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    const PlistValue* value = lookup(key);
    if (!value || !value->isDict()) return std::nullopt;
    return value->asDict();
}

std::optional<PlistValue::Array> NSUserDefaults::arrayForKey(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    const PlistValue* value = lookup(key);
    if (!value || !value->isArray()) return std::nullopt;
    return value->asArray();
}

void NSUserDefaults::setObject(const PlistValue& value, const std::string& key)
{
    if (value.isNull()) {
        removeObjectForKey(key);
        return;
    }
    if (!value.isWritable() || key.find('\0') != std::string::npos) {
        NSLogf("Refusing to store a value that cannot be written as a property list for key %s", key.c_str());
        return;
    }
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    values_.insert_or_assign(key, value);
}

void NSUserDefaults::setBool(bool value, const std::string& key)
{
    setObject(PlistValue(value), key);
}
void NSUserDefaults::setInteger(std::int64_t value, const std::string& key)
{
    setObject(PlistValue(value), key);
}
void NSUserDefaults::setDouble(double value, const std::string& key)
{
    setObject(PlistValue(value), key);
}
void NSUserDefaults::setString(const std::string& value, const std::string& key)
{
    setObject(PlistValue(value), key);
}

void NSUserDefaults::removeObjectForKey(const std::string& key)
{
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    values_.erase(key);
}

void NSUserDefaults::registerDefaults(const PlistValue::Dictionary& defaults)
{
    std::lock_guard lock(mutex_);
    for (const auto& [key, value] : defaults)
        registered_.insert_or_assign(key, value);
}

void NSUserDefaults::registerValueCheck(const std::string& key, ValueCheck check)
{
    std::lock_guard lock(mutex_);
    checks_.insert_or_assign(key, check);
}

bool NSUserDefaults::synchronize()
{
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    const auto xml = NSPropertyListSerialization::dataWithPropertyList(PlistValue(values_));
    if (!xml) {
        NSLogf("Could not encode the user defaults for %s", path_.c_str());
        return false;
    }
    if (!readError_.empty()) {
        NSLogf("Not saving the user defaults: %s could not be read (%s) and is kept as it is",
            path_.c_str(), readError_.c_str());
        return false;
    }
    // A link stays a link: the file it leads to is the one replaced.
    const std::optional<std::string> target = resolvedLinkTarget(path_);
    if (!target) {
        NSLogf("Not saving the user defaults: the links at %s lead nowhere (%s)", path_.c_str(),
            std::strerror(errno));
        return false;
    }
    auto& files = NSFileManager::defaultManager();
    if (fileIsCorrupt_) {
        // Never overwrite an unreadable file: someone may want it back.
        std::string aside = *target + ".corrupt";
        for (int n = 1; files.fileExistsAtPath(aside) && n < 1000; ++n)
            aside = *target + ".corrupt." + std::to_string(n);
        const bool moved = files.moveItemAtPath(*target, aside);
        if (!moved && files.fileExistsAtPath(*target)) {
            NSLogf(
                "Could not keep the unreadable user defaults aside: %s", NSFileManager::lastError().c_str());
            return false;
        }
        if (moved) {
            // It may hold the master password, whatever mode it had.
            if (::chmod(aside.c_str(), kDefaultsFileMode) != 0)
                NSLogf("Could not make %s private: %s", aside.c_str(), std::strerror(errno));
            NSLogf("Kept the user defaults as they were in %s", aside.c_str());
        }
        fileIsCorrupt_ = false;
    }
    if (!files.writeToFile(*target, *xml, kDefaultsFileMode)) {
        NSLogf("Could not write the user defaults: %s", NSFileManager::lastError().c_str());
        return false;
    }
    return true;
}

PlistValue::Dictionary NSUserDefaults::dictionaryRepresentation() const
{
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    return values_;
}
