#include "Classes/Others/FileEntry.h"
#include "Classes/Others/PermissionHelpers.h"

#include "Platform/Foundation/NSException.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(FileEntryKind, ByExtensionAndSpecialNames)
{
    struct Case {
        const char* name;
        const char* extension;
        int kind;
    };
    const Case cases[] = {
        { "index.html", "HTML", 3 }, { "Photo.JPeg", "JPEG", 6 }, { "archive.tar.gz", "GZ", 0 }, { "README", "", 0 },
        { ".htaccess", "HTACCESS", 15 }, { ".HTACCESS", "HTACCESS", 15 }, { "site.htaccess", "HTACCESS", 15 },
        { "ab.js.inc", "JS", 4 }, { "a.js.inc", "INC", 0 }, { "x.php.inc", "PHP", 5 }, { "x.PHP.Inc", "PHP", 5 },
        { ".php.inc", "INC", 0 },
        // The length bound counts characters, not bytes: "é.js.inc" has 8.
        { "\xc3\xa9.js.inc", "INC", 0 }, { "\xc3\xa9\xc3\xa9.js.inc", "JS", 4 },
        { "notes.txt", "TXT", 1 }, { "s.css", "CSS", 2 }, { "p.htm", "HTM", 3 }, { "app.js", "JS", 4 },
        { "i.php5", "PHP5", 5 }, { "i.php4", "PHP4", 5 }, { "i.phps", "PHPS", 5 },
        { "a.jpg", "JPG", 6 }, { "a.png", "PNG", 6 }, { "a.bmp", "BMP", 6 }, { "a.gif", "GIF", 6 },
        { "d.xml", "XML", 7 }, { "d.xls", "XLS", 8 }, { "d.pdf", "PDF", 9 }, { "d.ppt", "PPT", 10 },
        { "d.doc", "DOC", 11 }, { "d.rtf", "RTF", 12 }, { "d.csv", "CSV", 13 }, { "d.asp", "ASP", 14 },
        { "d.aspx", "ASPX", 14 }, { "d.pl", "PL", 16 }, { "d.pm", "PM", 16 }, { "d.ini", "INI", 17 },
        { "d.log", "LOG", 18 }, { "d.phtml", "PHTML", 19 }, { "d.phtm", "PHTM", 19 }, { "d.tpl", "TPL", 20 },
        { "d.rb", "RB", 21 }, { "d.rbw", "RBW", 21 }, { "d.py", "PY", 22 }, { "d.pyw", "PYW", 22 },
        { "d.pyc", "PYC", 22 }, { "d.pyd", "PYD", 22 },
        { "d.docx", "DOCX", 0 }, { "trailing.", "", 0 }, { "", "", 0 },
        { "gro\xc3\x9f.stra\xc3\x9f" "e", "STRASSE", 0 },
    };
    for (const auto& c : cases) {
        FileEntry entry;
        entry.setName(c.name);
        EXPECT_EQ(entry.parseExtension(), c.extension) << c.name;
        EXPECT_EQ(entry.extType(), c.kind) << c.name;
    }
}

TEST(FileEntrySize, DisplayStrings)
{
    const std::pair<std::int64_t, const char*> cases[] = {
        { 0, "0 bytes" }, { 1, "1 byte" }, { 2, "2 bytes" }, { 1023, "1023 bytes" },
        { 1024, "1 KB" }, { 1536, "1.5 KB" }, { 1100, "1 KB" }, { 2000, "2 KB" },
        { 1048575, "1024 KB" }, { 1048576, "1 MB" }, { 1572864, "1.5 MB" },
        { 1073741824, "1 GB" }, { 5LL * 1073741824, "5 GB" }, { 5905580032LL, "5.5 GB" },
        { 4LL * 1024 * 1073741824, "4096 GB" },
    };
    for (const auto& [size, text] : cases) {
        FileEntry entry;
        entry.setSize(size);
        EXPECT_EQ(entry.stringForFileSize(), text) << size;
    }
}

struct PermissionCase {
    const char* text;
    std::int32_t dirType;
    FileEntry::Rights rights;
    std::optional<unsigned> mode {}; // what a save gives a file made anew
};

TEST(FileEntryPermissions, SymbolicText)
{
    const PermissionCase cases[] = {
        { "drwxr-xr-x", FileEntry::kDirectoryByPermissions, { { { 1, 1, 1 }, { 1, 0, 1 }, { 1, 0, 1 } } } },
        { "-rw-r-----", FileEntry::kPlainFile, { { { 1, 1, 0 }, { 1, 0, 0 }, { 0, 0, 0 } } }, 0640 },
        { "lrwxrwxrwx", FileEntry::kDirectoryOrLink, { { { 1, 1, 1 }, { 1, 1, 1 }, { 1, 1, 1 } } } },
        { "crw--w--w-", FileEntry::kOtherType, { { { 1, 1, 0 }, { 0, 1, 0 }, { 0, 1, 0 } } } },
        { "-rwsr-sr-t", FileEntry::kPlainFile, { { { 1, 1, 1 }, { 1, 0, 1 }, { 1, 0, 1 } } }, 07755 },
        { "-rwx", FileEntry::kPlainFile, { { { 1, 1, 1 }, { 0, 0, 0 }, { 0, 0, 0 } } } }, // cut short
    };
    for (const auto& c : cases) {
        FileEntry entry;
        entry.parsePermissions(c.text);
        EXPECT_EQ(entry.strRights(), c.text);
        EXPECT_EQ(entry.dirType(), c.dirType) << c.text;
        EXPECT_EQ(entry.rights(), c.rights) << c.text;
        EXPECT_EQ(entry.isDirectory(), c.dirType == 1 || c.dirType == 2) << c.text;
        EXPECT_EQ(entry.fileMode(), c.mode) << c.text;
    }
}

