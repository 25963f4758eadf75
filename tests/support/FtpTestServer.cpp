#include "tests/support/FtpTestServer.h"

#include <unistd.h>

#include <charconv>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace {

// Debian's interpreter: the python3 on PATH may lack pyftpdlib.
constexpr const char* kPython = "/usr/bin/python3";
constexpr auto kStartTimeout = std::chrono::seconds(10);

std::string launcherPath()
{
    return std::string(LEXIPHANT_TEST_SUPPORT_DIR) + "/ftp_server.py";
}

bool hasLineBreak(const std::string& text)
{
    return text.find_first_of("\r\n") != std::string::npos;
}

std::vector<std::string> launcherArguments(const FtpServerOptions& options, const std::string& root)
{
    // -I: no PYTHON* variables or user site from the test's environment.
    std::vector<std::string> argv { kPython, "-I", launcherPath(), "--root", root, "--user", options.user,
        "--password", options.password };
    if (!options.readOnlyUser.empty())
        argv.insert(argv.end(),
            { "--read-only-user", options.readOnlyUser, "--read-only-password", options.readOnlyPassword });
    if (!options.greeting.empty()) argv.insert(argv.end(), { "--greeting", options.greeting });
    if (options.msdosListing) argv.push_back("--msdos");
    if (options.throttleBytesPerSecond > 0)
        argv.insert(argv.end(), { "--throttle", std::to_string(options.throttleBytesPerSecond) });
    for (const auto& command : options.dropOnCommands)
        argv.insert(argv.end(), { "--drop-on", command });
    for (const auto& command : options.dropAfterCommands)
        argv.insert(argv.end(), { "--drop-after", command });
    if (options.drops > 0)
        argv.insert(argv.end(), { "--drops", std::to_string(options.drops) });
    for (const auto& command : options.refuseCommands)
        argv.insert(argv.end(), { "--refuse", command });
    if (options.refusals > 0)
        argv.insert(argv.end(), { "--refusals", std::to_string(options.refusals) });
    if (options.quotaBytes > 0)
        argv.insert(argv.end(), { "--quota", std::to_string(options.quotaBytes) });
    if (options.hideDotFiles) argv.push_back("--hide-dot-files");
    if (options.refuseListOptions) argv.push_back("--refuse-list-options");
    return argv;
}

struct SharedFtp {
    FtpTestServer::Options options;
    std::unique_ptr<FtpTestServer> server;
    std::string error;
};

} // namespace

FtpTestServer::Options FtpTestServer::microsoft()
{
    Options options;
    options.greeting = "Microsoft FTP Service";
    options.msdosListing = true;
    return options;
}

FtpTestServer& FtpTestServer::shared(const Options& options)
{
    static std::mutex mutex;
    static std::vector<std::unique_ptr<SharedFtp>> servers;
    std::lock_guard lock(mutex);
    for (auto& entry : servers) {
        if (entry->options != options) continue;
        if (!entry->error.empty()) throw std::runtime_error(entry->error);
        return *entry->server;
    }
    auto& entry = servers.emplace_back(std::make_unique<SharedFtp>());
    entry->options = options;
    entry->server = std::make_unique<FtpTestServer>();
    try {
        entry->server->start(options);
    } catch (const std::exception& e) {
        entry->error = e.what();
        throw;
    }
    return *entry->server;
}

void FtpTestServer::start(const Options& options)
{
    if (process().started()) throw std::logic_error("FtpTestServer::start: already started");
    if (options.user.empty() || hasLineBreak(options.user) || hasLineBreak(options.password)
        || hasLineBreak(options.readOnlyUser) || hasLineBreak(options.readOnlyPassword)
        || hasLineBreak(options.greeting))
        throw std::invalid_argument("FtpTestServer: user names, passwords and greeting must be single lines");

    options_ = options;
    setAccount(options.user, options.password);
    try {
        if (::access(kPython, X_OK) != 0)
            throw std::runtime_error(
                std::string(kPython) + " is missing (Debian packages python3, python3-pyftpdlib)");
        makeWorkDir("lexiphant-ftp");
        ChildProcess::Command command;
        command.argv = launcherArguments(options, rootDir().string());
        command.logFile = logPath();
        command.captureStdout = true;
        command.keepStdinOpen = true; // the server ends when we go away
        process().spawn(command);
        registerRunning();

        const auto line = process().readLine(kStartTimeout);
        int port = 0;
        if (!line || !line->starts_with("PORT ")
            || std::from_chars(line->data() + 5, line->data() + line->size(), port).ec != std::errc {}
            || port <= 0) {
            // Its stdout closing usually means it is ending: let the status say how.
            (void)process().waitForExit(std::chrono::seconds(1));
            throw std::runtime_error(failure("it did not report its port (" + process().statusText() + ")"));
        }
        setAddress(port);
        waitUntilServing("220", kStartTimeout);
    } catch (const std::exception& e) {
        const std::string message = std::string("FTP test server cannot start: ") + e.what();
        stop();
        throw std::runtime_error(message);
    }
}

std::string FtpTestServer::startPath() const
{
    return "/";
}

std::string FtpTestServer::url() const
{
    return "ftp://" + host() + ":" + std::to_string(port()) + startPath();
}
