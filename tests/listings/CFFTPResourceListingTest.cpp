#include "Platform/CFNetwork/CFFTPResourceListing.h"
#include "tests/listings/ListingTestClock.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace {

struct LongLineCase {
    const char* line;
    bool isEntry = true;
    const char* name = "";
    std::optional<std::int64_t> size;
    std::int64_t date = 0;
    std::int32_t type = kCFFTPResourceRegularFile;
    std::optional<std::string> owner;
    std::optional<std::string> group;
    std::optional<std::string> link;
};

std::optional<CFFTPResourceEntry> parseOne(const std::string& bytes, CFIndex* consumed = nullptr)
{
    std::optional<CFFTPResourceEntry> parsed;
    const CFIndex used = CFFTPCreateParsedResourceListing(bytes.data(), static_cast<CFIndex>(bytes.size()), parsed);
    if (consumed != nullptr) *consumed = used;
    return parsed;
}

class LongListingTest : public ::testing::Test {
protected:
    ScopedListingNow now_ { utc(2023, 12, 9, 12, 0) };
};

TEST_F(LongListingTest, ReadsWhatRealServersSend)
{
    using S = std::string;
    const LongLineCase cases[] = {
        // GNU ls
        { "-rw-r--r-- 1 root root          1 Dec  9 04:40 index.html", true, "index.html", 1, utc(2023, 12, 9, 4, 40), kCFFTPResourceRegularFile, S("root"), S("root"), std::nullopt },
        { "drwxr-xr-x 2 root root       4096 Dec  9 04:40 dir", true, "dir", 4096, utc(2023, 12, 9, 4, 40), kCFFTPResourceDirectory, S("root"), S("root"), std::nullopt },
        { "lrwxrwxrwx 1 root root          9 Dec  9 04:40 link -> plain.txt", true, "link", 9, utc(2023, 12, 9, 4, 40), kCFFTPResourceSymbolicLink, S("root"), S("root"), S("plain.txt") },
        { "-rw-r--r-- 1 root root          0 Jun 12  2009 old.txt", true, "old.txt", 0, utc(2009, 6, 12), kCFFTPResourceRegularFile, S("root"), S("root"), std::nullopt },
        { "-rw-r--r-- 1 root root 5368709120 Dec  9 04:40 sparse.bin", true, "sparse.bin", 5368709120LL, utc(2023, 12, 9, 4, 40), kCFFTPResourceRegularFile, S("root"), S("root"), std::nullopt },
        { "-rw-r--r-- 1 root root          0 Dec  9 04:40 with space.html", true, "with space.html", 0, utc(2023, 12, 9, 4, 40), kCFFTPResourceRegularFile, S("root"), S("root"), std::nullopt },
        { "prw-r--r-- 1 root root          0 Dec  9 04:40 fifo", true, "fifo", 0, utc(2023, 12, 9, 4, 40), kCFFTPResourceFifo, S("root"), S("root"), std::nullopt },
        { "crw-rw-rw- 1 root root 1, 3 Dec  9 04:27 null", true, "null", std::nullopt, utc(2023, 12, 9, 4, 27), kCFFTPResourceCharacterDevice, S("root"), S("root"), std::nullopt },
        { "crw-------  1 root root   5,   1 Dec  9 04:27 console", true, "console", std::nullopt, utc(2023, 12, 9, 4, 27), kCFFTPResourceCharacterDevice, S("root"), S("root"), std::nullopt },
        { "brw-rw---- 1 root disk 8,0 Nov 30 10:00 sda", true, "sda", std::nullopt, utc(2023, 11, 30, 10, 0), kCFFTPResourceBlockDevice, S("root"), S("disk"), std::nullopt },
        // Numeric owner and group (ls -n, many SFTP servers)
        { "-rw-r--r-- 1 1000 1000 42 Dec  9 04:40 n.txt", true, "n.txt", 42, utc(2023, 12, 9, 4, 40), kCFFTPResourceRegularFile, S("1000"), S("1000"), std::nullopt },
        // pyftpdlib: zero-padded day, CR LF
        { "-rw-r--r--   1 owner    group        1234 Dec 09 04:40 py.txt\r", true, "py.txt", 1234, utc(2023, 12, 9, 4, 40), kCFFTPResourceRegularFile, S("owner"), S("group"), std::nullopt },
        { "drwxr-xr-x   2 owner    group        4096 Jan 05  2021 pydir\r", true, "pydir", 4096, utc(2021, 1, 5), kCFFTPResourceDirectory, S("owner"), S("group"), std::nullopt },
        // OpenSSH long names
        { "-rw-r--r--    1 tester   tester        10 Dec  1 09:15 sftp.txt", true, "sftp.txt", 10, utc(2023, 12, 1, 9, 15), kCFFTPResourceRegularFile, S("tester"), S("tester"), std::nullopt },
        // BSD ls: marks after the permissions, two-space columns
        { "-rw-r--r--@  1 user  staff  1234 Jan  5 12:34 mac.txt", true, "mac.txt", 1234, utc(2023, 1, 5, 12, 34), kCFFTPResourceRegularFile, S("user"), S("staff"), std::nullopt },
        { "drwxr-xr-x+ 3 user  staff    96 Jan  5  2020 acl", true, "acl", 96, utc(2020, 1, 5), kCFFTPResourceDirectory, S("user"), S("staff"), std::nullopt },
        { "-rw-r--r--. 1 user user 7 Jan  5  2020 selinux", true, "selinux", 7, utc(2020, 1, 5), kCFFTPResourceRegularFile, S("user"), S("user"), std::nullopt },
        // No group column
        { "drwxr-xr-x   3 web      4096 Jun 12  2009 images", true, "images", 4096, utc(2009, 6, 12), kCFFTPResourceDirectory, S("web"), std::nullopt, std::nullopt },
        // A name that looks like columns, and leading spaces kept after the one separator
        { "-rw-r--r-- 1 a b 5 Dec  1 09:15 Jan 1 2000 x", true, "Jan 1 2000 x", 5, utc(2023, 12, 1, 9, 15), kCFFTPResourceRegularFile, S("a"), S("b"), std::nullopt },
        { "-rw-r--r-- 1 a b 5 Dec  1 09:15   padded", true, "  padded", 5, utc(2023, 12, 1, 9, 15), kCFFTPResourceRegularFile, S("a"), S("b"), std::nullopt },
        // A date a day or more ahead of now belongs to last year
        { "-rw-r--r-- 1 a b 5 Dec 11 09:15 last-year", true, "last-year", 5, utc(2022, 12, 11, 9, 15), kCFFTPResourceRegularFile, S("a"), S("b"), std::nullopt },
        // A size too long for 64 bits saturates
        { "-rw-r--r-- 1 a b 99999999999999999999999 Jan  5  2020 huge", true, "huge", std::numeric_limits<std::int64_t>::max(), utc(2020, 1, 5), kCFFTPResourceRegularFile, S("a"), S("b"), std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const std::optional<CFFTPResourceEntry> entry = parseOne(c.line);
        ASSERT_TRUE(entry.has_value());
        EXPECT_EQ(entry->name, std::string(c.name));
        EXPECT_EQ(entry->size, c.size);
        ASSERT_TRUE(entry->modDate.has_value());
        EXPECT_EQ(entry->modDate->timeIntervalSince1970(), static_cast<double>(c.date));
        EXPECT_EQ(entry->type, c.type);
        EXPECT_EQ(entry->owner, c.owner);
        EXPECT_EQ(entry->group, c.group);
        EXPECT_EQ(entry->link, c.link);
    }
}

TEST_F(LongListingTest, SkipsLinesThatAreNoEntries)
{
    const char* lines[] = {
        "total 8",
        "",
        "\r",
        "drwxr-xr-x 2 root root 4096 Dec  9 04:40",
        "drwxr-xr-x 2 root root 4096 Dec  9 04:40 ",
        "-rw-r--r-- 1 a b 12k Jan  5  2020 notasize",
        "-rw-r--r-- 1 a b 12 Foo  5  2020 notamonth",
        "-rw-r--r-- 1 a b 12 Jan 45  2020 notaday",
        "-rw-r--r-- 1 a b 12 Jan  5 25:00 notatime",
        "xrw-r--r-- 1 a b 12 Jan  5  2020 notatype",
        "-rw-r--r 1 a b 12 Jan  5  2020 short",
        "03-22-98  04:30PM                 2048 notes.txt",
    };
    for (const char* line : lines) {
        CFIndex consumed = 0;
        EXPECT_FALSE(parseOne(line, &consumed).has_value()) << line;
        EXPECT_EQ(consumed, static_cast<CFIndex>(std::string(line).size())) << line;
    }
}

TEST_F(LongListingTest, NamesComeThroughAsMacOsRoman)
{
    // "café" in UTF-8 is c3 a9, which Mac OS Roman reads as "√©".
    EXPECT_EQ(parseOne("-rw-r--r-- 1 a b 1 Jan  5  2020 caf\xc3\xa9.php")->name, "caf\xe2\x88\x9a\xc2\xa9.php");
    // Latin 1 "é" (e9) is Mac OS Roman's "È".
    EXPECT_EQ(parseOne("-rw-r--r-- 1 a b 1 Jan  5  2020 caf\xe9.php")->name, "caf\xc3\x88.php");
    // Owner and link targets that are UTF-8 stay UTF-8.
    const auto link = parseOne("lrwxrwxrwx 1 j\xc3\xb6rg b 1 Jan  5  2020 l -> z\xc3\xbc.txt");
    EXPECT_EQ(link->owner, "j\xc3\xb6rg");
    EXPECT_EQ(link->link, "z\xc3\xbc.txt");
}

TEST_F(LongListingTest, ConsumesOneLineAtATime)
{
    const std::string listing = "total 8\r\n"
                                "-rw-r--r-- 1 a b 1 Jan  5  2020 one\r\n"
                                "\n"
                                "garbage line\n"
                                "-rw-r--r-- 1 a b 2 Jan  5  2020 two"; // no terminator on the last line
    std::vector<CFIndex> consumed;
    std::vector<std::string> names;
    std::size_t offset = 0;
    for (int guard = 0; guard < 20; ++guard) {
        std::optional<CFFTPResourceEntry> parsed;
        const CFIndex used = CFFTPCreateParsedResourceListing(listing.data() + offset, static_cast<CFIndex>(listing.size() - offset), parsed);
        consumed.push_back(used);
        if (used <= 0) break;
        if (parsed) names.push_back(*parsed->name);
        offset += static_cast<std::size_t>(used);
    }
    EXPECT_EQ(consumed, (std::vector<CFIndex> { 9, 37, 1, 13, 35, 0 }));
    EXPECT_EQ(names, (std::vector<std::string> { "one", "two" }));
}

TEST_F(LongListingTest, AnswersNegativeOnlyForUnreadableBuffers)
{
    std::optional<CFFTPResourceEntry> parsed = CFFTPResourceEntry {};
    EXPECT_LT(CFFTPCreateParsedResourceListing(nullptr, 5, parsed), 0);
    EXPECT_FALSE(parsed.has_value());
    EXPECT_LT(CFFTPCreateParsedResourceListing("x", -1, parsed), 0);
    EXPECT_EQ(CFFTPCreateParsedResourceListing(nullptr, 0, parsed), 0);
    const std::string zeros(10, '\0');
    EXPECT_EQ(CFFTPCreateParsedResourceListing(zeros.data(), 10, parsed), 10);
    EXPECT_FALSE(parsed.has_value());
}

} // namespace
