#include "tests/support/CurlClient.h"
#include "tests/support/SftpTestServer.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>

namespace {

class SftpServer : public testing::Test {
protected:
    void SetUp() override { server().clearRoot(); }
    static SftpTestServer& server() { return SftpTestServer::shared(); }
};

TEST_F(SftpServer, UrlNamesTheRootByItsAbsolutePath)
{
    const std::string root = server().rootDir().string();
    ASSERT_TRUE(root.starts_with("/"));
    EXPECT_EQ(server().url(), "sftp://127.0.0.1:" + std::to_string(server().port()) + root + "/");
}

TEST_F(SftpServer, ListsTheRoot)
{
    server().writeFile("index.html", "<html></html>");
    server().makeDir("My Folder");
    server().makeSparseFile("big.iso", 5ULL * 1024 * 1024 * 1024);
    const auto result = performCurl(curlRequestFor(server(), ""));
    ASSERT_EQ(result.code, CURLE_OK) << curl_easy_strerror(result.code) << "\n" << server().logText();
    EXPECT_NE(result.body.find("index.html"), std::string::npos) << result.body;
    EXPECT_NE(result.body.find("My Folder"), std::string::npos) << result.body;
    EXPECT_NE(result.body.find(" 5368709120 "), std::string::npos) << result.body;
}

TEST_F(SftpServer, UploadLandsOnDiskOwnedByTheAccount)
{
    auto request = curlRequestFor(server(), "uploaded.txt");
    request.upload = true;
    request.uploadBytes = "first line\nsecond line\n";
    const auto result = performCurl(request);
    ASSERT_EQ(result.code, CURLE_OK) << curl_easy_strerror(result.code);
    EXPECT_EQ(server().readFile("uploaded.txt"), request.uploadBytes);

    struct stat info { };
    ASSERT_EQ(::stat(server().pathFor("uploaded.txt").c_str(), &info), 0);
    const passwd* account = ::getpwnam(SftpTestServer::kAccount);
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(info.st_uid, account->pw_uid);
}

TEST_F(SftpServer, HelperFilesCanBeReplacedOverSftp)
{
    // Files the tests put in place belong to the account, so uploads may overwrite them.
    server().writeFile("nested/old.txt", "old");
    auto request = curlRequestFor(server(), "nested/old.txt");
    request.upload = true;
    request.uploadBytes = "new";
    ASSERT_EQ(performCurl(request).code, CURLE_OK);
    EXPECT_EQ(server().readFile("nested/old.txt"), "new");
}

TEST_F(SftpServer, DownloadMatchesDiskByteForByte)
{
    std::string bytes;
    for (int round = 0; round < 64; ++round)
        for (int b = 0; b < 256; ++b)
            bytes.push_back(static_cast<char>(b));
    server().writeFile("data.bin", bytes);
    const auto result = performCurl(curlRequestFor(server(), "data.bin"));
    ASSERT_EQ(result.code, CURLE_OK) << curl_easy_strerror(result.code);
    EXPECT_EQ(result.body, bytes);
}

TEST_F(SftpServer, OnlyTheTestAccountWithItsPasswordLogsIn)
{
    struct Case {
        const char* user;
        const char* password;
    };
    for (const Case c : { Case { SftpTestServer::kAccount, "wrong" },
             Case { "root", SftpTestServer::kPassword }, Case { SftpTestServer::kAccount, "" } }) {
        auto request = curlRequestFor(server(), "");
        request.user = c.user;
        request.password = c.password;
        EXPECT_EQ(performCurl(request).code, CURLE_LOGIN_DENIED) << c.user << " / " << c.password;
    }
}

} // namespace
