#include "tests/support/SftpTestServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr const char* kSshd = "/usr/sbin/sshd";
constexpr const char* kSshKeygen = "/usr/bin/ssh-keygen";
constexpr const char* kUseradd = "/usr/sbin/useradd";
constexpr const char* kChpasswd = "/usr/sbin/chpasswd";
constexpr const char* kUsermod = "/usr/sbin/usermod";
constexpr const char* kSftpServer = "/usr/lib/openssh/sftp-server";
// Debian's interpreter runs the relay of a cuttable server.
constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kShell = "/bin/sh";
// The shell the account is made with: no login.
constexpr const char* kNoLoginShell = "/usr/sbin/nologin";
// sshd refuses to start without its privilege-separation folder.
constexpr const char* kPrivilegeSeparationDir = "/run/sshd";
// Serialises account set-up between test programs run in parallel.
constexpr const char* kAccountLock = "/tmp/lexiphant-test-account.lock";
// Cuttable servers of all test programs share the account's /bin/sh. The shell it had before
// (first line) and the processes using /bin/sh (one id a line) are kept here, under the lock;
// the last one to stop puts the shell back, so the account does not keep a login shell.
constexpr const char* kShellRecord = "/tmp/lexiphant-test-account.shell";
constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr auto kToolTimeout = std::chrono::seconds(30);
constexpr int kPortAttempts = 3;

struct Account {
    uid_t uid { 0 };
    gid_t gid { 0 };
    fs::path home;
    std::string shell;
};

