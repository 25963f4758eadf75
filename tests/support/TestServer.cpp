#include "tests/support/TestServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// Servers still running at exit are stopped by one atexit handler. The set is
// never destroyed, so the handler can run after other statics are gone.
struct Registry {
    std::mutex mutex;
    std::set<TestServer*> running;
};

Registry& registry()
{
    static Registry* const instance = new Registry;
    return *instance;
}

void stopAllAtExit()
{
    for (;;) {
        TestServer* server = nullptr;
        {
            std::lock_guard lock(registry().mutex);
            if (registry().running.empty()) return;
            server = *registry().running.begin();
        }
        server->stop(); // removes itself from the set
    }
}

void unregister(TestServer* server)
{
    std::lock_guard lock(registry().mutex);
    registry().running.erase(server);
}

std::runtime_error systemError(const std::string& what)
{
    return std::runtime_error(what + ": " + std::strerror(errno));
}

// Connects to 127.0.0.1:port and reads the first line the server sends.
std::optional<std::string> firstLine(int port, std::chrono::milliseconds timeout)
{
    UniqueFd sock(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!sock) return std::nullopt;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(sock.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return std::nullopt;
    std::string line;
    const auto deadline = Clock::now() + timeout;
    while (line.find('\n') == std::string::npos && line.size() < 1024) {
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) break;
        pollfd p { sock.get(), POLLIN, 0 };
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) break;
        char buffer[256];
        const ssize_t n = ::recv(sock.get(), buffer, sizeof buffer, 0);
        if (n <= 0) break;
        line.append(buffer, static_cast<std::size_t>(n));
    }
    if (line.empty()) return std::nullopt;
    return line.substr(0, line.find_first_of("\r\n"));
}

} // namespace

TestServer::~TestServer()
{
    stop();
}

bool TestServer::running()
{
    return process_.running();
}

void TestServer::registerRunning()
{
    static std::once_flag once;
    std::call_once(once, [] { std::atexit(stopAllAtExit); });
    std::lock_guard lock(registry().mutex);
    registry().running.insert(this);
}

void TestServer::stop()
{
    unregister(this);
    process_.stop();
    removeFolders();
    port_ = 0;
}

void TestServer::removeFolders() noexcept
{
    std::error_code ignored;
    if (rootOutside_ && !rootDir_.empty()) fs::remove_all(rootDir_, ignored);
    if (!workDir_.empty()) fs::remove_all(workDir_, ignored);
    rootDir_.clear();
    workDir_.clear();
    logPath_.clear();
    rootOutside_ = false;
}

void TestServer::makeWorkDir(std::string_view prefix)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern
        = (tmp && *tmp ? std::string(tmp) : std::string("/tmp")) + "/" + std::string(prefix) + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw systemError("cannot make a temporary folder " + pattern);
    workDir_ = pattern;
    logPath_ = workDir_ / "server.log";
    rootDir_ = workDir_ / "root";
    rootOutside_ = false;
    fs::create_directory(rootDir_);
}

void TestServer::waitUntilServing(std::string_view prefix, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    std::string lastAnswer;
    while (Clock::now() < deadline) {
        if (!process_.running())
            throw std::runtime_error(failure("the server " + process_.statusText() + " before it served"));
        if (auto line = firstLine(port_, std::chrono::milliseconds(1000))) {
            if (line->starts_with(prefix)) return;
            lastAnswer = *line;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::string what = "nothing answered on port " + std::to_string(port_) + " in time";
    if (!lastAnswer.empty()) what += " (last answer: \"" + lastAnswer + "\")";
    throw std::runtime_error(failure(what));
}

std::string TestServer::failure(std::string_view what) const
{
    std::string message(what);
    std::string log = logText();
    if (!log.empty()) {
        // The end of the log usually says why.
        constexpr int kLinesShown = 16;
        std::size_t start = log.size();
        for (int newlines = 0; newlines <= kLinesShown && start > 0; ++newlines) {
            const auto newline = log.rfind('\n', start - 1);
            start = newline == std::string::npos ? 0 : newline;
        }
        if (log[start] == '\n') ++start;
        message += "\n--- end of the server's log ---\n" + log.substr(start);
    }
    return message;
}

std::string TestServer::logText() const
{
    if (logPath_.empty()) return {};
    std::ifstream in(logPath_, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

fs::path TestServer::pathFor(std::string_view relative) const
{
    if (rootDir_.empty()) throw std::logic_error("TestServer: no root folder (server not started)");
    const fs::path rel(relative);
    if (rel.is_absolute())
        throw std::invalid_argument(
            "TestServer: path must be relative to the root: " + std::string(relative));
    for (const auto& part : rel)
        if (part == "..")
            throw std::invalid_argument("TestServer: path leaves the root: " + std::string(relative));
    return (rootDir_ / rel).lexically_normal();
}

void TestServer::giveToOwner(const fs::path& path) const
{
    if (ownerUid_ == static_cast<uid_t>(-1)) return;
    if (::lchown(path.c_str(), ownerUid_, ownerGid_) != 0)
        throw systemError("cannot give " + path.string() + " to the server's account");
}

void TestServer::makeDir(std::string_view relative) const
{
    const fs::path target = pathFor(relative);
    fs::path current = rootDir_;
    for (const auto& part : target.lexically_relative(rootDir_)) {
        if (part.empty() || part == ".") continue;
        current /= part;
        if (::mkdir(current.c_str(), 0755) == 0)
            giveToOwner(current);
        else if (errno != EEXIST)
            throw systemError("cannot make folder " + current.string());
    }
}

void TestServer::writeFile(std::string_view relative, std::string_view bytes) const
{
    const fs::path path = pathFor(relative);
    makeDir(path.parent_path().lexically_relative(rootDir_).string());
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd) throw systemError("cannot write " + path.string());
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw systemError("cannot write " + path.string());
        done += static_cast<std::size_t>(n);
    }
    giveToOwner(path);
}

void TestServer::makeSparseFile(std::string_view relative, std::uint64_t size) const
{
    const fs::path path = pathFor(relative);
    makeDir(path.parent_path().lexically_relative(rootDir_).string());
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd || ::ftruncate(fd.get(), static_cast<off_t>(size)) != 0)
        throw systemError("cannot make sparse file " + path.string());
    giveToOwner(path);
}

void TestServer::setModificationTime(std::string_view relative, std::time_t secondsSince1970) const
{
    const fs::path path = pathFor(relative);
    const timespec times[2] = { { secondsSince1970, 0 }, { secondsSince1970, 0 } };
    if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throw systemError("cannot set the time of " + path.string());
}

std::optional<std::string> TestServer::readFile(std::string_view relative) const
{
    std::ifstream in(pathFor(relative), std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool TestServer::exists(std::string_view relative) const
{
    std::error_code ignored;
    return fs::exists(fs::symlink_status(pathFor(relative), ignored));
}

void TestServer::clearRoot() const
{
    if (rootDir_.empty()) return;
    for (const auto& entry : fs::directory_iterator(rootDir_))
        fs::remove_all(entry.path());
}
