// Quitting the application while a remote operation runs on a slow server: the operation ends
// before the transfer handle goes (nothing crashes, nothing is delivered to a screen), a save is
// waited for and stands whole under its name, and the manager connects again after.

#include "tests/network/NetworkTestSupport.h"

#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "tests/support/FtpTestServer.h"
#include "tests/support/LogCapture.h"
#include "tests/support/SftpTestServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

enum class Operation { connect, connectSilent, listing, download, binaryDownload, save };

struct QuitCase {
    const char* title;
    Operation operation;
    const char* logged; // a line fragment that shows how the operation ended
    bool sftp { false };    // over a slow line to the SFTP server, else to the throttled FTP server
};

void PrintTo(const QuitCase& c, std::ostream* out)
{
    *out << c.title;
}

// Each of these would run for many seconds at the server's rate; the quit comes a moment in.
const QuitCase kCases[] = {
    { "ConnectListingTheStartFolder", Operation::connect, "connectTo is done!" },
    { "ConnectToASilentServer", Operation::connectSilent, "connectTo is done!" },
    { "Listing", Operation::listing, "failed with code 42" },
    { "TextDownload", Operation::download, "Downloading returned 42 !" },
    { "BinaryDownload", Operation::binaryDownload, "Downloading returned 42" },
    { "Save", Operation::save, "Waiting for the save to finish before quitting" },
    { "SftpListing", Operation::listing, "failed with code 42", true },
    { "SftpTextDownload", Operation::download, "Downloading returned 42 !", true },
    { "SftpSave", Operation::save, "Waiting for the save to finish before quitting", true },
};

constexpr std::size_t kBytesPerSecond = 2000;      // the FTP server's data connections
constexpr std::size_t kSftpBytesPerSecond = 16000; // everything the SFTP server sends
constexpr int kFilesInBigFolder = 600;             // a listing of many seconds
const std::string kOriginal = "the original text\n";

FtpTestServer& throttledServer()
{
    FtpServerOptions options;
    options.throttleBytesPerSecond = kBytesPerSecond;
    return FtpTestServer::shared(options);
}

using Disk = std::map<std::string, std::string>;

Disk diskOf(const TestServer& server)
{
    Disk disk;
    for (const fs::directory_entry& entry : fs::directory_iterator(server.rootDir()))
        if (entry.is_regular_file())
            disk[entry.path().filename().string()] = server.readFile(entry.path().filename().string()).value_or("");
    return disk;
}

// Names and sizes, for a failure's message (the contents are long).
std::string describe(const Disk& disk)
{
    std::string text;
    for (const auto& [name, content] : disk)
        text += name + " (" + std::to_string(content.size()) + " bytes) ";
    return text;
}

// The main loop runs for a moment, so the operation is well inside its transfer.
void letItRun(double seconds)
{
    (void)waitFor([] { return false; }, seconds);
}

class QuitDuringOperationTest : public testing::TestWithParam<QuitCase> {
protected:
    void SetUp() override
    {
        // A short stall limit: an operation that ignored the quit would make terminate give
        // up on it (and say so) long before the transfer could end by itself. A save keeps
        // the product's: a slow line's socket buffers hold its bytes for seconds unmoved.
        NetworkManager::Limits limits;
        if (GetParam().operation != Operation::save)
            limits.stallSeconds = 3;
        NetworkManager::sharedManager().setLimits(limits);
    }
    void TearDown() override { NetworkManager::sharedManager().setLimits({}); }
};