std::optional<Account> lookUpAccount(const char* name)
{
    passwd entry {};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwnam_r(name, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return std::nullopt;
    return Account { entry.pw_uid, entry.pw_gid, entry.pw_dir, entry.pw_shell ? entry.pw_shell : "" };
}

// Held while the account is changed, by any test program.
UniqueFd lockAccount()
{
    UniqueFd lock(::open(kAccountLock, O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock)
        while (::flock(lock.get(), LOCK_EX) != 0 && errno == EINTR) { }
    return lock;
}

struct ShellRecord {
    std::string previous; // empty: no record
    std::vector<pid_t> users; // only those still running
};

ShellRecord readShellRecord()
{
    ShellRecord record;
    std::ifstream in(kShellRecord);
    if (!std::getline(in, record.previous)) return {};
    for (pid_t pid = 0; in >> pid;)
        if (pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM)) record.users.push_back(pid);
    return record;
}

void writeShellRecord(const ShellRecord& record)
{
    std::ofstream out(kShellRecord, std::ios::trunc);
    out << record.previous << "\n";
    for (const pid_t pid : record.users)
        out << pid << "\n";
}

// Sets the account's login shell; false when usermod failed.
bool setShell(const std::string& shell, const fs::path& log)
{
    ChildProcess::Command usermod;
    usermod.argv = { kUsermod, "-s", shell, SftpTestServer::kAccount };
    usermod.logFile = log;
    return ChildProcess::run(usermod, kToolTimeout) == 0;
}

// Asks the OS for a port that is free now; sshd binds it a moment later.
int pickFreePort()
{
    UniqueFd sock(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (!sock || ::bind(sock.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::getsockname(sock.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error(std::string("no free port: ") + std::strerror(errno));
    return ntohs(address.sin_port);
}

} // namespace

namespace {

// One process-wide server of each kind, started on first use; one that could not start
// throws again on every later call.
SftpTestServer& sharedServer(bool cuttable)
{
    struct Slot {
        std::unique_ptr<SftpTestServer> server;
        std::string error;
    };
    static std::mutex mutex;
    static Slot slots[2];
    std::lock_guard lock(mutex);
    Slot& slot = slots[cuttable ? 1 : 0];
    if (!slot.error.empty()) throw std::runtime_error(slot.error);
    if (!slot.server) {
        auto fresh = std::make_unique<SftpTestServer>();
        try {
            fresh->start(cuttable);
        } catch (const std::exception& e) {
            slot.error = e.what();
            throw;
        }
        slot.server = std::move(fresh);
    }
    return *slot.server;
}

} // namespace

SftpTestServer& SftpTestServer::shared()
{
    return sharedServer(false);
}

SftpTestServer& SftpTestServer::cuttable()
{
    return sharedServer(true);
}

fs::path SftpTestServer::controlPath() const
{
    // In the work folder, which stop() removes; start() lets the account (which runs the
    // relay) reach it.
    return workDir() / "sftp-cut";
}

fs::path SftpTestServer::relayPath() const { return workDir() / "sftp_cut.py"; }

void SftpTestServer::cutAfter(const std::string& type, int nth) const
{
    if (!cuttable_) throw std::logic_error("SftpTestServer::cutAfter: not a cuttable server");
    std::ofstream control(controlPath(), std::ios::trunc);
    if (!type.empty()) control << type << " " << nth << "\n";
    if (!control.flush()) throw std::runtime_error("cannot write " + controlPath().string());
    fs::permissions(controlPath(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read
        | fs::perms::others_read);
}

void SftpTestServer::refuseAt(const std::string& type, int nth, int status) const
{
    cutAfter("REFUSE " + type + " " + std::to_string(nth), status);
}

int SftpTestServer::cuts() const
{
    std::ifstream log(controlPath().string() + ".log");
    int lines = 0;
    for (std::string line; std::getline(log, line);)
        ++lines;
    return lines;
}

void SftpTestServer::start(bool cuttable)
{
    if (process().started()) throw std::logic_error("SftpTestServer::start: already started");
    cuttable_ = cuttable;
    try {
        for (const char* tool : { kSshd, kSshKeygen })
            if (::access(tool, X_OK) != 0)
                throw std::runtime_error(std::string(tool) + " is missing (Debian package openssh-server)");
        makeWorkDir("lexiphant-sftp");
        prepareAccount();

        if (::geteuid() == 0 && ::mkdir(kPrivilegeSeparationDir, 0755) != 0 && errno != EEXIST)
            throw std::runtime_error(
                std::string("cannot make ") + kPrivilegeSeparationDir + ": " + std::strerror(errno));

        if (cuttable_) {
            for (const char* tool : { kSftpServer, kPython })
                if (::access(tool, X_OK) != 0) throw std::runtime_error(std::string(tool) + " is missing");
            // The account passes through the work folder to the control file and writes the log.
            fs::permissions(workDir(), fs::perms::group_exec | fs::perms::others_exec, fs::perm_options::add);
            stopCutting();
            // The relay runs from a copy in the work folder: the account may not pass through the
            // folders above the checkout (a clone in a private folder).
            fs::copy_file(fs::path(LEXIPHANT_TEST_SUPPORT_DIR) / "sftp_cut.py", relayPath(),
                          fs::copy_options::overwrite_existing);
            fs::permissions(relayPath(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read
                | fs::perms::others_read);
            const std::string log = controlPath().string() + ".log";
            std::ofstream { log };
            const auto account = lookUpAccount(kAccount);
            if (!account || ::chown(log.c_str(), account->uid, account->gid) != 0)
                throw std::runtime_error("cannot give " + log + " to " + kAccount);
        }
        hostKeys_ = { workDir() / "ssh_host_ecdsa_key" };
        generateHostKey(hostKeys_.front(), "ecdsa");
        launchOnSomePort();
    } catch (const std::exception& e) {
        const std::string message = std::string("SFTP test server cannot start: ") + e.what();
        stop();
        throw std::runtime_error(message);
    }
}

void SftpTestServer::generateHostKey(const fs::path& key, const std::string& type)
{
    ChildProcess::Command keygen;
    keygen.argv = { kSshKeygen, "-q", "-t", type, "-N", "", "-C", "lexiphant test host", "-f", key.string() };
    keygen.logFile = logPath();
    if (ChildProcess::run(keygen, kToolTimeout) != 0)
        throw std::runtime_error(failure("ssh-keygen failed"));
}

void SftpTestServer::launchOnSomePort()
{
    for (int attempt = 1;; ++attempt) {
        if (launch(pickFreePort())) break;
        if (attempt == kPortAttempts) throw std::runtime_error(failure("no port could be bound"));
    }
}

void SftpTestServer::restartWithHostKey(bool otherKey)
{
    restartWithHostKeys({ otherKey ? "ecdsa-other" : "ecdsa" });
}

void SftpTestServer::restartWithHostKeys(const std::vector<std::string>& keys)
{
    try {
        std::vector<fs::path> paths;
        for (const std::string& name : keys) {
            // "ecdsa" is the key the server started with; "<type>-other" a second key of that type.
            const std::string type = name.substr(0, name.find('-'));
            const fs::path key = workDir() / ("ssh_host_" + type + "_key" + (name == type ? "" : "_other"));
            if (!fs::exists(key)) generateHostKey(key, type);
            paths.push_back(key);
        }
        hostKeys_ = paths;
        process().stop();
        // The same port when it is still free, so connection records made before still work.
        if (!launch(port())) launchOnSomePort();
    } catch (const std::exception& e) {
        throw std::runtime_error(std::string("SFTP test server cannot restart: ") + e.what());
    }
}

void SftpTestServer::prepareAccount()
{
    const bool root = ::geteuid() == 0;
    const UniqueFd lock = lockAccount();

    auto account = lookUpAccount(kAccount);
    if (!account && !root)
        throw std::runtime_error(std::string("the test account \"") + kAccount
            + "\" does not exist and only root can create it (run the tests as root, as CI does)");
    if (!account) {
        ChildProcess::Command useradd;
        useradd.argv = { kUseradd, "-m", "-s", kNoLoginShell, "-c", "Lexiphant SFTP tests", kAccount };
        useradd.logFile = logPath();
        const int code = ChildProcess::run(useradd, kToolTimeout);
        account = lookUpAccount(kAccount);
        if (!account)
            throw std::runtime_error(
                failure("useradd " + std::string(kAccount) + " failed with code " + std::to_string(code)));
    }
    if (root) {
        // Always set: an account left by someone else may have another password.
        // chpasswd may find the password files locked for a moment.
        ChildProcess::Command chpasswd;
        chpasswd.argv = { kChpasswd };
        chpasswd.stdinText = std::string(kAccount) + ":" + kPassword + "\n";
        chpasswd.logFile = logPath();
        int code = -1;
        for (int attempt = 0; attempt < 5 && code != 0; ++attempt) {
            if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(200));
            code = ChildProcess::run(chpasswd, kToolTimeout);
        }
        if (code != 0) throw std::runtime_error(failure("chpasswd failed"));
        if (cuttable_) lendShell();
    } else if (::geteuid() != account->uid) {
        throw std::runtime_error(std::string("without root the tests must run as the test account \"")
            + kAccount + "\" (sshd can only log in the user it runs as)");
    }

    if (root && ::mkdir(account->home.c_str(), 0700) == 0) {
        if (::chown(account->home.c_str(), account->uid, account->gid) != 0)
            throw std::runtime_error(
                "cannot give the home folder " + account->home.string() + " to " + kAccount);
    }
    std::string pattern = (account->home / "lexiphant-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error(
            "cannot make a root folder in " + account->home.string() + ": " + std::strerror(errno));
    setRootOutsideWorkDir(pattern);
    if (root && ::chown(pattern.c_str(), account->uid, account->gid) != 0)
        throw std::runtime_error("cannot give " + pattern + " to " + kAccount + ": " + std::strerror(errno));
    setFileOwner(account->uid, account->gid);
    setAccount(kAccount, kPassword);
}

// Under the account lock. sshd runs any command but internal-sftp through the login shell.
void SftpTestServer::lendShell()
{
    const auto account = lookUpAccount(kAccount);
    if (!account) throw std::runtime_error(std::string("the test account \"") + kAccount + "\" went away");
    ShellRecord record = readShellRecord();
    // A record left by a program that died keeps the shell from before it. Without one, /bin/sh
    // was left by a run from before shells were put back: the account is made without a login.
    if (record.previous.empty())
        record.previous = account->shell.empty() || account->shell == kShell ? kNoLoginShell : account->shell;
    if (std::find(record.users.begin(), record.users.end(), ::getpid()) == record.users.end())
        record.users.push_back(::getpid());
    writeShellRecord(record);
    lentShell_ = true;
    if (account->shell != kShell && !setShell(kShell, logPath())) throw std::runtime_error(failure("usermod failed"));
}

void SftpTestServer::restoreShell() noexcept
{
    if (!lentShell_) return;
    lentShell_ = false;
    try {
        const UniqueFd lock = lockAccount();
        ShellRecord record = readShellRecord();
        std::erase(record.users, ::getpid());
        if (!record.users.empty()) {
            writeShellRecord(record);
            return;
        }
        if (record.previous.empty()) return; // the record went; nothing known to put back
        if (record.previous != kShell && !setShell(record.previous, logPath())) return; // the record stays for the next run
        fs::remove(kShellRecord);
    } catch (const std::exception&) {
        // Stopping goes on; the record lets the next run put the shell back.
    }
}

void SftpTestServer::stop()
{
    restoreShell();
    TestServer::stop();
}

SftpTestServer::~SftpTestServer()
{
    restoreShell();
}

void SftpTestServer::writeConfig(int port) const
{
    std::ofstream config(workDir() / "sshd_config", std::ios::trunc);
    config << "# Written by the tests for one run; only the test account, by password, SFTP only.\n"
           << "Port " << port << "\n"
           << "ListenAddress 127.0.0.1\n";
    for (const fs::path& key : hostKeys_)
        config << "HostKey " << key.string() << "\n";
    config << "PidFile " << (workDir() / "sshd.pid").string() << "\n"
           << "UsePAM no\n"
           << "PasswordAuthentication yes\n"
           << "PermitEmptyPasswords no\n"
           << "KbdInteractiveAuthentication no\n"
           << "PubkeyAuthentication no\n"
           << "HostbasedAuthentication no\n"
           << "AuthorizedKeysFile none\n"
           << "PermitRootLogin no\n"
           << "AllowUsers " << kAccount << "\n"
           << "StrictModes no\n"
           << "UseDNS no\n"
           << "PrintMotd no\n"
           << "PrintLastLog no\n"
           << "X11Forwarding no\n"
           << "AllowTcpForwarding no\n"
           << "AllowAgentForwarding no\n"
           << "PermitTunnel no\n"
           << "LogLevel VERBOSE\n"
           << "Subsystem sftp internal-sftp\n";
    if (cuttable_)
        config << "ForceCommand " << kPython << " -I " << relayPath().string() << " "
               << controlPath().string() << " " << kSftpServer << "\n";
    else
        config << "ForceCommand internal-sftp\n";
    if (!config.flush()) throw std::runtime_error("cannot write " + (workDir() / "sshd_config").string());
}

bool SftpTestServer::launch(int port)
{
    writeConfig(port);
    setAddress(port);
    ChildProcess::Command command;
    command.argv = { kSshd, "-D", "-e", "-f", (workDir() / "sshd_config").string() };
    command.logFile = logPath();
    process().spawn(command);
    registerRunning();
    try {
        waitUntilServing("SSH-2.0-", kStartTimeout);
        return true;
    } catch (const std::runtime_error&) {
        const bool portTaken
            = !process().running() && logText().find("Address already in use") != std::string::npos;
        if (!portTaken) throw;
        process().stop();
        return false;
    }
}

std::string SftpTestServer::startPath() const
{
    return rootDir().string() + "/";
}

std::string SftpTestServer::url() const
{
    return "sftp://" + host() + ":" + std::to_string(port()) + startPath();
}
