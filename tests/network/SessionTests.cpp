// What a connection keeps between operations: the SFTP host key, the handle's options (nothing
// of libcurl's own reaches standard error), the stall limit on commands, and the result of a
// command apart from the listing after it.

#include "tests/network/NetworkTestSupport.h"

#include "tests/support/FtpTestServer.h"
#include "tests/support/LogCapture.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SftpTestServer.h"
#include "tests/support/TempDir.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

NetworkManager& manager()
{
    return NetworkManager::sharedManager();
}

std::string contentsOf(const std::string& path)
{
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

enum class Kind { ftp, sftp };

std::string kindName(const testing::TestParamInfo<Kind>& info)
{
    return info.param == Kind::ftp ? "Ftp" : "Sftp";
}

// Standard error goes to a file while in scope.
class StderrCapture {
public:
    explicit StderrCapture(const std::string& path)
        : path_(path)
    {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }
    ~StderrCapture() { restore(); }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    std::string finish()
    {
        restore();
        return contentsOf(path_);
    }

private:
    void restore()
    {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
        saved_ = -1;
    }
    std::string path_;
    int saved_ { -1 };
};

int countingProgress(void* client, double, double, double, double)
{
    ++*static_cast<int*>(client);
    return 0;
}

// Whatever a test does to the server's keys, the rest of the program meets the key it knows.
struct KeyBack {
    SftpTestServer& server;
    ~KeyBack()
    {
        try {
            server.restartWithHostKey(false);
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
        }
    }
};

} // namespace

