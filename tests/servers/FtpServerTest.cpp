#include "tests/support/CurlClient.h"
#include "tests/support/FtpTestServer.h"

#include <gtest/gtest.h>

#include <ctime>
#include <sstream>

namespace {

std::time_t utc(int year, int month, int day, int hour, int minute)
{
    std::tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    return ::timegm(&t);
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        result.push_back(line);
    }
    return result;
}

std::string allByteValues()
{
    std::string bytes;
    for (int round = 0; round < 64; ++round)
        for (int b = 0; b < 256; ++b)
            bytes.push_back(static_cast<char>(b));
    return bytes;
}

class FtpServer : public testing::Test {
protected:
    void SetUp() override { server().clearRoot(); }
    static FtpTestServer& server() { return FtpTestServer::shared(); }
};

TEST_F(FtpServer, ListsTheRoot)
{
    server().writeFile("index.html", "<html></html>");
    server().makeDir("My Folder");
    const auto result = performCurl(curlRequestFor(server(), ""));
    ASSERT_EQ(result.code, CURLE_OK) << curl_easy_strerror(result.code);
    EXPECT_NE(result.body.find("index.html"), std::string::npos) << result.body;
    EXPECT_NE(result.body.find("My Folder"), std::string::npos) << result.body;
}

TEST_F(FtpServer, UploadLandsOnDisk)
{
    auto request = curlRequestFor(server(), "uploaded.txt");
    request.upload = true;
    request.uploadBytes = "first line\nsecond line\n";
    const auto result = performCurl(request);
    ASSERT_EQ(result.code, CURLE_OK) << curl_easy_strerror(result.code);
    EXPECT_EQ(server().readFile("uploaded.txt"), request.uploadBytes);
}

TEST_F(FtpServer, DownloadMatchesDiskByteForByte)
{
    server().writeFile("sub/data.bin", allByteValues());
    const auto result = performCurl(curlRequestFor(server(), "sub/data.bin"));
    ASSERT_EQ(result.code, CURLE_OK) << curl_easy_strerror(result.code);
    EXPECT_EQ(result.body, allByteValues());
}

TEST_F(FtpServer, ReadOnlyUserDownloadsButCannotUpload)
{
    server().writeFile("public.txt", "readable");
    auto download = curlRequestFor(server(), "public.txt");
    download.user = server().readOnlyUser();
    download.password = server().readOnlyPassword();
    EXPECT_EQ(performCurl(download).body, "readable");

    auto upload = download;
    upload.url = server().url() + "forbidden.txt";
    upload.upload = true;
    upload.uploadBytes = "nope";
    EXPECT_NE(performCurl(upload).code, CURLE_OK);
    EXPECT_FALSE(server().exists("forbidden.txt"));
}

TEST_F(FtpServer, WrongPasswordIsALoginFailure)
{
    auto request = curlRequestFor(server(), "");
    request.password = "wrong";
    EXPECT_EQ(performCurl(request).code, CURLE_LOGIN_DENIED);
}

TEST_F(FtpServer, GreetingIsNotMicrosoft)
{
    const auto result = performCurl(curlRequestFor(server(), ""));
    ASSERT_FALSE(result.responseLines.empty());
    EXPECT_TRUE(result.responseLines.front().starts_with("220 ")) << result.responseLines.front();
    EXPECT_EQ(result.responseLines.front().find("Microsoft"), std::string::npos);
}

TEST_F(FtpServer, SparseFileBeyondFourGigabytesIsListedWithItsSize)
{
    const std::uint64_t size = 5ULL * 1024 * 1024 * 1024;
    server().makeSparseFile("big.iso", size);
    const auto result = performCurl(curlRequestFor(server(), ""));
    ASSERT_EQ(result.code, CURLE_OK);
    EXPECT_NE(result.body.find(" 5368709120 "), std::string::npos) << result.body;
}

TEST(MicrosoftFtpServer, GreetsAsMicrosoftAndListsInMsDosForm)
{
    auto& server = FtpTestServer::shared(FtpTestServer::microsoft());
    server.clearRoot();
    server.writeFile("index.html", std::string(1234, 'x'));
    server.setModificationTime("index.html", utc(2026, 12, 9, 16, 28));
    server.makeDir("My Folder");
    server.setModificationTime("My Folder", utc(2001, 1, 2, 0, 15));
    server.makeSparseFile("huge.bin", 5ULL * 1024 * 1024 * 1024);
    server.setModificationTime("huge.bin", utc(1998, 3, 22, 12, 5));

    const auto result = performCurl(curlRequestFor(server, ""));
    ASSERT_EQ(result.code, CURLE_OK) << curl_easy_strerror(result.code);
    ASSERT_FALSE(result.responseLines.empty());
    EXPECT_EQ(result.responseLines.front(), "220 Microsoft FTP Service");
    EXPECT_EQ(lines(result.body),
        (std::vector<std::string> {
            "01-02-01  12:15AM       <DIR>          My Folder",
            "03-22-98  12:05PM           5368709120 huge.bin",
            "12-09-26  04:28PM                 1234 index.html",
        }));
}

TEST(ThrottledFtpServer, SlowTransferRunsIntoTheClientTimeout)
{
    FtpTestServer::Options options;
    options.throttleBytesPerSecond = 4096;
    auto& server = FtpTestServer::shared(options);
    server.writeFile("slow.bin", std::string(256 * 1024, 's'));
    auto request = curlRequestFor(server, "slow.bin");
    request.timeoutSeconds = 1;
    EXPECT_EQ(performCurl(request).code, CURLE_OPERATION_TIMEDOUT);
}

struct DropCase {
    const char* name;
    std::vector<std::string> dropOnCommands;
    const char* path;
    bool upload;
};

class DroppingFtpServer : public testing::TestWithParam<DropCase> { };

TEST_P(DroppingFtpServer, ClientGetsAnErrorNotAHang)
{
    FtpTestServer::Options options;
    options.dropOnCommands = GetParam().dropOnCommands;
    auto& server = FtpTestServer::shared(options);
    const std::string content(100000, 'd');
    server.writeFile("drop-transfer.bin", content);
    server.writeFile("drop-connection.txt", content);
    server.makeDir("drop-connection-folder");
    server.writeFile("plain.txt", content);

    auto request = curlRequestFor(server, GetParam().path);
    request.timeoutSeconds = 5;
    request.upload = GetParam().upload;
    request.uploadBytes = "upload";
    const auto result = performCurl(request);
    EXPECT_NE(result.code, CURLE_OK);
    EXPECT_NE(result.code, CURLE_OPERATION_TIMEDOUT);
    EXPECT_LT(result.body.size(), content.size());

    // The server itself keeps greeting the next client.
    const auto next = performCurl(curlRequestFor(server, "plain.txt"));
    ASSERT_FALSE(next.responseLines.empty());
    EXPECT_TRUE(next.responseLines.front().starts_with("220")) << next.responseLines.front();
}

INSTANTIATE_TEST_SUITE_P(Triggers, DroppingFtpServer,
    testing::Values(DropCase { "ChangeIntoMarkedFolder", {}, "drop-connection-folder/", false },
        DropCase { "RetrieveMarkedFile", {}, "drop-connection.txt", false },
        DropCase { "StoreMarkedFile", {}, "drop-connection-new.txt", true },
        DropCase { "HalfTransferThenDrop", {}, "drop-transfer.bin", false },
        DropCase { "OnListCommand", { "LIST" }, "", false },
        DropCase { "OnPassiveCommand", { "PASV" }, "plain.txt", false }),
    [](const testing::TestParamInfo<DropCase>& testCase) { return std::string(testCase.param.name); });

} // namespace
