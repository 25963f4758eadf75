// The network manager against real servers on 127.0.0.1, the same cases over FTP and SFTP:
// connect, folders, commands, downloads and uploads, checked on the server's disk.

#include "tests/network/NetworkTestSupport.h"

#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSStringEncoding.h"
#include "tests/support/FtpTestServer.h"
#include "tests/support/SftpTestServer.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <filesystem>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

enum class Protocol { ftp, sftp };

std::string protocolName(const testing::TestParamInfo<Protocol>& info)
{
    return info.param == Protocol::ftp ? "Ftp" : "Sftp";
}

// A port on 127.0.0.1 where nothing listens.
int closedPort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    (void)::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    (void)::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(s);
    return ntohs(address.sin_port);
}

} // namespace

class RemoteTest : public testing::TestWithParam<Protocol> {
protected:
    TestServer& server()
    {
        if (GetParam() == Protocol::ftp)
            return FtpTestServer::shared();
        return SftpTestServer::shared();
    }
    int type() const { return GetParam() == Protocol::ftp ? QVConnection::kTypeFTP : QVConnection::kTypeSFTP; }
    NetworkManager& manager() { return NetworkManager::sharedManager(); }

    void SetUp() override
    {
        server().clearRoot();
        manager().setLimits({});
        delegate_ = std::make_shared<RecordingDelegate>();
    }

    void connectNow()
    {
        ASSERT_EQ(connectWith(connectionFor(server(), type()), delegate_), 0) << server().logText();
    }

    // The work directory the manager should report for a folder below the root.
    std::string remoteDir(const std::string& below = {})
    {
        std::string root = server().startPath();
        if (root.size() > 1 && root.back() == '/')
            root.pop_back();
        if (below.empty())
            return root;
        return root == "/" ? "/" + below : root + "/" + below;
    }

    bool changeDir(const std::string& dir) { return changeDirWith(*delegate_, dir); }
    int download(const std::string& name, NSData& bytes) { return downloadWith(*delegate_, name, bytes); }
    int downloadBinary(const std::string& name) { return downloadBinaryWith(*delegate_, name); }
    int upload(const std::string& name, const std::u16string& text) { return uploadWith(*delegate_, name, text); }

    std::shared_ptr<RecordingDelegate> delegate_;
};

INSTANTIATE_TEST_SUITE_P(BothProtocols, RemoteTest, testing::Values(Protocol::ftp, Protocol::sftp), protocolName);

TEST_P(RemoteTest, ConnectListsTheStartFolder)
{
    server().writeFile("index.html", "<html></html>");
    server().makeDir("css");
    connectNow();
    EXPECT_EQ(manager().getWorkDir(), remoteDir());
    auto names = listedNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "index.html"), names.end());
    ASSERT_TRUE(listedEntry("css"));
    EXPECT_TRUE(listedEntry("css")->isDirectory());
    EXPECT_EQ(listedEntry("index.html")->size(), 13);
    EXPECT_EQ(manager().threadStatus(), 0);
    EXPECT_TRUE(delegate_->allOnMainThread);
}

TEST_P(RemoteTest, ConnectFailuresCarryTheirCodes)
{
    auto wrong = connectionFor(server(), type());
    wrong->setPassword("not-the-password");
    EXPECT_EQ(connectWith(wrong, delegate_), CURLE_LOGIN_DENIED);
    EXPECT_TRUE(manager().curDirListening()->empty());

    auto closed = connectionFor(server(), type());
    closed->setPort(closedPort());
    EXPECT_EQ(connectWith(closed, delegate_), CURLE_COULDNT_CONNECT);
    EXPECT_EQ(delegate_->events.size(), 2u);
}

TEST_P(RemoteTest, StartPathWithAwkwardNames)
{
    server().writeFile("my site/inner.txt", "x");
    auto connection = connectionFor(server(), type());
    connection->setStartPath(server().startPath() + "my site/");
    ASSERT_EQ(connectWith(connection, delegate_), 0);
    EXPECT_EQ(manager().getWorkDir(), remoteDir("my site"));
    EXPECT_EQ(listedNames(), std::vector<std::string> { "inner.txt" });
}

