// Lists a real folder on the test FTP server (UNIX and Microsoft/MS-DOS forms) and on the
// test SFTP server through libcurl, and decodes the bytes as the network manager does.

#include "Classes/Others/NetworkManager.h"
#include "Classes/Others/NetworkManagerListing.h"
#include "tests/support/FtpTestServer.h"
#include "tests/support/SftpTestServer.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr std::uint64_t kSparseSize = 5ULL * 1024 * 1024 * 1024 + 3; // past 4 GiB
constexpr std::time_t kOldTime = 1244808000;                           // 2009-06-12 12:00:00 UTC
const std::string kUtf8Name = "caf\xc3\xa9 men\xc3\xbc.php";
const std::string kLatin1Name = "ol\xe9.txt";

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

struct Fetched {
    CURLcode code { CURLE_OK };
    NSData bytes;
    bool microsoft { false };
};

std::size_t appendBytes(char* data, std::size_t size, std::size_t count, void* user)
{
    static_cast<NSData*>(user)->append(data, size * count);
    return size * count;
}

// As the network manager does: a "220" greeting naming Microsoft chooses the decoder.
std::size_t readGreeting(char* data, std::size_t size, std::size_t count, void* user)
{
    const std::string_view line(data, size * count);
    if (line.substr(0, 3) == "220" && line.find("Microsoft") != std::string_view::npos) *static_cast<bool*>(user) = true;
    return size * count;
}

Fetched fetchListing(const TestServer& server)
{
    Fetched fetched;
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    curl_easy_setopt(curl.get(), CURLOPT_URL, server.url().c_str());
    curl_easy_setopt(curl.get(), CURLOPT_USERNAME, server.user().c_str());
    curl_easy_setopt(curl.get(), CURLOPT_PASSWORD, server.password().c_str());
    curl_easy_setopt(curl.get(), CURLOPT_SSH_AUTH_TYPES, static_cast<long>(CURLSSH_AUTH_PASSWORD));
    curl_easy_setopt(curl.get(), CURLOPT_FTP_USE_EPSV, 0L);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, 25L);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &appendBytes);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &fetched.bytes);
    curl_easy_setopt(curl.get(), CURLOPT_HEADERFUNCTION, &readGreeting);
    curl_easy_setopt(curl.get(), CURLOPT_HEADERDATA, &fetched.microsoft);
    fetched.code = curl_easy_perform(curl.get());
    return fetched;
}

void populate(const TestServer& server)
{
    server.clearRoot();
    server.writeFile("with space.txt", "twelve bytes");
    server.writeFile(kUtf8Name, "<?php ?>");
    server.writeFile(kLatin1Name, "x");
    server.makeSparseFile("big.bin", kSparseSize);
    server.makeDir("My Folder");
    server.writeFile("My Folder/inside.txt", "x");
    server.writeFile("old.html", "<p>");
    server.setModificationTime("old.html", kOldTime);
    std::filesystem::create_symlink("with space.txt", server.pathFor("link"));
}

std::map<std::string, std::shared_ptr<FileEntry>> byName(const NetworkManager::Entries& entries)
{
    std::map<std::string, std::shared_ptr<FileEntry>> map;
    for (const auto& entry : entries) map[entry->name()] = entry;
    return map;
}

std::string describe(const NetworkManager::Entries& entries, const NSData& bytes)
{
    std::string text = "listing bytes:\n" + bytes + "\nentries:";
    for (const auto& entry : entries) text += " [" + entry->name() + "]";
    return text;
}

NetworkManager::Entries listAndDecode(const TestServer& server, bool expectMicrosoft, NSData* bytes)
{
    populate(server);
    const Fetched fetched = fetchListing(server);
    EXPECT_EQ(fetched.code, CURLE_OK) << curl_easy_strerror(fetched.code) << "\n" << server.logText();
    EXPECT_EQ(fetched.microsoft, expectMicrosoft);
    *bytes = fetched.bytes;
    return fetched.microsoft ? parseMicrosoftListing(fetched.bytes) : parseDirDataList(fetched.bytes);
}

void expectCommonEntries(const NetworkManager::Entries& entries, const NSData& bytes)
{
    SCOPED_TRACE(describe(entries, bytes));
    auto map = byName(entries);
    ASSERT_TRUE(map.count("with space.txt"));
    EXPECT_EQ(map["with space.txt"]->size(), 12);
    EXPECT_EQ(map["with space.txt"]->extType(), 1);
    EXPECT_FALSE(map["with space.txt"]->isDirectory());

    ASSERT_TRUE(map.count(kUtf8Name));
    EXPECT_EQ(map[kUtf8Name]->extType(), 5);

    ASSERT_TRUE(map.count("big.bin"));
    EXPECT_EQ(map["big.bin"]->size(), static_cast<std::int64_t>(kSparseSize));
    EXPECT_EQ(map["big.bin"]->stringForFileSize(), "5 GB");

    ASSERT_TRUE(map.count("My Folder"));
    EXPECT_TRUE(map["My Folder"]->isDirectory());
    EXPECT_FALSE(map.count("inside.txt"));

    ASSERT_TRUE(map.count("old.html"));
    ASSERT_TRUE(map["old.html"]->date().has_value());
    EXPECT_EQ(map["old.html"]->extType(), 3);
}

class ListingsEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() { curl_global_init(CURL_GLOBAL_ALL); }
};

TEST_F(ListingsEndToEnd, FtpUnixListing)
{
    NSData bytes;
    const auto entries = listAndDecode(FtpTestServer::shared(), false, &bytes);
    expectCommonEntries(entries, bytes);
    auto map = byName(entries);
    // A year-form date carries the day only.
    EXPECT_EQ(map["old.html"]->date()->timeIntervalSince1970(), static_cast<double>(kOldTime - 12 * 3600));
    ASSERT_TRUE(map.count("link")) << describe(entries, bytes);
    EXPECT_FALSE(map["link"]->isDirectory());
    // A name that is no UTF-8 stays as Mac OS Roman reads it ("\xe9" is "\xc3\x88").
    EXPECT_TRUE(map.count("ol\xc3\x88.txt")) << describe(entries, bytes);
}

TEST_F(ListingsEndToEnd, FtpMicrosoftListing)
{
    NSData bytes;
    const auto entries = listAndDecode(FtpTestServer::shared(FtpTestServer::microsoft()), true, &bytes);
    expectCommonEntries(entries, bytes);
    auto map = byName(entries);
    EXPECT_EQ(map["old.html"]->date()->timeIntervalSince1970(), static_cast<double>(kOldTime));
    EXPECT_EQ(map["My Folder"]->dirType(), FileEntry::kDirectoryOrLink);
    // Lines are decoded one by one: a Latin 1 name reads as Latin 1 and empties nothing.
    EXPECT_TRUE(map.count("ol\xc3\xa9.txt")) << describe(entries, bytes);
}

TEST_F(ListingsEndToEnd, SftpListing)
{
    NSData bytes;
    const auto entries = listAndDecode(SftpTestServer::shared(), false, &bytes);
    expectCommonEntries(entries, bytes);
    auto map = byName(entries);
    EXPECT_EQ(map["old.html"]->date()->timeIntervalSince1970(), static_cast<double>(kOldTime - 12 * 3600));
    EXPECT_EQ(map["with space.txt"]->owner(), SftpTestServer::kAccount);
    ASSERT_TRUE(map.count("link")) << describe(entries, bytes);
    EXPECT_EQ(map["link"]->symlink(), "with space.txt");
    // The server lists "." and ".." too; the directory screen drops them.
    EXPECT_TRUE(map.count("."));
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