TEST(FileEntryPermissions, OtherFormsKeepRightsAndOnlyUnknownOnesLog)
{
    LogCapture log;
    FileEntry entry;
    entry.parsePermissions("-rwxrwxrwx");
    const FileEntry::Rights all = entry.rights();
    entry.parsePermissions("d [RWCEAFMS]");
    EXPECT_EQ(entry.dirType(), FileEntry::kDirectoryByPermissions);
    EXPECT_EQ(entry.rights(), all);
    EXPECT_TRUE(log.lines().empty());
    entry.parsePermissions("-Xrw");
    EXPECT_EQ(entry.rights(), all);
    EXPECT_EQ(log.lines(), std::vector<std::string> { "Unknown FTP Permission State" });
    entry.parsePermissions("");
    EXPECT_EQ(entry.dirType(), FileEntry::kOtherType);
}

TEST(FileEntryPermissions, OctalText)
{
    const PermissionCase cases[] = {
        { "0755", FileEntry::kPlainFile, { { { 4, 2, 1 }, { 4, 0, 1 }, { 4, 0, 1 } } }, 0755 },
        { "0640", FileEntry::kPlainFile, { { { 4, 2, 0 }, { 4, 0, 0 }, { 0, 0, 0 } } }, 0640 },
        { "4750", FileEntry::kPlainFile, { { { 4, 2, 1 }, { 4, 0, 1 }, { 0, 0, 0 } } }, 04750 },
        { "07", FileEntry::kPlainFile, { { { 4, 2, 1 }, { 0, 0, 0 }, { 0, 0, 0 } } } },
        { "0x9z", FileEntry::kPlainFile, { { { 0, 0, 0 }, { 0, 0, 0 }, { 0, 0, 0 } } } },
    };
    for (const auto& c : cases) {
        FileEntry entry;
        entry.parseMPermissions(c.text);
        EXPECT_EQ(entry.strRights(), c.text);
        EXPECT_EQ(entry.rights(), c.rights) << c.text;
        EXPECT_EQ(entry.dirType(), FileEntry::kPlainFile) << "octal text leaves the type alone";
        EXPECT_EQ(entry.canRead(FileEntry::kOwner), c.rights[0][0] != 0);
        EXPECT_EQ(entry.canWrite(FileEntry::kGroup), c.rights[1][1] != 0);
        EXPECT_EQ(entry.canExecute(FileEntry::kOther), c.rights[2][2] != 0);
        EXPECT_EQ(entry.fileMode(), c.mode) << c.text;
    }
}

TEST(FileEntryPermissions, TargetOutsideTheThreeRowsThrows)
{
    FileEntry entry;
    entry.parsePermissions("-rwxrwxrwx");
    for (const std::int16_t target : { std::int16_t(3), std::int16_t(-1), std::int16_t(1000) }) {
        try {
            (void)entry.canRead(target);
            ADD_FAILURE() << "target " << target << " accepted";
        } catch (const NamedException& e) {
            EXPECT_NE(e.reason().find("target < 3"), std::string::npos);
            EXPECT_NE(e.reason().find("Classes/Others/NetworkHelper"), std::string::npos);
        }
        EXPECT_THROW((void)entry.canWrite(target), NamedException);
        EXPECT_THROW((void)entry.canExecute(target), NamedException);
    }
}

TEST(FileEntry, StartsEmpty)
{
    const FileEntry entry;
    EXPECT_FALSE(entry.unsupported());
    EXPECT_FALSE(entry.isDirectory());
    EXPECT_FALSE(entry.date().has_value());
    EXPECT_EQ(entry.size(), 0);
    EXPECT_EQ(entry.dirLinkCount(), 0);
    EXPECT_EQ(entry.unique(), 0);
}

TEST(ConnectionHelpers, PermissionValues)
{
    EXPECT_TRUE(Connection::isDirectory("drwxr-xr-x"));
    EXPECT_FALSE(Connection::isDirectory("-rw-r--r--"));
    EXPECT_FALSE(Connection::isDirectory(""));

    const std::pair<std::uint64_t, const char*> modes[] = {
        { 0755, "rwxr-xr-x" }, { 0644, "rw-r--r--" }, { 0, "---------" }, { 0100640, "rw-r-----" }, { 07777, "rwxrwxrwx" },
    };
    for (const auto& [mode, text] : modes) EXPECT_EQ(Connection::permissionsStringValue(mode), text) << mode;

    for (const std::uint64_t mode : { 0100u, 010u, 01u, 0755u }) EXPECT_TRUE(Connection::isExecutable(mode)) << mode;
    for (const std::uint64_t mode : { 0u, 0644u, 04000u }) EXPECT_FALSE(Connection::isExecutable(mode)) << mode;
}

} // namespace
