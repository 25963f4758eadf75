#include "Classes/Others/NetworkManager.h"
#include "Classes/Others/NetworkManagerListing.h"
#include "tests/listings/ListingTestClock.h"

#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

std::vector<std::string> namesOf(const NetworkManager::Entries& entries)
{
    std::vector<std::string> names;
    for (const auto& entry : entries) names.push_back(entry->name());
    return names;
}

class ListingDecodingTest : public ::testing::Test {
protected:
    ScopedListingNow now_ { utc(2023, 12, 9, 12, 0) };
    LogCapture log_;
};

TEST_F(ListingDecodingTest, LongListingBecomesEntries)
{
    // GNU ls through an FTP server, with a UTF-8 and a Latin 1 name.
    const NSData listing = "total 8\r\n"
                           "-rw-r--r-- 1 root root          1 Dec  9 04:40 caf\xc3\xa9.php\r\n"
                           "-rw-r--r-- 1 root root          1 Dec  9 04:40 ol\xe9.txt\r\n"
                           "drwxr-xr-x 2 root root       4096 Dec  9 04:40 site.html\r\n"
                           "lrwxrwxrwx 1 root root          9 Dec  9 04:40 link -> plain.txt\r\n"
                           "-rw-r--r-- 1 root root          0 Jun 12  2009 old.txt\r\n"
                           "-rw-r--r-- 1 root root 5368709120 Dec  9 04:40 sparse.bin\r\n"
                           "-rw-r--r-- 1 root staff        0 Dec  9 04:40 with space.html";
    const auto entries = parseDirDataList(listing);
    ASSERT_EQ(namesOf(entries), (std::vector<std::string> { "caf\xc3\xa9.php", "ol\xc3\x88.txt", "site.html", "link", "old.txt", "sparse.bin", "with space.html" }));

    EXPECT_EQ(entries[0]->extType(), 5);
    EXPECT_EQ(entries[0]->dirType(), FileEntry::kPlainFile);
    // A folder is kind 0 whatever its name.
    EXPECT_EQ(entries[2]->dirType(), FileEntry::kDirectoryOrLink);
    EXPECT_TRUE(entries[2]->isDirectory());
    EXPECT_EQ(entries[2]->extType(), 0);
    // A link to a file lists as a file.
    EXPECT_FALSE(entries[3]->isDirectory());
    EXPECT_EQ(entries[3]->symlink(), "plain.txt");
    EXPECT_EQ(entries[4]->date(), NSDate::dateWithTimeIntervalSince1970(static_cast<double>(utc(2009, 6, 12))));
    EXPECT_EQ(entries[5]->size(), 5368709120LL);
    EXPECT_EQ(entries[5]->stringForFileSize(), "5 GB");
    EXPECT_EQ(entries[6]->owner(), "root");
    EXPECT_EQ(entries[6]->group(), "staff");
    EXPECT_EQ(entries[6]->extType(), 3);
    EXPECT_EQ(entries[6]->date(), NSDate::dateWithTimeIntervalSince1970(static_cast<double>(utc(2023, 12, 9, 4, 40))));
}

