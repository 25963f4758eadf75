#include "Platform/UIKit/UIWebViewConverter.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"

extern char** environ;

namespace {

bool isExecutable(const std::string& path) { return !path.empty() && access(path.c_str(), X_OK) == 0; }

// A private folder that goes away with everything in it.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix)
    {
        std::string pattern = NSTemporaryDirectory() + prefix + "-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~ScratchFolder()
    {
        if (!path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path_, ignored);
        }
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    [[nodiscard]] const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::atomic<double> gTimeLimit { UIWebViewConverter::kDefaultTimeLimit };

std::mutex& conversionLock()
{
    static std::mutex lock;
    return lock;
}

}

void UIWebViewConverter::setTimeLimit(double seconds) { gTimeLimit = seconds > 0 ? seconds : kDefaultTimeLimit; }
double UIWebViewConverter::timeLimit() { return gTimeLimit; }

std::string UIWebViewConverter::converterProgram()
{
    if (const char* configured = std::getenv("LEXIPHANT_SOFFICE"); configured != nullptr && *configured != '\0') {
        return isExecutable(configured) ? std::string(configured) : std::string();
    }
    if (const char* path = std::getenv("PATH")) {
        for (const std::string& folder : componentsSeparatedByString(std::string_view(path), ":")) {
            const std::string candidate = stringByAppendingPathComponent(folder.empty() ? "." : folder, "soffice");
            if (isExecutable(candidate)) {
                return candidate;
            }
        }
    }
    for (const char* candidate : { "/usr/lib/libreoffice/program/soffice", "/opt/libreoffice/program/soffice" }) {
        if (isExecutable(candidate)) {
            return candidate;
        }
    }
    return {};
}

UIWebViewConverter::Result UIWebViewConverter::convertToPDF(const std::string& path, const std::atomic<bool>* cancelled,
                                                            double timeLimit)
{
    if (!(timeLimit > 0)) {
        timeLimit = gTimeLimit;
    }
    const std::string program = converterProgram();
    if (program.empty()) {
        return { false, {}, "LibreOffice, which converts documents of this kind, is not installed." };
    }
    const std::lock_guard serial(conversionLock());
    if (cancelled != nullptr && *cancelled) {
        return { false, {}, "The conversion was cancelled." };
    }
    ScratchFolder profile("lo-profile");
    ScratchFolder output("lo-out");
    if (profile.path().empty() || output.path().empty()) {
        return { false, {}, "No room for the conversion in the temporary folder." };
    }
    // The document goes in under a plain name, so no name of the user's reaches the command line
    // as an option and the PDF's name is known.
    const std::string extension = lowercaseString(std::string_view(pathExtension(path)));
    const std::string input = output.path() + "/document" + (extension.empty() ? "" : "." + extension);
    {
        std::error_code error;
        std::filesystem::copy_file(path, input, error);
        if (error) {
            return { false, {}, "The document could not be read: " + error.message() + "." };
        }
    }
    std::vector<std::string> arguments = {
        program,
        "-env:UserInstallation=file://" + profile.path(),
        "--headless",
        "--invisible",
        "--nologo",
        "--norestore",
        "--nolockcheck",
        "--nodefault",
        "--convert-to",
        "pdf",
        "--outdir",
        output.path(),
        input,
    };
    std::vector<char*> argv;
    for (std::string& a : arguments) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own process group, so the time limit stops LibreOffice's helpers too.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        return { false, {}, "LibreOffice could not be started." };
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeLimit);
    int status = 0;
    bool stopped = false;
    bool timedOut = false;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) {
            break;
        }
        const bool giveUp = cancelled != nullptr && *cancelled;
        if (giveUp || std::chrono::steady_clock::now() >= deadline) {
            timedOut = !giveUp;
            stopped = true;
            kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // Helpers left in the group after LibreOffice itself ended go too.
    kill(-pid, SIGKILL);
    if (stopped) {
        if (timedOut) {
            return { false, {}, stringWithFormat("The conversion took longer than %.0f seconds and was stopped.", timeLimit) };
        }
        return { false, {}, "The conversion was cancelled." };
    }
    auto pdf = NSFileManager::defaultManager().contentsAtPath(output.path() + "/document.pdf");
    if (!pdf || pdf->empty()) {
        if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
            return { false, {}, stringWithFormat("LibreOffice could not convert the document (status %d).", WEXITSTATUS(status)) };
        }
        return { false, {}, "LibreOffice could not convert the document." };
    }
    return { true, std::move(*pdf), {} };
}
