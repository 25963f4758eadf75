#include "Platform/Foundation/NSBundle.h"

#include "Platform/Foundation/NSPathUtilities.h"

#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string executableFolder()
{
    std::string buffer(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) return ".";
    buffer.resize(static_cast<std::size_t>(length));
    const auto slash = buffer.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string(slash == 0 ? "/" : ".")
                                                    : buffer.substr(0, slash);
}

std::string locateMainBundle()
{
    if (const char* configured = std::getenv("LEXIPHANT_BUNDLE"); configured && *configured) {
        std::string path = configured;
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        return path;
    }
    const std::string folder = executableFolder();
    return (folder == "/" ? std::string() : folder) + "/Resources";
}

// A relative path that stays inside the bundle: no leading "/", no ".." component.
bool staysInside(const std::string& relative)
{
    if (!relative.empty() && relative.front() == '/') return false;
    const std::vector<std::string> components = pathComponents(relative);
    return std::find(components.begin(), components.end(), "..") == components.end();
}

} // namespace

NSBundle::NSBundle(std::string path)
    : path_(std::move(path))
    , info_(dictionaryWithContentsOfFile(path_ + "/Info.plist").value_or(PlistValue::Dictionary {}))
{
}

NSBundle& NSBundle::mainBundle()
{
    static NSBundle bundle(locateMainBundle());
    return bundle;
}

void NSBundle::resetMainBundleForTesting()
{
    mainBundle() = NSBundle(locateMainBundle());
}

std::optional<std::string> NSBundle::pathForResource(const std::string& name, const std::string& type) const
{
    return pathForResource(name, type, {});
}

std::optional<std::string> NSBundle::pathForResource(
    const std::string& name, const std::string& type, const std::string& inDirectory) const
{
    if (name.empty()) return std::nullopt;
    // "txt" and ".txt" both name the extension.
    const std::string extension = !type.empty() && type.front() == '.' ? type.substr(1) : type;
    std::string relative = inDirectory;
    while (!relative.empty() && relative.back() == '/')
        relative.pop_back();
    if (!relative.empty()) relative += '/';
    relative += name;
    if (!extension.empty()) relative += "." + extension;
    if (!staysInside(relative) || !staysInside(inDirectory)) return std::nullopt;
    std::string path = path_ + "/" + relative;
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return path;
}

const PlistValue& NSBundle::objectForInfoDictionaryKey(const std::string& key) const
{
    const auto& info = infoDictionary();
    const auto found = info.find(key);
    return found == info.end() ? PlistValue::null() : found->second;
}
