// Servers that greet as Microsoft, drop the connection mid-transfer or stall: every fault is
// reported with a code and nothing on the server is lost.

#include "tests/network/NetworkTestSupport.h"

#include "tests/support/FtpTestServer.h"
#include "tests/support/SftpTestServer.h"

#include <curl/curl.h>
#include <gtest/gtest.h>


namespace {

NetworkManager& manager()
{
    return NetworkManager::sharedManager();
}

NetworkManager::Limits shortLimits()
{
    NetworkManager::Limits limits;
    limits.serverResponseSeconds = 2;
    limits.stallSeconds = 2;
    return limits;
}

class LimitsReset : public testing::Test {
protected:
    void TearDown() override { manager().setLimits({}); }
    std::shared_ptr<RecordingDelegate> delegate_ { std::make_shared<RecordingDelegate>() };
};

using FtpFaults = LimitsReset;
using SftpFaults = LimitsReset;

} // namespace

TEST_F(FtpFaults, MicrosoftGreetingSwitchesToTheOneLineParser)
{
    FtpTestServer& server = FtpTestServer::shared(FtpTestServer::microsoft());
    server.clearRoot();
    server.makeDir("My Folder");
    server.writeFile("index.html", "<html/>");
    server.writeFile("My Folder/inner.css", "a{}");
    ASSERT_EQ(connectWith(connectionFor(server, QVConnection::kTypeFTP), delegate_), 0);
    EXPECT_TRUE(manager().microsoft());
    ASSERT_TRUE(listedEntry("My Folder"));
    EXPECT_TRUE(listedEntry("My Folder")->isDirectory());
    ASSERT_TRUE(listedEntry("index.html"));
    EXPECT_EQ(listedEntry("index.html")->size(), 7);
    ASSERT_TRUE(changeDirWith(*delegate_, "My Folder"));
    EXPECT_EQ(listedNames(), std::vector<std::string> { "inner.css" });

    // The next connection starts over.
    FtpTestServer& plain = FtpTestServer::shared();
    ASSERT_EQ(connectWith(connectionFor(plain, QVConnection::kTypeFTP), delegate_), 0);
    EXPECT_FALSE(manager().microsoft());
}

TEST_F(FtpFaults, DroppedDownloadIsReportedAndTheNextTransferWorks)
{
    FtpTestServer& server = FtpTestServer::shared();
    server.clearRoot();
    server.writeFile("drop-transfer.bin", patternBytes(512 * 1024));
    server.writeFile("fine.txt", "fine");
    ASSERT_EQ(connectWith(connectionFor(server, QVConnection::kTypeFTP), delegate_), 0);
    NSData bytes;
    EXPECT_NE(downloadWith(*delegate_, "drop-transfer.bin", bytes), 0);
    EXPECT_NE(downloadBinaryWith(*delegate_, "drop-transfer.bin"), 0);
    EXPECT_TRUE(delegate_->entry->localPath().empty());
    EXPECT_EQ(downloadWith(*delegate_, "fine.txt", bytes), 0);
    EXPECT_EQ(bytes, "fine");
}

TEST_F(FtpFaults, DroppedReplacingUploadKeepsTheOriginal)
{
    FtpTestServer& server = FtpTestServer::shared();
    server.clearRoot();
    server.writeFile("drop-connection.txt", "original");
    ASSERT_EQ(connectWith(connectionFor(server, QVConnection::kTypeFTP), delegate_), 0);
    EXPECT_NE(uploadWith(*delegate_, "drop-connection.txt", u"replacement"), 0);
    EXPECT_EQ(server.readFile("drop-connection.txt"), "original");
    EXPECT_EQ(uploadWith(*delegate_, "other.txt", u"still works"), 0);
    EXPECT_EQ(server.readFile("other.txt"), "still works");
}

TEST_F(FtpFaults, CommandsAfterAReconnectActInTheWorkFolder)
{
    FtpTestServer& server = FtpTestServer::shared();
    server.clearRoot();
    server.writeFile("sub/victim.txt", "delete me");
    server.writeFile("victim.txt", "keep me");
    server.writeFile("sub/drop-transfer.bin", patternBytes(256 * 1024));
    ASSERT_EQ(connectWith(connectionFor(server, QVConnection::kTypeFTP), delegate_), 0);
    ASSERT_TRUE(changeDirWith(*delegate_, "sub"));
    NSData bytes;
    ASSERT_NE(downloadWith(*delegate_, "drop-transfer.bin", bytes), 0); // the server hangs up
    EXPECT_EQ(manager().deleteFile("victim.txt"), 0);
    EXPECT_FALSE(server.exists("sub/victim.txt"));
    EXPECT_EQ(server.readFile("victim.txt"), "keep me");
}

