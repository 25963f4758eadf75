#include "Platform/Foundation/NSFileManager.h"

#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

thread_local std::string tlsLastError;

bool fail(const std::string& what, const std::string& path, int error)
{
    tlsLastError = what + " " + path + ": " + std::strerror(error);
    return false;
}

struct FdCloser {
    int fd { -1 };
    ~FdCloser()
    {
        if (fd >= 0) ::close(fd);
    }
};

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string homeFolderOfUser()
{
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return "/tmp";
}

// Makes one directory of the home layout, logging (not failing) when it cannot.
void ensureDirectory(const std::string& path, mode_t mode, bool exactMode)
{
    if (::mkdir(path.c_str(), mode) != 0 && errno != EEXIST) {
        NSLogf("Could not create directory %s: %s", path.c_str(), std::strerror(errno));
        return;
    }
    struct stat info { };
    if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        NSLogf("Not a directory: %s", path.c_str());
        return;
    }
    // The private temporary folder must stay private even if it existed with a wider mode.
    if (exactMode && (info.st_mode & 07777) != mode && info.st_uid == ::geteuid())
        ::chmod(path.c_str(), mode);
}

bool writeAll(int fd, std::string_view bytes)
{
    const char* at = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, at, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        at += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

std::string NSHomeDirectory()
{
    std::string home;
    if (const char* configured = std::getenv("LEXIPHANT_HOME"); configured && *configured)
        home = withoutTrailingSlashes(configured);
    else
        home = withoutTrailingSlashes(homeFolderOfUser()) + "/.local/share/lexiphant";
    // Cheap when everything exists; recreates what someone removed while we ran.
    if (!NSFileManager::defaultManager().createDirectoryAtPath(home, true, 0755))
        NSLogf("Could not create the home folder: %s", NSFileManager::lastError().c_str());
    ensureDirectory(home + "/Documents", 0755, false);
    ensureDirectory(home + "/Library", 0755, false);
    ensureDirectory(home + "/Library/Preferences", 0755, false);
    ensureDirectory(home + "/tmp", 0700, true);
    ensureDirectory(home + "/Outbox", 0755, false);
    return home;
}

std::string NSTemporaryDirectory()
{
    return NSHomeDirectory() + "/tmp/";
}

NSFileManager& NSFileManager::defaultManager()
{
    static NSFileManager manager;
    return manager;
}

const std::string& NSFileManager::lastError()
{
    return tlsLastError;
}

std::string NSFileManager::documentsDirectory() const
{
    return NSHomeDirectory() + "/Documents";
}
std::string NSFileManager::libraryDirectory() const
{
    return NSHomeDirectory() + "/Library";
}
std::string NSFileManager::outboxDirectory() const
{
    return NSHomeDirectory() + "/Outbox";
}

bool NSFileManager::fileExistsAtPath(const std::string& path) const
{
    bool isDirectory = false;
    return fileExistsAtPath(path, isDirectory);
}

bool NSFileManager::fileExistsAtPath(const std::string& path, bool& isDirectory) const
{
    struct stat info { };
    isDirectory = false;
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return false;
    isDirectory = S_ISDIR(info.st_mode);
    return true;
}

std::optional<std::string> NSFileManager::contentsAtPath(const std::string& path) const
{
    // Non-blocking open: a FIFO or device in the way must not hang the caller.
    FdCloser file { ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK) };
    if (file.fd < 0) return fail("Could not open", path, errno), std::nullopt;
    struct stat info { };
    if (::fstat(file.fd, &info) != 0) return fail("Could not inspect", path, errno), std::nullopt;
    if (!S_ISREG(info.st_mode))
        return fail("Not a regular file:", path, S_ISDIR(info.st_mode) ? EISDIR : EINVAL), std::nullopt;
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    while (true) {
        const ssize_t got = ::read(file.fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return fail("Could not read", path, errno), std::nullopt;
        }
        if (got == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
}

bool NSFileManager::createDirectoryAtPath(
    const std::string& path, bool withIntermediateDirectories, mode_t mode) const
{
    if (path.empty()) return fail("Could not create directory", path, ENOENT);
    const std::string target = withoutTrailingSlashes(path);
    std::vector<std::string> steps;
    if (withIntermediateDirectories) {
        for (std::size_t slash = target.find('/', 1); slash != std::string::npos;
             slash = target.find('/', slash + 1))
            if (target[slash - 1] != '/') steps.push_back(target.substr(0, slash));
    }
    steps.push_back(target);
    for (const std::string& step : steps) {
        if (::mkdir(step.c_str(), mode) == 0) continue;
        const int error = errno;
        struct stat info { };
        if (error == EEXIST && ::stat(step.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) continue;
        return fail("Could not create directory", step, error == EEXIST ? ENOTDIR : error);
    }
    return true;
}

bool NSFileManager::writeToFile(const std::string& path, std::string_view bytes, mode_t mode) const
{
    if (path.empty() || path.back() == '/') return fail("Could not write", path, EISDIR);
    const std::string parent = stringByDeletingLastPathComponent(path);
    const std::string directory = parent.empty() ? "." : parent;
    const std::string name = lastPathComponent(path);
    std::string temporary = directory + "/." + name + ".XXXXXX";
    FdCloser file { ::mkstemp(temporary.data()) };
    if (file.fd < 0) return fail("Could not create a temporary file for", path, errno);
    auto discard = [&](const char* what) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return fail(what, path, error);
    };
    // Exactly the mode asked for, whatever the umask.
    if (::fchmod(file.fd, mode) != 0) return discard("Could not set the mode of");
    if (!writeAll(file.fd, bytes)) return discard("Could not write");
    if (::fsync(file.fd) != 0) return discard("Could not flush");
    const int fd = file.fd;
    file.fd = -1;
    if (::close(fd) != 0) return discard("Could not close");
    if (::rename(temporary.c_str(), path.c_str()) != 0) return discard("Could not replace");
    // Make the rename itself durable; a failure here loses nothing already visible.
    FdCloser folder { ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) };
    if (folder.fd >= 0) ::fsync(folder.fd);
    return true;
}

bool NSFileManager::removeItemAtPath(const std::string& path) const
{
    struct stat info { };
    if (path.empty() || ::lstat(path.c_str(), &info) != 0)
        return fail("Could not remove", path, path.empty() ? ENOENT : errno);
    // rmdir refuses a directory with anything in it: never a recursive delete.
    const int result = S_ISDIR(info.st_mode) ? ::rmdir(path.c_str()) : ::unlink(path.c_str());
    if (result != 0) return fail("Could not remove", path, errno);
    return true;
}

bool NSFileManager::moveItemAtPath(const std::string& from, const std::string& to) const
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return fail("Could not move", from, errno);
    // File systems without no-replace renames: check first.
    struct stat info { };
    if (::lstat(to.c_str(), &info) == 0) return fail("Could not move", from, EEXIST);
    if (::rename(from.c_str(), to.c_str()) != 0) return fail("Could not move", from, errno);
    return true;
}

std::optional<std::vector<std::string>> NSFileManager::contentsOfDirectoryAtPath(
    const std::string& path) const
{
    std::unique_ptr<DIR, DirCloser> dir(::opendir(path.c_str()));
    if (!dir) return fail("Could not list", path, errno), std::nullopt;
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    if (errno != 0) return fail("Could not list", path, errno), std::nullopt;
    std::sort(names.begin(), names.end());
    return names;
}
