#pragma once

#include "tests/support/TestServer.h"

#include <cstddef>
#include <string>
#include <vector>

// How an FtpTestServer behaves.
struct FtpServerOptions {
    std::string user { "lexi" };
    std::string password { "lexi-secret" };
    std::string readOnlyUser { "reader" };
    std::string readOnlyPassword { "reader-secret" };
    // The text the client sees after "220 "; empty keeps pyftpdlib's own.
    std::string greeting;
    // LIST answers in MS-DOS form: "12-09-26  04:28PM       <DIR>          My Folder"
    // and "12-09-26  04:28PM                 1234 index.html" (times in UTC).
    bool msdosListing { false };
    // Data transfers in both directions are held to this rate; 0 is no limit.
    std::size_t throttleBytesPerSecond { 0 };
    // Commands (e.g. "LIST", "PASV", "RETR") on which the server closes the
    // control connection without answering.
    std::vector<std::string> dropOnCommands;
    // Commands (e.g. "STOR", "RNFR", "RNTO", "DELE", "SITE CHMOD") that the server carries out
    // and then, instead of its final reply, closes the control connection: a line cut after the
    // step. `drops` limits how often in all (0: every time).
    std::vector<std::string> dropAfterCommands;
    int drops { 0 };
    // Commands answered "550 Not enough privileges." without being carried out; `refusals`
    // limits how often in all (0: every time).
    std::vector<std::string> refuseCommands;
    int refusals { 0 };
    // The root's files may hold this many bytes in all; a STOR beyond keeps what fits and
    // answers "552 Disk quota exceeded." (0: no quota).
    std::size_t quotaBytes { 0 };
    // A plain LIST leaves out names beginning with "."; "LIST -a" shows them, "." and ".." too
    // (as vsftpd does).
    bool hideDotFiles { false };
    // LIST with an option ("LIST -a") is refused with 501.
    bool refuseListOptions { false };

    bool operator==(const FtpServerOptions&) const = default;
};

// A real FTP server (pyftpdlib, run by tests/support/ftp_server.py) on 127.0.0.1
// and a free port, over a fresh temporary root. Passive mode, ports from the OS.
//
// Two accounts: options.user with full rights and options.readOnlyUser, who can
// list and download only. Names act as triggers on every server:
//   "drop-connection..."  a command naming such a file or folder (CWD, RETR, STOR,
//                         LIST, DELE, ...) closes the control connection, no reply;
//   "drop-transfer..."    RETR of such a file sends half of it, then closes both
//                         connections without a "226";
//   "stall-transfer..."   RETR of such a file sends half of it, then nothing more,
//                         holding both connections open;
//   "drop-upload..."      STOR to such a name keeps the first bytes that arrive,
//                         then closes both connections without a "226";
//   "drop-on-rename..."   RNFR or RNTO naming such a file closes the control
//                         connection, no reply, nothing renamed;
//   "refuse-overwrite..." RNTO onto such a name that exists is refused (550);
//   "refuse-chmod..."     SITE CHMOD of such a file is refused (550);
//   " strip-space..."     RNFR and RNTO lose the leading blanks of such a name;
//   "refuse-list..."      LIST of a folder holding such an entry is refused (550),
//                         commands in it still work;
//   "vanish-upload..."    STOR to such a name is stored, answered 226, then removed;
//   "short-store..."      STOR to such a name keeps the first third, answering 226;
//   " trim-store..."      STOR to such a name stores it without its leading blanks.
// A file without read bits is refused on RETR with "550 Permission denied.", as by a
// server that does not run as root.
class FtpTestServer final : public TestServer {
public:
    static constexpr const char* kDropConnectionPrefix = "drop-connection";
    static constexpr const char* kDropTransferPrefix = "drop-transfer";
    static constexpr const char* kStallTransferPrefix = "stall-transfer";
    static constexpr const char* kDropUploadPrefix = "drop-upload";
    static constexpr const char* kDropOnRenamePrefix = "drop-on-rename";
    static constexpr const char* kRefuseOverwritePrefix = "refuse-overwrite";
    static constexpr const char* kRefuseChmodPrefix = "refuse-chmod";
    static constexpr const char* kStripSpacePrefix = "strip-space";
    static constexpr const char* kRefuseListPrefix = "refuse-list";
    static constexpr const char* kVanishUploadPrefix = "vanish-upload";
    static constexpr const char* kShortStorePrefix = "short-store";
    static constexpr const char* kTrimStorePrefix = "trim-store";

    using Options = FtpServerOptions;

    // A server that greets as Microsoft's FTP service and lists in MS-DOS form.
    [[nodiscard]] static Options microsoft();

    // The process-wide server for these options, started on first use and stopped
    // at exit. A server that could not start throws again on every later call.
    [[nodiscard]] static FtpTestServer& shared(const Options& options = {});

    FtpTestServer() = default;
    ~FtpTestServer() override = default;

    // Starts the server and waits (at most 10 s) until it greets; throws
    // std::runtime_error with the reason and the log's end when it cannot.
    void start(const Options& options = {});

    [[nodiscard]] const Options& options() const noexcept { return options_; }
    [[nodiscard]] const std::string& readOnlyUser() const noexcept { return options_.readOnlyUser; }
    [[nodiscard]] const std::string& readOnlyPassword() const noexcept { return options_.readOnlyPassword; }

    // "/"
    [[nodiscard]] std::string startPath() const override;
    // "ftp://127.0.0.1:<port>/"
    [[nodiscard]] std::string url() const override;

private:
    Options options_;
};