TEST_P(RemoteTest, EntersUsesAndLeavesFoldersWithAwkwardNames)
{
    const bool ftp = GetParam() == Protocol::ftp;
    // How each name is listed (an FTP listing arrives with every CR turned into a LF) and
    // whether the server can be sent it at all.
    const struct {
        std::string name;
        std::string listed;
        bool carried;
    } rows[] = {
        { "c d", "c d", true },
        { "a#b", "a#b", true },
        { "100%", "100%", true },
        { "\xC3\xBC", "\xC3\xBC", true },
        { "q?x", "q?x", true },
        { "semi;type=a", "semi;type=a", true },
        { "tab\there", "tab\there", !ftp },
        { "line\nfeed", "line\nfeed", false },
        { "carriage\rreturn", ftp ? "carriage\nreturn" : "carriage\rreturn", false },
    };
    std::vector<std::string> listed;
    for (const auto& row : rows) {
        server().writeFile(row.name + "/inside file.txt", "inside " + row.name);
        listed.push_back(row.listed);
    }
    std::sort(listed.begin(), listed.end());
    connectNow();
    // A name broken across listing lines is listed whole, its tail no entry of its own.
    EXPECT_EQ(listedNames(), listed);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.listed);
        ASSERT_TRUE(listedEntry(row.listed));
        EXPECT_TRUE(listedEntry(row.listed)->isDirectory());
        EXPECT_EQ(manager().canCarryName(row.listed), row.carried);
        ASSERT_TRUE(changeDir(row.listed));
        if (!row.carried) {
            // Refused with a clear reason; nothing moves.
            ASSERT_FALSE(delegate_->reloadResults.empty());
            const int code = delegate_->reloadResults.back().listingCode;
            EXPECT_EQ(code, row.listed.find('\t') != std::string::npos ? int(CURLE_URL_MALFORMAT)
                                                                         : int(NetworkManager::kCodeUnsafeName));
            EXPECT_NE(manager().getErrorMessage(code).find("cannot be used"), std::string::npos);
            EXPECT_EQ(manager().getWorkDir(), remoteDir());
            continue;
        }
        EXPECT_EQ(manager().getWorkDir(), remoteDir(row.name));
        EXPECT_EQ(manager().naviStack().syncWithPath(manager().getWorkDir()), row.name);
        EXPECT_EQ(listedNames(), std::vector<std::string> { "inside file.txt" });

        NSData bytes;
        EXPECT_EQ(download("inside file.txt", bytes), 0);
        EXPECT_EQ(bytes, "inside " + row.name);
        EXPECT_EQ(upload("new #1 %.txt", u"written"), 0);
        EXPECT_EQ(server().readFile(row.name + "/new #1 %.txt"), "written");

        ASSERT_TRUE(changeDir(".."));
        EXPECT_EQ(manager().getWorkDir(), remoteDir());
        EXPECT_TRUE(listedEntry(row.name));
    }
    // A file with a tab cannot be fetched over FTP either, and says why; but commands carry
    // the tab, so it can be renamed to a name that opens.
    server().writeFile("tab\there.txt", "tab");
    ASSERT_TRUE(changeDir("."));
    NSData bytes;
    if (ftp) {
        EXPECT_EQ(download("tab\there.txt", bytes), CURLE_URL_MALFORMAT);
        EXPECT_NE(manager().getErrorMessage(CURLE_URL_MALFORMAT).find("a tab or any other control character"),
                  std::string::npos);
        EXPECT_EQ(manager().renameFile("tab\there.txt", "tab here.txt"), 0);
        EXPECT_EQ(server().readFile("tab here.txt"), "tab");
    } else {
        EXPECT_EQ(download("tab\there.txt", bytes), 0);
        EXPECT_EQ(bytes, "tab");
    }
    // Every later transfer still works at the root.
    server().writeFile("after.txt", "after");
    EXPECT_EQ(download("after.txt", bytes), 0);
    EXPECT_EQ(bytes, "after");
}

TEST_P(RemoteTest, FailedChangeKeepsTheFolderAndItsListing)
{
    server().writeFile("sub/a.txt", "a");
    connectNow();
    ASSERT_TRUE(changeDir("sub"));
    auto listing = manager().curDirListening();
    const std::string url = manager().getWorkUrl();

    EXPECT_TRUE(changeDir("missing")); // needsReload still arrives, ending the busy display
    EXPECT_EQ(manager().getWorkUrl(), url);
    EXPECT_EQ(manager().curDirListening(), listing);
    EXPECT_EQ(manager().threadStatus(), 0);

    server().writeFile("sub/b.txt", "b");
    ASSERT_TRUE(changeDir("."));
    EXPECT_EQ(listedNames(), (std::vector<std::string> { "a.txt", "b.txt" }));
}

