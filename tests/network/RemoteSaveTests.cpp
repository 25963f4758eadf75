// The save's decisions from server answers alone, without a server.

#include "Classes/Others/RemoteSave.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Outcome = RemoteSave::Outcome;

// What the rename onto the name ended with, what the folder then showed, and what the save
// makes of it.
TEST(RemoteSaveDecisions, LostAnswerOrRefusal)
{
    const struct {
        const char* title;
        int code;
        const char* words;
        bool temporaryListed;
        std::optional<std::int64_t> nameSize;
        Outcome outcome;
        bool done;
    } cases[] = {
        { "answered", CURLE_OK, "", false, 10, Outcome::done, false },
        { "refused rename over a name that exists", CURLE_QUOTE_ERROR, "550 Not enough privileges.", false, 10,
          Outcome::refused, false },
        { "SFTP status refusal", CURLE_QUOTE_ERROR, "rename command failed: Permission denied", false, 10,
          Outcome::refused, false },
        { "SFTP session broke", CURLE_QUOTE_ERROR, "rename command failed: Unknown error in libssh2", false, 10,
          Outcome::lost, true },
        { "line cut, name holds the upload", CURLE_RECV_ERROR, "", false, 10, Outcome::lost, true },
        { "time-out, name holds the upload", CURLE_OPERATION_TIMEDOUT, "", false, 10, Outcome::lost, true },
        { "nothing received, name holds another size", CURLE_GOT_NOTHING, "", false, 7, Outcome::lost, false },
        { "line cut, upload still listed", CURLE_SEND_ERROR, "", true, 10, Outcome::lost, false },
        { "line cut, size unknown", CURLE_RECV_ERROR, "", false, std::nullopt, Outcome::lost, false },
        { "upload refused", CURLE_UPLOAD_FAILED, "553 Could not create file.", false, 10, Outcome::refused, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        const Outcome outcome = RemoteSave::outcomeOf(c.code, c.words);
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_EQ(RemoteSave::renameDoneThoughLost(outcome, c.temporaryListed, c.nameSize, 10), c.done);
    }
}

// Free names, their long forms, and which listed names are a save's own forms.
TEST(RemoteSaveDecisions, NamesOfASave)
{
    const std::string longName = std::string(251, 'a') + ".txt"; // 255 bytes
    const std::string accented = std::string(249, 'a') + "\xC3\xA9.txt"; // 255 bytes, "é" at 249
    const struct {
        std::string name;
        std::vector<std::string> taken;
        std::string suffix;
        std::string expected;
    } cases[] = {
        { "page.php", {}, "_##_", "page.php_##_" },
        { "page.php", { "page.php_##_", "page.php_##_2" }, "_##_", "page.php_##_3" },
        { "page.php", { "page.php" }, "_#old#_", "page.php_#old#_" },
        { longName, {}, "_##_", std::string(251, 'a') + "_##_" },
        { longName, { std::string(251, 'a') + "_##_" }, "_##_", std::string(250, 'a') + "_##_2" },
        // A cut never splits a character.
        { accented, {}, "_#old#_", std::string(248, 'a') + "_#old#_" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        const std::string name = RemoteSave::freeName(c.taken, c.name, c.suffix);
        EXPECT_EQ(name, c.expected);
        EXPECT_LE(name.size(), RemoteSave::kLongestName);
        EXPECT_TRUE(RemoteSave::isSaveForm(name, c.name, c.suffix));
    }
    const struct {
        const char* candidate;
        bool own;
    } forms[] = {
        { "page.php_##_", true },  { "page.php_##_12", true }, { "page.php_##_x", false },
        { "page.ph_##_", false },  { "page.php", false },      { "other.php_##_", false },
    };
    for (const auto& f : forms)
        EXPECT_EQ(RemoteSave::isSaveForm(f.candidate, "page.php", "_##_"), f.own) << f.candidate;
}

// Sizes, refusals and modes the save decides on.
TEST(RemoteSaveDecisions, CopiesDisksAndModes)
{
    EXPECT_TRUE(RemoteSave::isWhole(327680, 327680));
    EXPECT_FALSE(RemoteSave::isWhole(100000, 327680));
    EXPECT_FALSE(RemoteSave::isWhole(std::nullopt, 0));
    // Only a short copy under a name that was free before this save.
    EXPECT_TRUE(RemoteSave::isOwnPartial(true, 100000, 327680));
    EXPECT_FALSE(RemoteSave::isOwnPartial(false, 100000, 327680));
    EXPECT_FALSE(RemoteSave::isOwnPartial(true, 327680, 327680));
    EXPECT_FALSE(RemoteSave::isOwnPartial(true, std::nullopt, 327680));

    const struct {
        int code;
        const char* words;
        bool full;
    } disks[] = {
        { CURLE_UPLOAD_FAILED, "452 Insufficient storage space.", true },
        { CURLE_UPLOAD_FAILED, "552 Disk quota exceeded.", true },
        { CURLE_REMOTE_DISK_FULL, "", true },
        { CURLE_UPLOAD_FAILED, "Upload failed: No space on filesystem", true },
        { CURLE_UPLOAD_FAILED, "553 Could not create file.", false },
        { CURLE_RECV_ERROR, "", false },
    };
    for (const auto& d : disks)
        EXPECT_EQ(RemoteSave::isDiskFull(d.code, d.words), d.full) << d.words;

    EXPECT_TRUE(RemoteSave::isWriteProtected(0444u));
    EXPECT_TRUE(RemoteSave::isWriteProtected(04555u));
    EXPECT_FALSE(RemoteSave::isWriteProtected(0644u));
    EXPECT_FALSE(RemoteSave::isWriteProtected(std::nullopt));
}

// Only the left-overs remembered for a file, and still listed, are its own.
TEST(RemoteSaveDecisions, OwnLeftovers)
{
    RemoteSave::Leftovers made;
    made.remember("ftp://h/site/page.php", "page.php_##_");
    made.remember("ftp://h/site/page.php", "page.php_#old#_");
    made.remember("ftp://h/other/page.php", "page.php_##_2");
    const std::vector<std::string> listed { "page.php", "page.php_##_", "page.php_##_2", "config.php_##_" };
    EXPECT_EQ(made.ownAmong("ftp://h/site/page.php", listed), std::vector<std::string> { "page.php_##_" });
    made.forget("ftp://h/site/page.php", "page.php_##_");
    EXPECT_TRUE(made.ownAmong("ftp://h/site/page.php", listed).empty());
    EXPECT_TRUE(made.ownAmong("ftp://h/site/config.php", listed).empty());
}

// What an FTP server's MLST answers tell of one name, found among the reply lines of a round of
// commands.
TEST(RemoteSaveDecisions, NamesAskedOneByOne)
{
    using Facts = RemoteSave::NameFacts;
    const struct {
        const char* title;
        std::vector<std::string> reply;
        std::optional<Facts> facts;
    } cases[] = {
        { "file with mode", { "250-Listing \"/page.txt\":", " modify=20261210083800;size=2;type=file;unix.mode=0o600; /page.txt", "250 End MLST." },
          Facts { true, false, 2, 0600u } },
        { "plain octal, upper-case facts", { "250-Start", " Type=file;Size=123;UNIX.mode=0755; a b.txt", "250 End" },
          Facts { true, false, 123, 0755u } },
        { "folder", { "250-x", " type=dir;modify=1; /sub", "250 End" }, Facts { true, true, std::nullopt, std::nullopt } },
        { "missing", { "550 No such file or directory." }, Facts {} },
        { "a link needs a closer look", { "250-x", " type=OS.unix=slink:/t;size=3; /l", "250 End" }, std::nullopt },
        { "no type", { "250-x", " size=3; /l", "250 End" }, std::nullopt },
        { "not understood", { "500 Unknown command." }, std::nullopt },
        { "no answer", {}, std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        const std::optional<Facts> facts = RemoteSave::factsOfMlst(c.reply);
        ASSERT_EQ(facts.has_value(), c.facts.has_value());
        if (!facts)
            continue;
        EXPECT_EQ(facts->exists, c.facts->exists);
        EXPECT_EQ(facts->isDirectory, c.facts->isDirectory);
        EXPECT_EQ(facts->size, c.facts->size);
        EXPECT_EQ(facts->mode, c.facts->mode);
    }

    // Only the last replies are those of the commands asked; a multi-line reply is one.
    const std::vector<std::string> lines { "250 CWD ok.\r\n", "200 MLST OPTS type;\r\n", "250-Listing a:\r\n",
                                           " type=file; a\r\n", "250 End MLST.\r\n", "550 No such file.\r\n" };
    const auto replies = RemoteSave::lastReplies(lines, 2);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0], (std::vector<std::string> { "250-Listing a:", " type=file; a", "250 End MLST." }));
    EXPECT_EQ(replies[1], std::vector<std::string> { "550 No such file." });
    EXPECT_EQ(RemoteSave::lastReplies(lines, 9).size(), 4u);

    // The forms asked for are those freeName picks from.
    EXPECT_EQ(RemoteSave::saveForm("page.php", "_##_", 1), "page.php_##_");
    EXPECT_EQ(RemoteSave::saveForm("page.php", "_#old#_", 3), "page.php_#old#_3");
}

} // namespace
