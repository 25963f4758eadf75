#pragma once

#include "tests/support/TestServer.h"

#include <string>
#include <vector>

// A real SFTP server: OpenSSH's sshd (/usr/sbin/sshd) with its own configuration,
// host key, pid and log file in a temporary folder, on 127.0.0.1 and a free port.
//
// Only the test account kAccount may log in, with the password kPassword and by
// password alone (no keys, no PAM, no keyboard-interactive), and it only gets
// SFTP. The account is created when missing (useradd + chpasswd, so the tests run
// as root, as CI does); its password is set to kPassword on every start. Without
// root the program must run as that account, or starting fails with a message.
//
// The root is a fresh folder inside the account's home, owned by the account;
// url() names it by its absolute path, as SFTP URLs do. Files the helpers make
// are given to the account so SFTP can change and delete them.
class SftpTestServer final : public TestServer {
public:
    static constexpr const char* kAccount = "lexitest";
    static constexpr const char* kPassword = "lexitest-Pa55word";

    // The process-wide server, started on first use and stopped at exit. A server
    // that could not start throws again on every later call.
    [[nodiscard]] static SftpTestServer& shared();
    // A second process-wide server whose sessions run through tests/support/sftp_cut.py, which
    // relays them to OpenSSH's sftp-server and can cut one after a named request (cutAfter).
    // Its account gets /bin/sh as login shell, through which sshd runs the relay.
    [[nodiscard]] static SftpTestServer& cuttable();

    SftpTestServer() = default;
    ~SftpTestServer() override;

    // Starts sshd and waits (at most 10 s) until it answers with its SSH version
    // line; throws std::runtime_error with the reason and the log's end otherwise.
    void start(bool cuttable = false);

    // Sessions that start from now on (a cuttable server only) end right after the `nth`
    // request of `type` in the session ("RENAME", "REMOVE", "SETSTAT", ... or "PUT", the close
    // of a file written to) was carried out, before its answer: a line cut after that step.
    void cutAfter(const std::string& type, int nth = 1) const;
    // Sessions from now on are relayed whole.
    void stopCutting() const { cutAfter("", 0); }
    // The nth request of `type` is answered with SFTP status `status` (3 permission denied,
    // 14 no space) and not carried out; the session goes on.
    void refuseAt(const std::string& type, int nth, int status) const;
    // Sessions cut so far.
    [[nodiscard]] int cuts() const;

    // Restarts sshd with another host key (a new one on first use), or with the key it
    // started with; the root and its files stay. Connections open until then are cut. Throws
    // as start() does.
    void restartWithHostKey(bool otherKey);
    // Restarts sshd offering the named keys, in that order: "ecdsa" (the key it started with),
    // "ed25519", or "<type>-other" for a second key of a type.
    void restartWithHostKeys(const std::vector<std::string>& keys);

    // Also gives the test account back the login shell it had, once no cuttable server of any
    // test program needs /bin/sh any more.
    void stop() override;

    // The root's absolute path with a trailing "/".
    [[nodiscard]] std::string startPath() const override;
    // "sftp://127.0.0.1:<port>/<root path>/"
    [[nodiscard]] std::string url() const override;

private:
    void prepareAccount();
    void lendShell();
    void restoreShell() noexcept;
    void writeConfig(int port) const;
    [[nodiscard]] bool launch(int port); // false: the port was taken meanwhile
    void generateHostKey(const std::filesystem::path& key, const std::string& type);
    void launchOnSomePort();
    [[nodiscard]] std::filesystem::path controlPath() const;
    // The copy of the relay that sshd runs for a cuttable server.
    [[nodiscard]] std::filesystem::path relayPath() const;

    std::vector<std::filesystem::path> hostKeys_;
    bool cuttable_ { false };
    bool lentShell_ { false }; // this process is among the shell record's users
};