TEST_P(RemoteTest, CommandsActInTheWorkFolder)
{
    server().writeFile("sub/old name.txt", "content");
    server().writeFile("sub/doomed.txt", "x");
    server().writeFile("doomed.txt", "root copy stays");
    server().makeDir("sub/empty");
    connectNow();
    ASSERT_TRUE(changeDir("sub"));

    int reloads = delegate_->reloads;
    EXPECT_EQ(manager().createFolder("new #dir"), 0);
    EXPECT_TRUE(std::filesystem::is_directory(server().pathFor("sub/new #dir")));
    EXPECT_EQ(delegate_->reloads, ++reloads);
    EXPECT_TRUE(listedEntry("new #dir"));

    EXPECT_EQ(manager().renameFile("old name.txt", "new name%.txt"), 0);
    EXPECT_EQ(server().readFile("sub/new name%.txt"), "content");
    EXPECT_FALSE(server().exists("sub/old name.txt"));
    EXPECT_TRUE(listedEntry("new name%.txt"));

    EXPECT_EQ(manager().deleteFile("doomed.txt"), 0);
    EXPECT_FALSE(server().exists("sub/doomed.txt"));
    EXPECT_EQ(server().readFile("doomed.txt"), "root copy stays");

    EXPECT_EQ(manager().deleteFolder("empty"), 0);
    EXPECT_FALSE(server().exists("sub/empty"));
    EXPECT_EQ(delegate_->reloads, reloads + 3);

    // A failed command is answered with its code; the listing is fresh all the same.
    EXPECT_NE(manager().deleteFile("no such file"), 0);
    EXPECT_EQ(manager().getWorkDir(), remoteDir("sub"));
}

TEST_P(RemoteTest, QuotesBackslashesAndLineBreaksInNames)
{
    server().writeFile("keep.txt", "keep");
    server().writeFile("a.txt", "a");
    connectNow();
    const std::string quoted = "say \"hi\" \\ now";
    EXPECT_EQ(manager().createFolder(quoted), 0);
    EXPECT_TRUE(std::filesystem::is_directory(server().pathFor(quoted)));
    EXPECT_EQ(manager().deleteFolder(quoted), 0);
    EXPECT_FALSE(server().exists(quoted));

    for (const std::string& injected : { std::string("b\r\nDELE keep.txt"), std::string("b\nrm \"/keep.txt\""),
                                         std::string("b\0c", 3) }) {
        EXPECT_EQ(manager().renameFile("a.txt", injected), NetworkManager::kCodeUnsafeName);
        EXPECT_EQ(manager().deleteFile(injected), NetworkManager::kCodeUnsafeName);
        EXPECT_EQ(manager().createFolder(injected), NetworkManager::kCodeUnsafeName);
        EXPECT_EQ(upload(injected, u"x"), NetworkManager::kCodeUnsafeName);
    }
    EXPECT_EQ(server().readFile("keep.txt"), "keep");
    EXPECT_EQ(server().readFile("a.txt"), "a");
}

TEST_P(RemoteTest, TextDownloadDeliversBytesThenCode)
{
    const std::string latin1 = "caf\xE9 cr\xE8me\r\n";
    server().writeFile("latin.txt", latin1);
    server().writeFile("utf8.txt", "h\xC3\xA9llo");
    connectNow();
    const std::string url = manager().getWorkUrl();
    delegate_->events.clear();

    NSData bytes;
    EXPECT_EQ(download("latin.txt", bytes), 0);
    EXPECT_EQ(bytes, latin1);
    EXPECT_EQ(NetworkManager::getStringFromData(bytes).encoding, NSISOLatin1StringEncoding);
    EXPECT_EQ(download("utf8.txt", bytes), 0);
    EXPECT_EQ(NetworkManager::getStringFromData(bytes).encoding, NSUTF8StringEncoding);
    EXPECT_EQ(delegate_->events, (std::vector<std::string> { "setData", "downloadedFile", "setData", "downloadedFile" }));
    EXPECT_EQ(manager().getWorkUrl(), url);

    EXPECT_NE(download("missing.txt", bytes), 0);
    EXPECT_TRUE(bytes.empty());
}

TEST_P(RemoteTest, DownloadsStopAtTheMemoryLimit)
{
    server().writeFile("big.txt", patternBytes(5000));
    connectNow();
    NetworkManager::Limits limits;
    limits.downloadBytes = 1000;
    manager().setLimits(limits);
    NSData bytes;
    EXPECT_EQ(download("big.txt", bytes), CURLE_FILESIZE_EXCEEDED);
    EXPECT_LE(bytes.size(), 1000u);

    // A listing past its limit ends the connect with the same code.
    limits.listingBytes = 10;
    manager().setLimits(limits);
    EXPECT_EQ(connectWith(connectionFor(server(), type()), delegate_), CURLE_FILESIZE_EXCEEDED);
}

