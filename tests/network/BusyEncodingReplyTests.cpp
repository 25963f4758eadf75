// The busy mark set on the main thread before an operation's thread runs, saves written back in
// the encoding the file was read with, and the server's own reply to a refused download.

#include "tests/network/NetworkTestSupport.h"

#include "Platform/Foundation/NSStringEncoding.h"
#include "tests/support/FtpTestServer.h"
#include "tests/support/LogCapture.h"
#include "tests/support/SftpTestServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>

namespace fs = std::filesystem;

namespace {

// Notes, at the delivery of a download result, whether the manager still counts as busy and
// whether a second operation could begin.
class BusyProbe : public RecordingDelegate {
public:
    void downloadedFile(int code) override
    {
        RecordingDelegate::downloadedFile(code);
        busyAtDelivery = NetworkManager::sharedManager().isBusy();
        secondBegan = NetworkManager::sharedManager().beginOperation(2, [] {});
    }
    bool busyAtDelivery { false };
    bool secondBegan { true };
};

} // namespace

TEST(BeginOperation, MarksBusyOnTheCallingThreadAndRefusesASecond)
{
    NetworkManager& manager = NetworkManager::sharedManager();
    ASSERT_TRUE(waitFor([&] { return !manager.isBusy(); }, 30));
    LogCapture log;
    EXPECT_FALSE(manager.beginOperation(0, [] {}));
    EXPECT_FALSE(manager.beginOperation(3, {}));
    EXPECT_FALSE(manager.isBusy());

    std::atomic<bool> release { false };
    std::atomic<bool> ran { false };
    ASSERT_TRUE(manager.beginOperation(4, [&] {
        while (!release.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ran = true;
    }));
    // Marked before the thread has done anything.
    EXPECT_EQ(manager.threadStatus(), 4);
    std::atomic<bool> secondRan { false };
    EXPECT_FALSE(manager.beginOperation(1, [&] { secondRan = true; }));
    EXPECT_TRUE(log.contains("A remote operation (4) is still running; the new one (1) is not started"));
    release = true;
    EXPECT_TRUE(waitFor([&] { return ran.load() && !manager.isBusy(); }, 10));
    EXPECT_FALSE(secondRan.load());
}

// The entry point's own busy scope ends before its thread does; the mark must stay until the
// thread is done, so that the old thread cannot clear a new operation's mark.
TEST(BeginOperation, EntryPointsLeaveTheMarkToTheOperation)
{
    NetworkManager& manager = NetworkManager::sharedManager();
    ASSERT_TRUE(waitFor([&] { return !manager.isBusy(); }, 30));
    auto probe = std::make_shared<BusyProbe>();
    manager.setDelegate(probe);
    LogCapture log;
    std::atomic<int> afterEntryPoint { -1 };
    std::atomic<bool> done { false };
    ASSERT_TRUE(manager.beginOperation(3, [&] {
        manager.downloadFile(DownloadRequest { "" }); // refused at once, still delivered
        afterEntryPoint = manager.threadStatus();
        done = true;
    }));
    EXPECT_TRUE(waitFor([&] { return done.load() && !manager.isBusy(); }, 10));
    ASSERT_EQ(probe->downloadCodes, std::vector<int> { NetworkManager::kCodeUnsafeName });
    EXPECT_TRUE(probe->busyAtDelivery);
    EXPECT_FALSE(probe->secondBegan);
    EXPECT_EQ(afterEntryPoint.load(), 3);
    manager.setDelegate({});
}

namespace {

struct EncodingCase {
    const char* title;
    bool sftp;
    NSStringEncoding encoding; // the one the file was read with
    std::u16string text;
    std::string bytes; // stored on the server
    bool fellBack;     // written as UTF-8 with the log line
};

} // namespace

TEST(SaveEncoding, WrittenBackInTheEncodingReadWhereItFits)
{
    const EncodingCase cases[] = {
        { "Latin 1 stays Latin 1", false, NSISOLatin1StringEncoding, u"caf\u00e9 \u00fc\u00ff", "caf\xe9 \xfc\xff",
          false },
        { "Latin 1 with a euro sign becomes UTF-8", false, NSISOLatin1StringEncoding, u"caf\u00e9 \u20ac",
          "caf\xc3\xa9 \xe2\x82\xac", true },
        { "ASCII with an accent becomes UTF-8", false, NSASCIIStringEncoding, u"\u00e9", "\xc3\xa9", true },
        { "UTF-8 stays UTF-8", false, NSUTF8StringEncoding, u"caf\u00e9", "caf\xc3\xa9", false },
        { "Undecoded text is written as UTF-8", false, static_cast<NSStringEncoding>(0), u"\u00e9", "\xc3\xa9",
          false },
        { "SFTP Latin 1 stays Latin 1", true, NSISOLatin1StringEncoding, u"\u00e9t\u00e9", "\xe9t\xe9", false },
    };
    NetworkManager::sharedManager().setLimits({});
    for (const EncodingCase& c : cases) {
        SCOPED_TRACE(c.title);
        TestServer& server = c.sftp ? static_cast<TestServer&>(SftpTestServer::shared())
                                    : static_cast<TestServer&>(FtpTestServer::shared());
        server.clearRoot();
        server.writeFile("page.txt", "old");
        auto delegate = std::make_shared<RecordingDelegate>();
        ASSERT_EQ(connectWith(connectionFor(server, c.sftp ? QVConnection::kTypeSFTP : QVConnection::kTypeFTP),
                              delegate),
                  0);
        LogCapture log;
        const UploadRequest request { "page.txt", c.text, c.encoding };
        ASSERT_TRUE(runInBackground([request] { NetworkManager::sharedManager().uploadASCII(request); }));
        ASSERT_TRUE(waitFor([&] { return delegate->uploads.size() == 1; }, 10));
        EXPECT_EQ(delegate->uploads.back().second, 0);
        EXPECT_EQ(server.readFile("page.txt"), c.bytes);
        ASSERT_EQ(delegate->reports.size(), 1u);
        EXPECT_EQ(delegate->reports.back().switchedToUTF8, c.fellBack);
        EXPECT_EQ(log.contains("was saved as UTF-8, because it now holds characters that"), c.fellBack);
    }
}

namespace {

struct RefusedCase {
    const char* title;
    bool sftp;
    bool binary;
    const char* reply; // contained in lastReplyLine()
};

} // namespace

TEST(RefusedDownload, TheServersReplyIsKept)
{
    const RefusedCase cases[] = {
        { "FTP text", false, false, "550 Permission denied." },
        { "FTP binary", false, true, "550 Permission denied." },
        { "SFTP text", true, false, "Permission denied" },
        { "SFTP binary", true, true, "Permission denied" },
    };
    NetworkManager& manager = NetworkManager::sharedManager();
    manager.setLimits({});
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.title);
        TestServer& server = c.sftp ? static_cast<TestServer&>(SftpTestServer::shared())
                                    : static_cast<TestServer&>(FtpTestServer::shared());
        server.clearRoot();
        server.writeFile("secret.png", "hidden");
        fs::permissions(server.pathFor("secret.png"), fs::perms::none);
        server.writeFile("open.png", "shown");
        auto delegate = std::make_shared<RecordingDelegate>();
        ASSERT_EQ(connectWith(connectionFor(server, c.sftp ? QVConnection::kTypeSFTP : QVConnection::kTypeFTP),
                              delegate),
                  0);
        NSData bytes;
        auto download = [&](const std::string& name) {
            return c.binary ? downloadBinaryWith(*delegate, name) : downloadWith(*delegate, name, bytes);
        };
        EXPECT_NE(download("secret.png"), 0);
        if (c.sftp) {
            EXPECT_NE(manager.lastReplyLine().find(c.reply), std::string::npos) << manager.lastReplyLine();
        } else {
            EXPECT_EQ(manager.lastReplyLine(), c.reply);
        }
        // A download that works leaves no reply behind from the one before.
        EXPECT_EQ(download("open.png"), 0);
        EXPECT_EQ(manager.lastReplyLine(), "");
    }
}