TEST(SftpHostKeys, FirstKeyIsKeptAndAChangedOneRefused)
{
    SftpTestServer& server = SftpTestServer::shared();
    server.clearRoot();
    const TempDir home("lexiphant-keys");
    const ScopedEnv homeEnv("LEXIPHANT_HOME", home.path());
    auto delegate = std::make_shared<RecordingDelegate>();
    const std::string known = NetworkManager::knownHostsPath();

    ASSERT_EQ(connectWith(connectionFor(server, QVConnection::kTypeSFTP), delegate), 0);
    struct stat status {};
    ASSERT_EQ(::stat(known.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    const std::string remembered = contentsOf(known);
    EXPECT_EQ(remembered.rfind("[" + server.host() + "]:" + std::to_string(server.port()) + " ", 0), 0u) << remembered;
    EXPECT_EQ(connectWith(connectionFor(server, QVConnection::kTypeSFTP), delegate), 0);

    const KeyBack keyBack { server };
    server.restartWithHostKey(true);
    LogCapture log;
    EXPECT_EQ(connectWith(connectionFor(server, QVConnection::kTypeSFTP), delegate), CURLE_PEER_FAILED_VERIFICATION);
    // Named with its port (not 22), with where the key is kept and how to let the app learn the new one.
    const std::string shownHost = "[" + server.host() + "]:" + std::to_string(server.port());
    const std::string refusal = manager().getErrorMessage(CURLE_PEER_FAILED_VERIFICATION);
    EXPECT_NE(refusal.find("The host key of " + shownHost), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("kept in " + known + ", line 1; removing that line there lets the app learn the new key."),
              std::string::npos)
        << refusal;
    EXPECT_TRUE(log.contains("The host key of " + shownHost + " has changed"));
    EXPECT_EQ(contentsOf(known), remembered);

    server.restartWithHostKey(false);
    EXPECT_EQ(connectWith(connectionFor(server, QVConnection::kTypeSFTP), delegate), 0);
}

// A host remembered by one key type that now offers another as well is still the same host; one
// that offers none of the remembered types is refused.
TEST(SftpHostKeys, HostOfferingASecondKeyType)
{
    SftpTestServer& server = SftpTestServer::shared();
    server.clearRoot();
    const KeyBack keyBack { server };
    const TempDir home("lexiphant-key-types");
    const ScopedEnv homeEnv("LEXIPHANT_HOME", home.path());
    auto delegate = std::make_shared<RecordingDelegate>();
    const std::string known = NetworkManager::knownHostsPath();

    server.restartWithHostKeys({ "ed25519" });
    ASSERT_EQ(connectWith(connectionFor(server, QVConnection::kTypeSFTP), delegate), 0);
    const std::string remembered = contentsOf(known);
    ASSERT_NE(remembered.find(" ssh-ed25519 "), std::string::npos) << remembered;

    struct Case {
        const char* title;
        std::vector<std::string> keys;
        int code;
    };
    const Case cases[] = {
        { "RememberedTypeOfferedSecond", { "ecdsa", "ed25519" }, 0 },
        { "RememberedTypeOfferedFirst", { "ed25519", "ecdsa" }, 0 },
        { "OnlyAnotherType", { "ecdsa" }, CURLE_PEER_FAILED_VERIFICATION },
        { "AnotherKeyOfTheRememberedType", { "ecdsa", "ed25519-other" }, CURLE_PEER_FAILED_VERIFICATION },
    };
    const std::string shownHost = "[" + server.host() + "]:" + std::to_string(server.port());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        server.restartWithHostKeys(c.keys);
        EXPECT_EQ(connectWith(connectionFor(server, QVConnection::kTypeSFTP), delegate), c.code);
        if (c.code != 0) {
            const std::string refusal = manager().getErrorMessage(c.code);
            EXPECT_NE(refusal.find(shownHost), std::string::npos) << refusal;
            EXPECT_NE(refusal.find(known), std::string::npos) << refusal;
        }
        // Nothing is learned or lost either way.
        EXPECT_EQ(contentsOf(known), remembered);
    }

    // Remembered keys that cannot be read let nothing through, and the message says so.
    fs::remove(known);
    fs::create_directory(known);
    EXPECT_EQ(connectWith(connectionFor(server, QVConnection::kTypeSFTP), delegate), CURLE_PEER_FAILED_VERIFICATION);
    const std::string refusal = manager().getErrorMessage(CURLE_PEER_FAILED_VERIFICATION);
    EXPECT_NE(refusal.find(shownHost + " was refused: the host keys remembered in " + known
                           + " could not be read (it is a folder)"),
              std::string::npos)
        << refusal;
}

// libcurl draws a progress meter on standard error whenever progress is on without a function.
TEST(TransferOptions, NothingReachesStandardErrorAfterAProgressDownload)
{
    FtpTestServer& server = FtpTestServer::shared();
    server.clearRoot();
    server.writeFile("page.html", patternBytes(64 * 1024));
    auto delegate = std::make_shared<RecordingDelegate>();
    ASSERT_EQ(connectWith(connectionFor(server, QVConnection::kTypeFTP), delegate), 0);
    const TempDir scratch("lexiphant-stderr");
    LogCapture log; // the manager's own lines go there, not to standard error
    int progressCalls = 0;
    StderrCapture capture(scratch / "stderr.txt");
    ASSERT_TRUE(runInBackground([&progressCalls] {
        NetworkManager::sharedManager().downloadFile(DownloadRequest { "page.html", &countingProgress, &progressCalls });
    }));
    EXPECT_EQ(uploadWith(*delegate, "page.html", u"new text"), 0);
    EXPECT_EQ(manager().createFolder("folder"), 0);
    EXPECT_EQ(manager().renameFile("folder", "renamed"), 0);
    EXPECT_TRUE(changeDirWith(*delegate, "renamed"));
    NSData bytes;
    EXPECT_NE(downloadWith(*delegate, "missing.txt", bytes), 0);
    EXPECT_EQ(capture.finish(), "");
    EXPECT_GT(progressCalls, 0);
}

class CommandResults : public testing::TestWithParam<Kind> {
protected:
    void TearDown() override { manager().setLimits({}); }
};

INSTANTIATE_TEST_SUITE_P(BothProtocols, CommandResults, testing::Values(Kind::ftp, Kind::sftp), kindName);

// A rename that worked stays a rename that worked when the listing after it fails: the screen
// hears both, and the previous listing stands.
TEST_P(CommandResults, CommandThatWorkedIsReportedApartFromTheFailedListing)
{
    FtpServerOptions noListings;
    noListings.dropOnCommands = { "LIST" };
    TestServer& server = GetParam() == Kind::ftp ? static_cast<TestServer&>(FtpTestServer::shared(noListings))
                                                 : static_cast<TestServer&>(SftpTestServer::shared());
    server.clearRoot();
    server.writeFile("old.txt", "text");
    auto delegate = std::make_shared<RecordingDelegate>();
    (void)connectWith(connectionFor(server, GetParam() == Kind::ftp ? QVConnection::kTypeFTP : QVConnection::kTypeSFTP),
                      delegate);
    // The SFTP account may still rename in a folder it can no longer read.
    const fs::perms before = fs::status(server.rootDir()).permissions();
    if (GetParam() == Kind::sftp)
        fs::permissions(server.rootDir(), fs::perms::owner_write | fs::perms::owner_exec);
    const auto listing = manager().curDirListening();
    const int code = manager().renameFile("old.txt", "new.txt");
    fs::permissions(server.rootDir(), before);

    EXPECT_EQ(code, 0);
    EXPECT_EQ(server.readFile("new.txt"), "text");
    ASSERT_FALSE(delegate->reloadResults.empty());
    const ReloadResult& result = delegate->reloadResults.back();
    EXPECT_EQ(result.commandCode, std::optional<int>(0));
    EXPECT_NE(result.listingCode, 0);
    // The old listing stands, with the renamed entry under its new name.
    const auto names = [](const NetworkManager::Entries& entries) {
        std::vector<std::string> all;
        for (const auto& entry : entries)
            all.push_back(entry->name());
        return all;
    };
    std::vector<std::string> expected = names(*listing);
    std::replace(expected.begin(), expected.end(), std::string("old.txt"), std::string("new.txt"));
    EXPECT_EQ(names(*manager().curDirListening()), expected);

    // A plain change of folder carries no command result.
    if (GetParam() == Kind::sftp) {
        EXPECT_TRUE(changeDirWith(*delegate, "."));
        EXPECT_FALSE(delegate->reloadResults.back().commandCode);
        EXPECT_EQ(delegate->reloadResults.back().listingCode, 0);
    }
}

// A server that stops answering in the middle of a command ends it after the stall time.
TEST_P(CommandResults, StalledCommandEndsWithTheTimeOut)
{
    TestServer& server = GetParam() == Kind::ftp ? static_cast<TestServer&>(FtpTestServer::shared())
                                                 : static_cast<TestServer&>(SftpTestServer::shared());
    server.clearRoot();
    auto connection = connectionFor(server, GetParam() == Kind::ftp ? QVConnection::kTypeFTP : QVConnection::kTypeSFTP);
    TcpProxy proxy(server.port(), TcpProxy::Fault::none, TcpProxy::Direction::toClient, 0);
    connection->setPort(proxy.port());
    NetworkManager::Limits limits;
    limits.serverResponseSeconds = 1;
    limits.stallSeconds = 1;
    manager().setLimits(limits);
    auto delegate = std::make_shared<RecordingDelegate>();
    ASSERT_EQ(connectWith(connection, delegate), 0);
    proxy.stallNow();
    EXPECT_EQ(manager().createFolder("folder"), CURLE_OPERATION_TIMEDOUT);
}