TEST_F(FtpFaults, StalledTransferEndsWithTheTimeOut)
{
    FtpTestServer& server = FtpTestServer::shared();
    server.clearRoot();
    server.writeFile("stall-transfer.bin", patternBytes(512 * 1024));
    server.writeFile("fine.txt", "fine");
    manager().setLimits(shortLimits());
    ASSERT_EQ(connectWith(connectionFor(server, QVConnection::kTypeFTP), delegate_), 0);
    NSData bytes;
    EXPECT_EQ(downloadWith(*delegate_, "stall-transfer.bin", bytes), CURLE_OPERATION_TIMEDOUT);
    EXPECT_EQ(downloadWith(*delegate_, "fine.txt", bytes), 0);
    EXPECT_EQ(bytes, "fine");
}

TEST_F(SftpFaults, CutDownloadIsReportedAndTheNextTransferWorks)
{
    SftpTestServer& server = SftpTestServer::shared();
    server.clearRoot();
    server.writeFile("big.bin", patternBytes(2 << 20));
    server.writeFile("fine.txt", "fine");
    auto connection = connectionFor(server, QVConnection::kTypeSFTP);
    TcpProxy proxy(server.port(), TcpProxy::Fault::cut, TcpProxy::Direction::toClient, 256 * 1024);
    connection->setPort(proxy.port());
    manager().setLimits(shortLimits());
    ASSERT_EQ(connectWith(connection, delegate_), 0);
    NSData bytes;
    EXPECT_NE(downloadWith(*delegate_, "big.bin", bytes), 0);
    proxy.heal();
    EXPECT_EQ(downloadWith(*delegate_, "fine.txt", bytes), 0);
    EXPECT_EQ(bytes, "fine");
}

TEST_F(SftpFaults, CutReplacingUploadKeepsTheOriginal)
{
    SftpTestServer& server = SftpTestServer::shared();
    server.clearRoot();
    server.writeFile("page.html", "original");
    auto connection = connectionFor(server, QVConnection::kTypeSFTP);
    TcpProxy proxy(server.port(), TcpProxy::Fault::cut, TcpProxy::Direction::toServer, 256 * 1024);
    connection->setPort(proxy.port());
    manager().setLimits(shortLimits());
    ASSERT_EQ(connectWith(connection, delegate_), 0);
    const std::u16string big(1 << 20, u'x');
    EXPECT_NE(uploadWith(*delegate_, "page.html", big), 0);
    EXPECT_EQ(server.readFile("page.html"), "original");
    // The line went with the part, which this save wrote under a free name: a new connection
    // removes it, and the report names the original alone.
    ASSERT_FALSE(delegate_->reports.empty());
    const SaveReport& report = delegate_->reports.back();
    EXPECT_FALSE(server.exists("page.html_##_"));
    ASSERT_EQ(report.places.size(), 1u);
    EXPECT_EQ(report.places[0].name, "page.html");
    EXPECT_EQ(report.places[0].holds, SaveReport::Holds::oldText);
}

TEST_F(SftpFaults, StalledTransferEndsWithTheTimeOut)
{
    SftpTestServer& server = SftpTestServer::shared();
    server.clearRoot();
    server.writeFile("slow.bin", patternBytes(4 << 20));
    auto connection = connectionFor(server, QVConnection::kTypeSFTP);
    TcpProxy proxy(server.port(), TcpProxy::Fault::stall, TcpProxy::Direction::toClient, 256 * 1024);
    connection->setPort(proxy.port());
    manager().setLimits(shortLimits());
    ASSERT_EQ(connectWith(connection, delegate_), 0);
    NSData bytes;
    EXPECT_EQ(downloadWith(*delegate_, "slow.bin", bytes), CURLE_OPERATION_TIMEDOUT);
}

// A transfer that keeps moving is never cut off, however long it takes in all: here about two
// and a half seconds on a line of 64 KB/s against a stall time of two. The product's limits
// are checked as values, not waited out.
TEST_F(SftpFaults, SlowButMovingTransfersFinish)
{
    EXPECT_EQ(manager().limits().serverResponseSeconds, 20);
    EXPECT_EQ(manager().limits().stallSeconds, 25);
    SftpTestServer& server = SftpTestServer::shared();
    server.clearRoot();
    const NSData content = patternBytes(160 * 1024);
    server.writeFile("slow.bin", content);
    auto connection = connectionFor(server, QVConnection::kTypeSFTP);
    TcpProxy proxy(server.port(), TcpProxy::Fault::slow, TcpProxy::Direction::toClient, 64 * 1024);
    connection->setPort(proxy.port());
    manager().setLimits(shortLimits());
    ASSERT_EQ(connectWith(connection, delegate_), 0);
    NSData bytes;
    EXPECT_EQ(downloadWith(*delegate_, "slow.bin", bytes), 0);
    EXPECT_TRUE(bytes == content) << bytes.size() << " bytes arrived";
}