// Every listing carries the listed mode into its entries, through the one permission reader:
// set-id and sticky bits with and without execute, and no mode for links, folders or lines
// without permissions.
TEST_F(ListingDecodingTest, ListedPermissionsBecomeModes)
{
    const struct {
        const char* permissions;
        std::optional<unsigned> mode;
        FileEntry::Rights rights;
    } cases[] = {
        { "-rw-r--r--", 0644u, { { { 1, 1, 0 }, { 1, 0, 0 }, { 1, 0, 0 } } } },
        { "-r--r--r--", 0444u, { { { 1, 0, 0 }, { 1, 0, 0 }, { 1, 0, 0 } } } },
        { "-rwsr-xr-x", 04755u, { { { 1, 1, 1 }, { 1, 0, 1 }, { 1, 0, 1 } } } },
        { "-rwSr-----", 04640u, { { { 1, 1, 0 }, { 1, 0, 0 }, { 0, 0, 0 } } } },
        { "-rwxr-sr-x", 02755u, { { { 1, 1, 1 }, { 1, 0, 1 }, { 1, 0, 1 } } } },
        { "-rw-r-Sr--", 02644u, { { { 1, 1, 0 }, { 1, 0, 0 }, { 1, 0, 0 } } } },
        { "-rwxrwxrwt", 01777u, { { { 1, 1, 1 }, { 1, 1, 1 }, { 1, 1, 1 } } } },
        { "-rw-rw-r-T", 01664u, { { { 1, 1, 0 }, { 1, 1, 0 }, { 1, 0, 0 } } } },
        { "----------", 0u, { { { 0, 0, 0 }, { 0, 0, 0 }, { 0, 0, 0 } } } },
        { "lrwxrwxrwx", std::nullopt, { { { 1, 1, 1 }, { 1, 1, 1 }, { 1, 1, 1 } } } }, // a link's own
        { "drwxr-xr-x", std::nullopt, { { { 1, 1, 1 }, { 1, 0, 1 }, { 1, 0, 1 } } } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.permissions);
        const std::string line = std::string(c.permissions) + " 1 web web 5 Dec  9 04:40 f.php";
        const std::string target = c.permissions[0] == 'l' ? " -> g.php" : "";
        const auto longForm = parseDirDataList(NSData(line + target + "\r\n"));
        const auto microsoft = parseMicrosoftListing(NSData(line + target + "\r\n"));
        for (const auto* entries : { &longForm, &microsoft }) {
            ASSERT_EQ(entries->size(), 1u);
            const FileEntry& entry = *entries->front();
            EXPECT_EQ(entry.strRights(), c.permissions);
            EXPECT_EQ(entry.rights(), c.rights);
            EXPECT_EQ(entry.fileMode(), c.mode);
            // A Microsoft server's links count as folders.
            EXPECT_EQ(entry.isDirectory(), c.permissions[0] == 'd' || (entries == &microsoft && c.permissions[0] == 'l'));
        }
    }
    // MS-DOS lines list no permissions at all.
    const auto dos = parseMicrosoftListing(NSData("12-09-26  04:28PM                 1234 index.html\r\n"));
    ASSERT_EQ(dos.size(), 1u);
    EXPECT_EQ(dos.front()->fileMode(), std::nullopt);
    EXPECT_EQ(dos.front()->strRights(), "");
}

// Listings as the test servers sent them (captured with curl).
TEST_F(ListingDecodingTest, CapturedServerListings)
{
    const NSData pyftpdlib = "drwxr-xr-x   2 root     root         4096 Dec 09 04:43 My Folder\n"
                             "-rw-r--r--   1 root     root     5368709120 Dec 09 04:43 big.bin\n"
                             "-rw-r--r--   1 root     root            1 Dec 09 04:43 caf\xc3\xa9.php\n"
                             "lrwxrwxrwx   1 root     root           14 Dec 09 04:43 link -> with space.txt\n"
                             "-rw-r--r--   1 root     root            3 Jun 12  2009 old.html\n"
                             "-rw-r--r--   1 root     root            1 Dec 09 04:43 ol\xe9.txt\n"
                             "-rw-r--r--   1 root     root           12 Dec 09 04:43 with space.txt\n";
    const NSData openssh = "-rw-r--r--    1 lexitest lexitest        3 Jun 12  2009 old.html\n"
                           "drwx------    3 lexitest lexitest     4096 Dec  9 04:43 .\n"
                           "-rw-r--r--    1 lexitest lexitest        1 Dec  9 04:43 caf\xc3\xa9.php\n"
                           "drwxr-xr-x    2 lexitest lexitest     4096 Dec  9 04:43 My Folder\n"
                           "lrwxrwxrwx    1 root     root           14 Dec  9 04:43 link -> with space.txt\n"
                           "drwxr-xr-x    3 lexitest lexitest     4096 Dec  9 04:43 ..\n"
                           "-rw-r--r--    1 lexitest lexitest        1 Dec  9 04:43 ol\xe9.txt\n"
                           "-rw-r--r--    1 lexitest lexitest       12 Dec  9 04:43 with space.txt\n"
                           "-rw-r--r--    1 lexitest lexitest 5368709120 Dec  9 04:43 big.bin\n";
    const NSData msdos = "12-09-26  04:43AM       <DIR>          My Folder\r\n"
                         "12-09-26  04:43AM           5368709120 big.bin\r\n"
                         "12-09-26  04:43AM                    1 caf\xc3\xa9.php\r\n"
                         "12-09-26  04:43AM                   12 link\r\n"
                         "06-12-09  12:00PM                    3 old.html\r\n"
                         "12-09-26  04:43AM                    1 ol\xe9.txt\r\n"
                         "12-09-26  04:43AM                   12 with space.txt\r\n";

    const auto fromPyftpdlib = parseDirDataList(pyftpdlib);
    EXPECT_EQ(namesOf(fromPyftpdlib), (std::vector<std::string> { "My Folder", "big.bin", "caf\xc3\xa9.php", "link", "old.html", "ol\xc3\x88.txt", "with space.txt" }));
    const auto fromOpenssh = parseDirDataList(openssh);
    EXPECT_EQ(namesOf(fromOpenssh), (std::vector<std::string> { "old.html", ".", "caf\xc3\xa9.php", "My Folder", "link", "..", "ol\xc3\x88.txt", "with space.txt", "big.bin" }));
    const auto fromMsdos = parseMicrosoftListing(msdos);
    EXPECT_EQ(namesOf(fromMsdos), (std::vector<std::string> { "My Folder", "big.bin", "caf\xc3\xa9.php", "link", "old.html", "ol\xc3\xa9.txt", "with space.txt" }));

    for (const auto* entries : { &fromPyftpdlib, &fromOpenssh, &fromMsdos }) {
        for (const auto& entry : *entries) {
            SCOPED_TRACE(entry->name());
            EXPECT_EQ(entry->isDirectory(), entry->name() == "My Folder" || entry->name() == "." || entry->name() == "..");
            if (entry->name() == "big.bin") { EXPECT_EQ(entry->size(), 5368709120LL); }
            if (entry->name() == "with space.txt") { EXPECT_EQ(entry->size(), 12); }
            if (entry->name() == "old.html") { EXPECT_EQ(entry->extType(), 3); }
        }
    }
    EXPECT_EQ(fromMsdos[4]->date(), NSDate::dateWithTimeIntervalSince1970(static_cast<double>(utc(2009, 6, 12, 12, 0))));
    EXPECT_EQ(fromMsdos[0]->date(), NSDate::dateWithTimeIntervalSince1970(static_cast<double>(utc(2026, 12, 9, 4, 43))));
    EXPECT_EQ(fromOpenssh[4]->symlink(), "with space.txt");
    EXPECT_EQ(fromOpenssh[4]->owner(), "root");
}