TEST_P(RemoteTest, BinaryDownloadIsAByteExactPrivateCopy)
{
    const NSData picture = patternBytes(300 * 1024);
    server().writeFile("photo one.png", picture);
    server().writeFile("sub/photo one.png", "second version");
    connectNow();
    EXPECT_EQ(downloadBinary("photo one.png"), 0);
    const std::string path = delegate_->entry->localPath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(std::filesystem::path(path).filename(), "photo one.png");
    EXPECT_EQ(NSFileManager::defaultManager().contentsAtPath(path), picture);

    // Same name again: the copy is replaced.
    ASSERT_TRUE(changeDir("sub"));
    EXPECT_EQ(downloadBinary("photo one.png"), 0);
    EXPECT_EQ(NSFileManager::defaultManager().contentsAtPath(path), "second version");

    // A failed copy reports its code, leaves no localPath and no file.
    delegate_->entry = std::make_shared<FileEntry>();
    EXPECT_NE(downloadBinary("missing.png"), 0);
    EXPECT_TRUE(delegate_->entry->localPath().empty());
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(path).parent_path() / "missing.png"));
    for (const char* unsafe : { ".", ".." })
        EXPECT_EQ(downloadBinary(unsafe), NetworkManager::kCodeUnsafeName);
}

TEST_P(RemoteTest, UploadsNewAndReplacingFiles)
{
    server().writeFile("page.html", "old content");
    server().writeFile("Other.txt", "other");
    connectNow();

    EXPECT_EQ(upload("new.txt", u"h\u00e9llo \u20ac"), 0);
    EXPECT_EQ(server().readFile("new.txt"), "h\xC3\xA9llo \xE2\x82\xAC");
    EXPECT_EQ(upload("empty.txt", u""), 0);
    EXPECT_EQ(server().readFile("empty.txt"), "");

    // Listed: through the temporary name, which is gone afterwards.
    EXPECT_EQ(upload("page.html", u"new content"), 0);
    EXPECT_EQ(server().readFile("page.html"), "new content");
    EXPECT_FALSE(server().exists("page.html_##_"));
    // Listed only in another letter case: straight to the name.
    EXPECT_EQ(upload("other.txt", u"lower"), 0);
    EXPECT_EQ(server().readFile("Other.txt"), "other");
    EXPECT_EQ(server().readFile("other.txt"), "lower");
    EXPECT_EQ(manager().threadStatus(), 0);
}

// Names beginning with "." are listed whether the server shows them on a plain LIST, only on
// "LIST -a", or refuses options; and the save sees them too, so a hidden left-over stays.
TEST_P(RemoteTest, DotFilesAreListedAndSeenBySaves)
{
    struct Row {
        const char* what;
        bool hideDotFiles;
        bool refuseListOptions;
    };
    const Row ftpRows[] = { { "shows them", false, false },
                            { "shows them only when asked", true, false },
                            { "refuses options", false, true } };
    const std::vector<Row> rows = GetParam() == Protocol::ftp ? std::vector<Row>(std::begin(ftpRows), std::end(ftpRows))
                                                              : std::vector<Row> { { "sftp", false, false } };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        FtpServerOptions options;
        options.hideDotFiles = row.hideDotFiles;
        options.refuseListOptions = row.refuseListOptions;
        TestServer& host = GetParam() == Protocol::ftp ? static_cast<TestServer&>(FtpTestServer::shared(options))
                                                       : server();
        host.clearRoot();
        host.writeFile(".htaccess", "old");
        host.writeFile(".htaccess_##_", "left-over");
        host.writeFile("sub/.hidden", "h");
        ASSERT_EQ(connectWith(connectionFor(host, type()), delegate_), 0) << host.logText();
        EXPECT_TRUE(listedEntry(".htaccess"));
        ASSERT_TRUE(changeDir("sub"));
        EXPECT_EQ(listedNames(), std::vector<std::string> { ".hidden" });
        ASSERT_TRUE(changeDir(".."));

        EXPECT_EQ(upload(".htaccess", u"new"), 0);
        EXPECT_EQ(host.readFile(".htaccess"), "new");
        EXPECT_EQ(host.readFile(".htaccess_##_"), "left-over");
    }
}

TEST_P(RemoteTest, UnencodableTextNeverReplacesTheFile)
{
    server().writeFile("page.html", "old content");
    connectNow();
    std::u16string broken = u"text ";
    broken += char16_t(0xD800);
    EXPECT_EQ(upload("page.html", broken), NetworkManager::kCodeUnencodableText);
    EXPECT_EQ(server().readFile("page.html"), "old content");
    EXPECT_FALSE(server().exists("page.html_##_"));
}

TEST_P(RemoteTest, ReplacementStoppedHalfWayTellsWhereTheTextIs)
{
    // A folder of the file's name cannot be deleted as a file: the swap stops after the upload.
    server().writeFile("page.html/inside.txt", "x");
    connectNow();
    EXPECT_EQ(upload("page.html", u"new text"), NetworkManager::kCodeReplaceIncomplete);
    EXPECT_EQ(server().readFile("page.html_##_"), "new text");
    EXPECT_EQ(server().readFile("page.html/inside.txt"), "x");
}

