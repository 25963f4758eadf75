// The network manager's parts that need no server: paths and URLs, callbacks, the local
// copy's safety, deliveries to a delegate that refuses or has gone.

#include "tests/network/NetworkTestSupport.h"

#include "Classes/Others/NaviStack.h"
#include "Classes/Others/NetworkManagerTestSeam.h"
#include "Classes/Others/PermissionHelpers.h"
#include "Classes/Others/TransferData.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSThread.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

int main(int argc, char** argv)
{
    // A private home, so cached copies land in a fresh temporary folder.
    const TempDir home("lexiphant-network");
    const ScopedEnv homeEnv("LEXIPHANT_HOME", home.path());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

TEST(NetworkPaths, Curl2PathOfUrls)
{
    const std::pair<const char*, const char*> cases[] = {
        { "", "" },
        { "ftp://h:21/", "/" },
        { "ftp://h:21", "/" },
        { "ftp://h:21/www/css/", "/www/css" },
        { "ftp://h:21/www/css", "/www/css" },
        { "ftp://h:21/c%20d/", "/c d" },
        { "ftp://h:21/a%23b/100%25/", "/a#b/100%" },
        { "ftp://h:21/%C3%BC/", "/\xC3\xBC" },
        { "sftp://h:22/home/u/site/", "/home/u/site" },
        { "nonsense", "" },
    };
    for (const auto& [url, path] : cases)
        EXPECT_EQ(NetworkManager::curl2path(url), path) << url;
}

TEST(NetworkPaths, ComponentsAreEscapedOnceAndDecodeBack)
{
    const char* names[] = { "c d", "a#b", "100%", "q?x", "\xC3\xBC", "semi;type=a", "plain-name_1.txt~" };
    for (const char* name : names) {
        const std::string escaped = escapedPathComponent(name);
        EXPECT_EQ(escaped.find_first_of(" #?/;"), std::string::npos) << name;
        EXPECT_EQ(unescapedPath(escaped), name);
    }
    EXPECT_EQ(escapedPathComponent("c d"), "c%20d");
    EXPECT_EQ(escapedPathComponent("100%"), "100%25");
}

TEST(NetworkPaths, SftpPathsQuoteQuotesAndBackslashes)
{
    EXPECT_EQ(quotedSftpPath("/a/b c"), "\"/a/b c\"");
    EXPECT_EQ(quotedSftpPath("/say \"hi\""), "\"/say \\\"hi\\\"\"");
    EXPECT_EQ(quotedSftpPath("/back\\slash"), "\"/back\\\\slash\"");
}

TEST(NetworkPaths, UnsafeCharacters)
{
    EXPECT_TRUE(hasUnsafeCharacters("a\rb"));
    EXPECT_TRUE(hasUnsafeCharacters("a\nDELE b"));
    EXPECT_TRUE(hasUnsafeCharacters(std::string("a\0b", 3)));
    EXPECT_FALSE(hasUnsafeCharacters("a \"b\" #%?"));
}

TEST(NetworkPaths, ModesOfPermissionTexts)
{
    const std::pair<const char*, std::optional<unsigned>> cases[] = {
        { "-rw-------", 0600u },
        { "-rwxr-xr-x", 0755u },
        { "-rwsr-x--T", 05750u },
        { "drwxrwxrwt", 01777u },
        { "-rwSr-Sr--", 06644u },
        { "lrwxrwxrwx -> x", 0777u },
        { "-rwxr-xr-", std::nullopt },
        { "?rw-r--r--", std::nullopt },
        { "-rw-r--r-q", std::nullopt },
    };
    for (const auto& [text, mode] : cases)
        EXPECT_EQ(Connection::modeOfPermissions(text), mode) << text;
}

TEST(NaviStack, FollowsPaths)
{
    NaviStack stack;
    EXPECT_EQ(stack.getCurrentDir(), "/");
    EXPECT_EQ(stack.syncWithPath("/www/css"), "css");
    EXPECT_EQ(stack.arrStack(), (std::vector<std::string> { "/", "www", "css" }));
    EXPECT_EQ(stack.syncWithPath("/"), "/");
    EXPECT_EQ(stack.syncWithPath("/c d"), "c d");
}

TEST(NetworkCallbacks, ListWriteStopsAtItsLimit)
{
    NSData bytes;
    TransferData record;
    record.kind = TransferData::kDownload;
    record.data = &bytes;
    record.limit = 10;
    char chunk[6] = { 'a', 'b', 'c', 'd', 'e', 'f' };
    EXPECT_EQ(listWriteCallback(chunk, 1, 6, &record), 6u);
    EXPECT_EQ(listWriteCallback(chunk, 1, 4, &record), 4u); // exactly at the limit
    EXPECT_EQ(listWriteCallback(chunk, 1, 1, &record), 0u);
    EXPECT_TRUE(record.overflowed);
    EXPECT_EQ(bytes, "abcdefabcd");
    // Without a record or for an upload record the bytes are taken and dropped.
    EXPECT_EQ(listWriteCallback(chunk, 2, 3, nullptr), 6u);
    record.kind = TransferData::kUpload;
    EXPECT_EQ(listWriteCallback(chunk, 1, 6, &record), 6u);
}

TEST(NetworkCallbacks, UploadReadSuppliesInChunksThenEnds)
{
    NSData bytes = patternBytes(10);
    TransferData record;
    record.kind = TransferData::kUpload;
    record.data = &bytes;
    record.length = bytes.size();
    char buffer[4];
    NSData read;
    std::size_t n = 0;
    while ((n = uploadReadCallback(buffer, 1, sizeof buffer, &record)) > 0)
        read.append(buffer, n);
    EXPECT_EQ(read, bytes);
    EXPECT_EQ(uploadReadCallback(buffer, 1, sizeof buffer, &record), 0u);
}

TEST(NetworkCallbacks, OnlyA220GreetingNamingMicrosoftCounts)
{
    NetworkManager& manager = NetworkManager::sharedManager();
    const std::pair<std::string, bool> lines[] = {
        { "220 Microsoft FTP Service\r\n", true },
        { "220-Welcome to Microsoft land\r\n", true },
        { "230 Microsoft says hello\r\n", false },
        { "220 pyftpdlib ready\r\n", false },
        { "22", false },
    };
    for (const auto& [line, expected] : lines) {
        manager.setMicrosoft(false);
        std::string copy = line;
        EXPECT_EQ(greetingHeaderCallback(copy.data(), 1, copy.size(), nullptr), copy.size());
        EXPECT_EQ(manager.microsoft(), expected) << line;
    }
    manager.setMicrosoft(false);
}

TEST(NetworkErrors, MessagesForCodes)
{
    NetworkManager& manager = NetworkManager::sharedManager();
    EXPECT_EQ(manager.getErrorMessage(6), curl_easy_strerror(CURLE_COULDNT_RESOLVE_HOST));
    EXPECT_EQ(manager.getErrorMessage(67), curl_easy_strerror(CURLE_LOGIN_DENIED));
    EXPECT_NE(manager.getErrorMessage(NetworkManager::kCodeReplaceIncomplete).find("_##_"), std::string::npos);
    EXPECT_NE(manager.getErrorMessage(NetworkManager::kCodeUnencodableText).find("UTF-8"), std::string::npos);
    EXPECT_NE(manager.getErrorMessage(NetworkManager::kCodeUnsafeName).find("line break"), std::string::npos);
}

TEST(NetworkCache, KeepsCopiesInsideThePrivateFolder)
{
    NetworkManager& manager = NetworkManager::sharedManager();
    const std::string tmp = NSTemporaryDirectory();
    auto path = manager.cacheFile("photo.png", "first");
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, tmp + "photo.png");
    path = manager.cacheFile("photo.png", "second"); // one name, one file
    ASSERT_TRUE(path);
    std::ifstream in(*path);
    std::string content((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(content, "second");

    // Only the last component counts; names that name no file are refused.
    path = manager.cacheFile("../../escape.bin", "x");
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, tmp + "escape.bin");
    for (const char* bad : { "", ".", "..", "/", "a/..", "x\ny" })
        EXPECT_FALSE(manager.cacheFile(bad, "x")) << bad;
}

TEST(NetworkCache, NeverFollowsALinkNorEmptiesAFolder)
{
    NetworkManager& manager = NetworkManager::sharedManager();
    const std::string tmp = NSTemporaryDirectory();
    const std::string outside = std::filesystem::path(tmp).parent_path().parent_path().string() + "/outside.txt";
    {
        std::ofstream(outside) << "keep me";
    }
    std::filesystem::remove(tmp + "linked.txt"); // a copy from an earlier run of this test
    std::filesystem::create_symlink(outside, tmp + "linked.txt");
    auto path = manager.cacheFile("linked.txt", "new");
    ASSERT_TRUE(path);
    EXPECT_FALSE(std::filesystem::is_symlink(*path));
    std::ifstream in(outside);
    std::string kept((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(kept, "keep me");

    // A folder with something in it is never removed to make room.
    std::filesystem::create_directories(tmp + "full/inner");
    EXPECT_FALSE(manager.cacheFile("full", "x"));
    EXPECT_TRUE(std::filesystem::exists(tmp + "full/inner"));
}

TEST(NetworkConnect, Port22MakesAnSftpRecord)
{
    auto connection = std::make_shared<QVConnection>();
    connection->setHost("127.0.0.1");
    connection->setPort(22);
    connection->setType(QVConnection::kTypeFTP);
    connection->setUsername("nobody");
    connection->setPassword("wrong");
    connection->setStartPath("/");
    NetworkManager& manager = NetworkManager::sharedManager();
    NetworkManager::Limits limits;
    limits.serverResponseSeconds = 3;
    limits.stallSeconds = 3;
    manager.setLimits(limits);
    auto delegate = std::make_shared<RecordingDelegate>();
    const int code = connectWith(connection, delegate);
    manager.setLimits({});
    EXPECT_NE(code, 0); // nothing to log in to here
    EXPECT_EQ(connection->type(), QVConnection::kTypeSFTP);
    EXPECT_EQ(manager.getWorkUrl(), "sftp://127.0.0.1:22/");
    EXPECT_EQ(manager.naviStack().baseURL(), "sftp://127.0.0.1:22/");
    EXPECT_TRUE(manager.curDirListening() && manager.curDirListening()->empty());
}

TEST(NetworkConnect, HostsThatWouldChangeTheUrlAreRefused)
{
    auto delegate = std::make_shared<RecordingDelegate>();
    for (const char* host : { "evil.example/other", "user@host", "a b", "" }) {
        auto connection = std::make_shared<QVConnection>();
        connection->setHost(host);
        connection->setPort(21);
        connection->setStartPath("/");
        EXPECT_EQ(connectWith(connection, delegate), CURLE_URL_MALFORMAT) << host;
    }
    auto connection = std::make_shared<QVConnection>();
    connection->setHost("127.0.0.1");
    connection->setPort(21);
    connection->setUsername("me\r\nDELE x");
    EXPECT_EQ(connectWith(connection, delegate), NetworkManager::kCodeUnsafeName);
}

TEST(NetworkDelivery, RefusedAndVanishedDelegatesGetNothing)
{
    NetworkManager& manager = NetworkManager::sharedManager();
    manager.terminate(); // no transfer handle: every operation fails at once

    auto refusing = std::make_shared<RecordingDelegate>();
    refusing->refused = { NetworkManagerDelegate::Operation::setData };
    manager.setDelegate(refusing);
    ASSERT_TRUE(runInBackground([] { NetworkManager::sharedManager().downloadFile("x.txt"); }));
    EXPECT_EQ(refusing->events, std::vector<std::string> { "downloadedFile" });
    EXPECT_EQ(refusing->downloadCodes, std::vector<int> { CURLE_FAILED_INIT });
    EXPECT_TRUE(refusing->allOnMainThread);

    // The screen goes away while its download runs: the result is dropped, nothing crashes.
    auto vanishing = std::make_shared<RecordingDelegate>();
    std::weak_ptr<RecordingDelegate> watch = vanishing;
    manager.setDelegate(vanishing);
    auto done = std::make_shared<std::atomic<bool>>(false);
    performInBackground([done] {
        NetworkManager::sharedManager().downloadFile("x.txt");
        done->store(true);
    });
    vanishing.reset();
    EXPECT_TRUE(watch.expired());
    EXPECT_TRUE(waitFor([&] { return done->load(); }));
    EXPECT_EQ(manager.threadStatus(), 0);
}

TEST(NetworkDelivery, UploadResultIsQueuedEvenOnTheMainThread)
{
    NetworkManager& manager = NetworkManager::sharedManager();
    manager.terminate(); // no transfer handle: every operation fails at once
    auto delegate = std::make_shared<RecordingDelegate>();
    manager.setDelegate(delegate);
    const int code = manager.uploadASCII("a.txt", u"text");
    EXPECT_EQ(code, CURLE_FAILED_INIT);
    EXPECT_TRUE(delegate->uploads.empty()); // not inside the call
    EXPECT_TRUE(waitFor([&] { return !delegate->uploads.empty(); }, 5));
    EXPECT_EQ(delegate->uploads.front(), std::make_pair(std::string("a.txt"), int(CURLE_FAILED_INIT)));
    // A command that could not be sent is no success, and its result says which it was.
    EXPECT_EQ(manager.createFolder("new"), CURLE_FAILED_INIT);
    ASSERT_EQ(delegate->reloadResults.size(), 1u);
    EXPECT_EQ(delegate->reloadResults.front().command, ReloadResult::Command::createFolder);
    EXPECT_EQ(delegate->reloadResults.front().commandName, "new");
    EXPECT_EQ(delegate->reloadResults.front().commandCode, CURLE_FAILED_INIT);
}