namespace {

struct RefusedCommandCase {
    const char* title;
    bool sftp;
    std::function<int(NetworkManager&)> run;
    const char* reply;      // contained in lastReplyLine()
    bool listedAfterwards; // the command worked and only the listing after it failed
};

} // namespace

// A refused command's result comes with the server's words; so does a listing refused after a
// command that worked, whose own result is still a success.
TEST(RefusedCommand, TheServersReplyComesWithTheResult)
{
    const std::string denied = "550 Not enough privileges.";
    const RefusedCommandCase cases[] = {
        { "FTP rename", false, [](NetworkManager& m) { return m.renameFile("a.txt", "b.txt"); }, denied.c_str(), false },
        { "FTP delete", false, [](NetworkManager& m) { return m.deleteFile("a.txt"); }, denied.c_str(), false },
        { "FTP new folder", false, [](NetworkManager& m) { return m.createFolder("new"); }, denied.c_str(), false },
        { "FTP remove folder", false, [](NetworkManager& m) { return m.deleteFolder("dir"); }, denied.c_str(), false },
        { "FTP new file", false, [](NetworkManager& m) { return m.uploadASCII("new.txt", u"x"); }, denied.c_str(),
          false },
        { "SFTP rename", true, [](NetworkManager& m) { return m.renameFile("a.txt", "b.txt"); }, "Permission denied",
          false },
        { "SFTP delete", true, [](NetworkManager& m) { return m.deleteFile("a.txt"); }, "Permission denied", false },
        { "SFTP new folder", true, [](NetworkManager& m) { return m.createFolder("new"); }, "Permission denied",
          false },
        { "FTP listing refused after a rename", false,
          [](NetworkManager& m) { return m.renameFile("a.txt", std::string(FtpTestServer::kRefuseListPrefix) + ".txt"); },
          "550 Listing refused.", true },
    };
    NetworkManager& manager = NetworkManager::sharedManager();
    manager.setLimits({});
    for (const RefusedCommandCase& c : cases) {
        SCOPED_TRACE(c.title);
        TestServer& server = c.sftp ? static_cast<TestServer&>(SftpTestServer::shared())
                                    : static_cast<TestServer&>(FtpTestServer::shared());
        server.clearRoot();
        server.writeFile("a.txt", "A");
        server.makeDir("dir");
        auto connection = connectionFor(server, c.sftp ? QVConnection::kTypeSFTP : QVConnection::kTypeFTP);
        if (!c.sftp && !c.listedAfterwards) {
            connection->setUsername(FtpTestServer::shared().readOnlyUser());
            connection->setPassword(FtpTestServer::shared().readOnlyPassword());
        }
        auto delegate = std::make_shared<RecordingDelegate>();
        ASSERT_EQ(connectWith(connection, delegate), 0);
        // The SFTP account may read its folder but not change it.
        const fs::path folder = server.pathFor("");
        const fs::perms before = fs::status(folder).permissions();
        if (c.sftp)
            fs::permissions(folder, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                            fs::perm_options::remove);
        const int code = c.run(manager);
        fs::permissions(folder, before);
        ASSERT_TRUE(waitFor([&] { return delegate->reloadResults.size() + delegate->uploads.size() == 1; }, 30));
        if (c.listedAfterwards) {
            EXPECT_EQ(code, 0);
            ASSERT_EQ(delegate->reloadResults.size(), 1u);
            EXPECT_EQ(delegate->reloadResults.back().commandCode, 0);
            EXPECT_NE(delegate->reloadResults.back().listingCode, 0);
        } else {
            EXPECT_NE(code, 0);
        }
        if (c.sftp) {
            EXPECT_NE(manager.lastReplyLine().find(c.reply), std::string::npos) << manager.lastReplyLine();
        } else {
            EXPECT_EQ(manager.lastReplyLine(), c.reply);
        }
        EXPECT_TRUE(server.exists("a.txt") != c.listedAfterwards) << "nothing changed on a refusal";
    }
    // The next result that worked carries no words of the failures before it.
    FtpTestServer::shared().clearRoot();
    auto delegate = std::make_shared<RecordingDelegate>();
    ASSERT_EQ(connectWith(connectionFor(FtpTestServer::shared(), QVConnection::kTypeFTP), delegate), 0);
    EXPECT_EQ(manager.createFolder("fresh"), 0);
    EXPECT_EQ(manager.lastReplyLine(), "");
}