// A name holding a line break breaks its line in two: the rest joins the name (a link's target
// after it), and lines that cannot be a name's rest stay out of it.
TEST_F(ListingDecodingTest, NamesBrokenAcrossLinesAreListedWhole)
{
    const std::string file = "-rw-r--r--   1 root     root            2 Dec 09 04:43 ";
    const struct {
        const char* what;
        std::string listing;
        std::vector<std::string> names;
    } cases[] = {
        { "line feed", file + "line\nfeed.txt\n" + file + "plain.txt\n", { "line\nfeed.txt", "plain.txt" } },
        { "two breaks, CR LF ends", file + "a\nb\nc.php\r\n", { "a\nb\nc.php" } },
        { "Latin 1 rest", file + "x\ncaf\xe9\n", { "x\ncaf\xc3\x88" } },
        { "folder", "drwxr-xr-x   2 root     root         4096 Dec 09 04:43 fold\nder\n", { "fold\nder" } },
        { "link", "lrwxrwxrwx   1 root     root           14 Dec 09 04:43 ln\nk -> a.txt\n", { "ln\nk" } },
        { "blank line ends it", file + "a\n\nnot a name\n", { "a" } },
        { "unreadable entry is no rest", file + "a\n-rw-r--r-- 1 root root x Dec 09 04:43 b\n", { "a" } },
        { "no entry before", "total 4\nstray\n" + file + "a\n", { "a" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto entries = parseDirDataList(NSData(c.listing));
        EXPECT_EQ(namesOf(entries), c.names);
    }
    const auto broken = parseDirDataList(NSData(cases[0].listing));
    EXPECT_EQ(broken.front()->extType(), 1) << "the kind of the whole name";
    const auto folder = parseDirDataList(NSData(cases[3].listing));
    EXPECT_TRUE(folder.front()->isDirectory());
    const auto link = parseDirDataList(NSData(cases[4].listing));
    EXPECT_EQ(link.front()->symlink(), "a.txt");
}

TEST_F(ListingDecodingTest, EmptyAndUnreadableListings)
{
    EXPECT_TRUE(parseDirDataList("").empty());
    EXPECT_TRUE(parseDirDataList("total 0\n\n\n").empty());
    EXPECT_TRUE(parseDirDataList(std::string(1000, '\0')).empty());
    EXPECT_TRUE(parseMicrosoftListing("").empty());
}

TEST_F(ListingDecodingTest, NameReencoding)
{
    struct Case {
        std::optional<std::string> macRomanName;
        NSStringEncoding encoding;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        // UTF-8 bytes read as Mac OS Roman come back right.
        { "caf\xe2\x88\x9a\xc2\xa9.php", NSUTF8StringEncoding, "caf\xc3\xa9.php" },
        // Latin 1 bytes are no UTF-8: left as Mac OS Roman read them.
        { "ol\xc3\x88.txt", NSUTF8StringEncoding, "ol\xc3\x88.txt" },
        { "ol\xc3\x88.txt", NSISOLatin1StringEncoding, "ol\xc3\xa9.txt" },
        { "ol\xc3\x88.txt", NSASCIIStringEncoding, "ol\xc3\x88.txt" },
        // Characters Mac OS Roman cannot write leave the name alone.
        { "\xe4\xb8\xad.txt", NSUTF8StringEncoding, "\xe4\xb8\xad.txt" },
        { "plain.txt", NSUTF8StringEncoding, "plain.txt" },
        { std::nullopt, NSUTF8StringEncoding, std::nullopt },
    };
    for (const auto& c : cases) {
        CFFTPResourceEntry entry;
        entry.name = c.macRomanName;
        entry.size = 7;
        entry.owner = "o";
        const CFFTPResourceEntry result = entryByReencodingNameInEntry(entry, c.encoding);
        EXPECT_EQ(result.name, c.expected) << c.macRomanName.value_or("(none)");
        EXPECT_EQ(result.size, entry.size);
        EXPECT_EQ(result.owner, entry.owner);
    }
}

TEST_F(ListingDecodingTest, MicrosoftLines)
{
    const std::vector<std::string> lines = {
        "11-05-08  10:15AM       <DIR>          backup",
        "11-05-08  10:15AM       <DIR>          site.html",
        "03-22-98  04:30PM                 2048 notes.txt",
        "lrwxrwxrwx   1 web      staff          9 Feb  2 09:30 docs -> share/doc",
        "",
    };
    const auto entries = parseDirList(lines);
    ASSERT_EQ(namesOf(entries), (std::vector<std::string> { "backup", "site.html", "notes.txt", "docs" }));
    EXPECT_EQ(entries[0]->dirType(), FileEntry::kDirectoryOrLink);
    EXPECT_EQ(entries[0]->date(), NSDate::dateWithTimeIntervalSince1970(static_cast<double>(utc(2008, 11, 5, 10, 15))));
    // Folders of a Microsoft listing keep the kind of their name.
    EXPECT_EQ(entries[1]->extType(), 3);
    EXPECT_TRUE(entries[1]->isDirectory());
    EXPECT_EQ(entries[2]->size(), 2048);
    EXPECT_EQ(entries[2]->dirType(), FileEntry::kPlainFile);
    EXPECT_EQ(entries[2]->extType(), 1);
    EXPECT_EQ(entries[3]->dirType(), FileEntry::kDirectoryOrLink);

    const std::vector<std::string> expectedLog = {
        "Parsing returned 1", "Names: backup/backup...",
        "Parsing returned 1", "Names: site.html/site.html...",
        "Parsing returned 1", "Names: notes.txt/notes.txt...",
        "Parsing returned 1", "Names: docs/docs -> share/doc...",
        "Parsing returned 0",
    };
    EXPECT_EQ(log_.lines(), expectedLog);
}

TEST_F(ListingDecodingTest, MicrosoftListingDecodesEachLineOnItsOwn)
{
    // One Latin 1 name must not empty the listing; CR LF line ends leave no CR in names.
    const NSData listing = "11-05-08  10:15AM       <DIR>          caf\xc3\xa9\r\n"
                           "03-22-98  04:30PM                 2048 ol\xe9.txt\r\n"
                           "03-22-98  04:30PM                   12 two words.txt\r\n";
    const auto entries = parseMicrosoftListing(listing);
    EXPECT_EQ(namesOf(entries), (std::vector<std::string> { "caf\xc3\xa9", "ol\xc3\xa9.txt", "two words.txt" }));
    // The piece after the last line feed is an empty line, which adds nothing.
    EXPECT_EQ(log_.lines().back(), "Parsing returned 0");
}

TEST(GetStringFromData, TriesUtf8ThenLatin1)
{
    struct Case {
        NSData bytes;
        std::u16string text;
        NSStringEncoding encoding;
    };
    const Case cases[] = {
        { "", u"", NSUTF8StringEncoding },
        { "plain", u"plain", NSUTF8StringEncoding },
        { "caf\xc3\xa9", u"caf\u00e9", NSUTF8StringEncoding },
        { "\xef\xbb\xbfx", u"\ufeffx", NSUTF8StringEncoding },
        { "caf\xe9", u"caf\u00e9", NSISOLatin1StringEncoding },
        { std::string("a\0b", 3), std::u16string(u"a\0b", 3), NSUTF8StringEncoding },
        { "\xc3", u"\u00c3", NSISOLatin1StringEncoding }, // cut-off UTF-8 sequence
    };
    for (const auto& c : cases) {
        const EncodedString decoded = NetworkManager::getStringFromData(c.bytes);
        EXPECT_EQ(decoded.string, c.text) << c.bytes;
        EXPECT_EQ(decoded.encoding, c.encoding) << c.bytes;
    }
}

} // namespace