std::string caseTitle(const testing::TestParamInfo<QuitCase>& info)
{
    return info.param.title;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(EveryOperation, QuitDuringOperationTest, testing::ValuesIn(kCases), caseTitle);

TEST_P(QuitDuringOperationTest, EndsTheOperationBeforeTheHandle)
{
    const QuitCase& c = GetParam();
    TestServer& server = c.sftp ? static_cast<TestServer&>(SftpTestServer::shared()) : throttledServer();
    const std::size_t rate = c.sftp ? kSftpBytesPerSecond : kBytesPerSecond;
    const std::size_t slowFileBytes = 30 * rate; // half a minute at the server's rate
    server.clearRoot();
    server.makeDir("big");
    for (int i = 0; i < kFilesInBigFolder; ++i)
        server.writeFile("big/file-" + std::to_string(i) + ".txt", "x");
    server.writeFile("page.txt", kOriginal);
    server.writeFile("large.txt", std::string(slowFileBytes, 'a'));
    server.writeFile("picture.png", patternBytes(slowFileBytes));
    server.writeFile("other.txt", "another file\n");
    const Disk before = diskOf(server);
    const std::string savedText = std::string(3 * rate, 's') + "\n"; // a few seconds

    NetworkManager& manager = NetworkManager::sharedManager();
    auto delegate = std::make_shared<RecordingDelegate>();
    std::unique_ptr<TcpProxy> line;
    const int type = c.sftp ? QVConnection::kTypeSFTP : QVConnection::kTypeFTP;
    auto connection = connectionFor(server, type);
    if (c.sftp) {
        // A save's bytes go to the server: that way is the slow one.
        const auto direction = c.operation == Operation::save ? TcpProxy::Direction::toServer
                                                              : TcpProxy::Direction::toClient;
        line = std::make_unique<TcpProxy>(server.port(), TcpProxy::Fault::slow, direction, rate);
        connection->setPort(line->port());
    }
    if (c.operation == Operation::connect)
        connection->setStartPath("/big");
    if (c.operation == Operation::connectSilent) {
        // Takes the connection and never greets.
        line = std::make_unique<TcpProxy>(server.port(), TcpProxy::Fault::stall, TcpProxy::Direction::toClient, 0);
        connection->setPort(line->port());
    }
    if (c.operation == Operation::connect || c.operation == Operation::connectSilent) {
        manager.setConnection(connection);
        manager.setDelegate(delegate);
    } else {
        ASSERT_EQ(connectWith(connection, delegate), 0);
        delegate->events.clear();
    }

    const std::map<Operation, std::pair<int, std::function<void()>>> starts = {
        { Operation::connect, { 1, [] { NetworkManager::sharedManager().connect(); } } },
        { Operation::connectSilent, { 1, [] { NetworkManager::sharedManager().connect(); } } },
        { Operation::listing, { 2, [] { (void)NetworkManager::sharedManager().changeWorkDir("big"); } } },
        { Operation::download, { 3, [] { NetworkManager::sharedManager().downloadFile("large.txt"); } } },
        { Operation::binaryDownload, { 5, [] { NetworkManager::sharedManager().downloadBinaryFile("picture.png"); } } },
        { Operation::save,
          { 4, [savedText] {
               NetworkManager::sharedManager().uploadASCII(
                   UploadRequest { "page.txt", std::u16string(savedText.begin(), savedText.end()) });
           } } },
    };
    LogCapture log;
    const auto& [status, work] = starts.at(c.operation);
    ASSERT_TRUE(manager.beginOperation(status, work));
    letItRun(1.0);
    ASSERT_EQ(manager.threadStatus(), status) << "the operation ended before the quit";

    manager.terminate();

    EXPECT_EQ(manager.threadStatus(), 0);
    EXPECT_TRUE(log.contains(c.logged)) << c.logged;
    EXPECT_FALSE(log.contains("did not end"));
    // Nothing reaches a screen during termination, nor once it is over.
    letItRun(0.2);
    EXPECT_TRUE(delegate->events.empty()) << delegate->events.front();
    EXPECT_TRUE(delegate->reports.empty());

    const Disk after = diskOf(server);
    if (c.operation == Operation::save) {
        // The save was let finish: the new text under the name, no temporary copy beside it,
        // every other file as it was.
        Disk expected = before;
        expected["page.txt"] = savedText;
        EXPECT_TRUE(after == expected) << describe(after) << "instead of " << describe(expected);
    } else {
        EXPECT_TRUE(after == before) << describe(after) << "instead of " << describe(before);
    }
    if (c.operation == Operation::binaryDownload) { // part of a file is no copy of it
        EXPECT_FALSE(fs::exists(stringByAppendingPathComponent(NSTemporaryDirectory(), "picture.png")));
    }

    // The manager is as good as new for the next connection.
    EXPECT_EQ(connectWith(connectionFor(server, type), delegate), 0);
}
