#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

std::runtime_error systemError(const std::string& what)
{
    return std::runtime_error(what + ": " + std::strerror(errno));
}

struct Pipe {
    UniqueFd read;
    UniqueFd write;
};

Pipe makePipe()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw systemError("pipe");
    return { UniqueFd(fds[0]), UniqueFd(fds[1]) };
}

bool onMainThread()
{
    return ::syscall(SYS_gettid) == ::getpid();
}

void writeAll(int fd, const std::string& text)
{
    // A child that dies before reading must not take the test program down with
    // SIGPIPE: block it on this thread and swallow one that became pending.
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break; // the child went away; its exit status tells the rest
        done += static_cast<std::size_t>(n);
    }
    const timespec now {};
    while (::sigtimedwait(&pipeSignal, nullptr, &now) == SIGPIPE) { }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

int remainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

} // namespace

ChildProcess::~ChildProcess()
{
    stop();
}

void ChildProcess::spawn(const Command& command)
{
    if (started()) throw std::logic_error("ChildProcess::spawn: already started");
    if (command.argv.empty() || command.argv.front().empty() || command.argv.front().front() != '/')
        throw std::invalid_argument("ChildProcess::spawn: argv[0] must be an absolute path");

    // Everything the child needs is prepared before fork: after it only
    // async-signal-safe calls are allowed.
    std::vector<char*> argv;
    for (const auto& arg : command.argv)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    UniqueFd log(command.logFile.empty()
            ? ::open("/dev/null", O_WRONLY | O_CLOEXEC)
            : ::open(command.logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (!log) throw systemError("cannot open log file " + command.logFile.string());
    Pipe in = makePipe();
    Pipe out;
    if (command.captureStdout) out = makePipe();

    const pid_t parent = ::getpid();
    // The parent-death signal is tied to the forking thread, so it is only safe
    // from the main thread, which lives as long as the program.
    const bool dieWithParent = onMainThread();

    const pid_t pid = ::fork();
    if (pid < 0) throw systemError("fork");
    if (pid == 0) {
        ::setpgid(0, 0);
        if (dieWithParent) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent) ::_exit(127);
        }
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int sig : { SIGPIPE, SIGTERM, SIGINT, SIGHUP })
            ::signal(sig, SIG_DFL);
        ::dup2(in.read.get(), STDIN_FILENO);
        ::dup2(command.captureStdout ? out.write.get() : log.get(), STDOUT_FILENO);
        ::dup2(log.get(), STDERR_FILENO);
        ::close_range(3, ~0U, 0); // nothing of the test program leaks into the server
        ::execv(argv[0], argv.data());
        const char message[] = "exec failed\n";
        [[maybe_unused]] auto ignored = ::write(STDERR_FILENO, message, sizeof message - 1);
        ::_exit(127);
    }
    ::setpgid(pid, pid); // also here, so the group exists whoever runs first
    pid_ = pid;
    ended_ = false;
    reaped_ = false;
    exitCode_ = -1;
    signal_ = 0;
    pending_.clear();

    in.read.reset();
    if (!command.stdinText.empty()) writeAll(in.write.get(), command.stdinText);
    if (command.keepStdinOpen) stdin_ = std::move(in.write);
    if (command.captureStdout) {
        out.write.reset();
        stdout_ = std::move(out.read);
    }
}

int ChildProcess::run(const Command& command, std::chrono::milliseconds timeout)
{
    ChildProcess child;
    Command once = command;
    once.captureStdout = false;
    once.keepStdinOpen = false;
    child.spawn(once);
    const bool finished = child.waitForExit(timeout);
    const int code = child.exitCode_;
    child.stop(std::chrono::milliseconds(0));
    return finished ? code : -1;
}

bool ChildProcess::running()
{
    if (!started() || ended_) return false;
    // Peek without reaping: an unreaped zombie keeps its pid and group id ours, so
    // stop() can still signal the group safely.
    siginfo_t info {};
    const int r = ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT);
    if (r < 0 && errno == EINTR) return true;
    if (r < 0) {
        ended_ = true; // reaped by someone else: nothing left that is ours
        reaped_ = true;
        return false;
    }
    if (info.si_pid != pid_) return true;
    ended_ = true;
    exitCode_ = info.si_code == CLD_EXITED ? info.si_status : -1;
    signal_ = info.si_code == CLD_EXITED ? 0 : info.si_status;
    return false;
}

void ChildProcess::reap()
{
    if (reaped_) return;
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) { }
    reaped_ = true;
}

std::string ChildProcess::statusText() const
{
    if (!started()) return "not started";
    if (!ended_) return "running";
    if (exitCode_ >= 0) return "exited with code " + std::to_string(exitCode_);
    if (signal_ > 0) return "killed by signal " + std::to_string(signal_);
    return "ended";
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (const auto end = pending_.find('\n'); end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        if (!stdout_) return std::nullopt;
        pollfd p { stdout_.get(), POLLIN, 0 };
        const int ready = ::poll(&p, 1, remainingMs(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return std::nullopt;
        char buffer[512];
        const ssize_t n = ::read(stdout_.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            stdout_.reset();
            return std::nullopt;
        }
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
}

bool ChildProcess::waitForExit(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (running()) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void ChildProcess::stop(std::chrono::milliseconds grace)
{
    if (!started()) return;
    stdin_.reset();
    // The group id is the pid we started; until we reap it, it cannot be reused.
    if (running()) {
        ::kill(-pid_, SIGTERM);
        if (!waitForExit(grace)) {
            ::kill(-pid_, SIGKILL);
            while (running())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    if (!reaped_) {
        ::kill(-pid_, SIGKILL); // whatever the leader left behind in its group
        reap();
    }
    stdout_.reset();
    pid_ = -1;
}
