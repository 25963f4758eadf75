// Saving over files on the real servers with a fault at each step of the replace: the server's
// disk never loses the original, keeps its mode and links, and a stop half-way is reported with
// the names that hold each text. Files are made after connecting, so the cached listing is stale.

#include "tests/network/NetworkTestSupport.h"

#include "tests/support/FtpTestServer.h"
#include "tests/support/LogCapture.h"
#include "tests/support/SftpTestServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace fs = std::filesystem;

namespace {

enum class Kind { ftp, sftp };

// The disk's expected content: the text before the save, the saved text, or nothing.
enum class Holds { old, saved, nothing, part };

struct SaveCase {
    const char* title;
    Kind kind;
    const char* name;             // the name saved
    fs::perms mode;               // of the original
    const char* linkTo { nullptr }; // the name is a link to this file (relative to the root)
    bool absoluteLink { false };
    std::size_t textBytes { 0 };  // 0: a short text
    int code { 0 };               // -1: any failure other than a half-way replace
    std::vector<std::pair<std::string, Holds>> disk {};
    const char* logged { nullptr };
    bool keepsMode { true }; // false: the server refused the mode, which is then its own
    // The original was listed, then deleted before the save (by an earlier cut save); with
    // `modeListed` its listing showed the mode.
    bool gone { false };
    bool modeListed { true };
};

void PrintTo(const SaveCase& c, std::ostream* out)
{
    *out << c.title;
}

TestServer& serverFor(Kind kind)
{
    if (kind == Kind::ftp)
        return FtpTestServer::shared();
    return SftpTestServer::shared();
}

int typeFor(Kind kind)
{
    return kind == Kind::ftp ? QVConnection::kTypeFTP : QVConnection::kTypeSFTP;
}

constexpr fs::perms kPrivate = fs::perms::owner_read | fs::perms::owner_write;
constexpr fs::perms kScript = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
    | fs::perms::others_read | fs::perms::others_exec;
constexpr fs::perms kShared = kPrivate | fs::perms::group_read;

constexpr fs::perms kReadOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
// 255 bytes: the temporary name must be shortened to be stored at all.
const std::string kLongName = std::string(251, 'l') + ".txt";
const std::string kLongTemporary = std::string(251, 'l') + "_##_";

const SaveCase kCases[] = {
    { "FtpWriteProtectedIsRefused", Kind::ftp, "locked.txt", kReadOnly, nullptr, false, 0,
      NetworkManager::kCodeWriteProtected, { { "locked.txt", Holds::old }, { "locked.txt_##_", Holds::nothing } },
      "write-protected" },
    { "SftpWriteProtectedIsRefused", Kind::sftp, "locked.txt", kReadOnly, nullptr, false, 0,
      NetworkManager::kCodeWriteProtected, { { "locked.txt", Holds::old }, { "locked.txt_##_", Holds::nothing } } },
    // The server removes the stored copy: the refused rename is no lost answer.
    { "FtpVanishedUploadIsNoSave", Kind::ftp, "vanish-upload.txt", kShared, nullptr, false, 0,
      NetworkManager::kCodeReplaceIncomplete, { { "vanish-upload.txt", Holds::old } },
      "'vanish-upload.txt' on the server was left as it was." },
    // Stored under another name, the rename refused: the file keeps its old text, and says so.
    { "FtpStoredElsewhereIsNoSave", Kind::ftp, " trim-store.txt", kShared, nullptr, false, 0,
      NetworkManager::kCodeReplaceIncomplete,
      { { " trim-store.txt", Holds::old }, { "trim-store.txt_##_", Holds::saved } },
      "'trim-store.txt_##_' holds the new text." },
    { "FtpShortStoreKeepsTheOriginal", Kind::ftp, "short-store.txt", kShared, nullptr, false, 300000,
      NetworkManager::kCodeShortUpload, { { "short-store.txt", Holds::old }, { "short-store.txt_##_", Holds::nothing } },
      "The server kept only 100000 of the 300000 bytes sent." },
    { "FtpLongNameIsSaved", Kind::ftp, kLongName.c_str(), kShared, nullptr, false, 0, 0,
      { { kLongName, Holds::saved }, { kLongTemporary, Holds::nothing } } },
    { "SftpLongNameIsSaved", Kind::sftp, kLongName.c_str(), kShared, nullptr, false, 0, 0,
      { { kLongName, Holds::saved }, { kLongTemporary, Holds::nothing }, { kLongName + "_#old#_", Holds::nothing } } },
    { "FtpKeepsAPrivateMode", Kind::ftp, "page.html", kPrivate, nullptr, false, 0, 0,
      { { "page.html", Holds::saved }, { "page.html_##_", Holds::nothing } } },
    { "FtpKeepsTheExecuteBits", Kind::ftp, "run.sh", kScript, nullptr, false, 0, 0, { { "run.sh", Holds::saved } } },
    { "FtpDropAfterTheUploadKeepsBoth", Kind::ftp, "drop-on-rename.txt", kShared, nullptr, false, 0,
      NetworkManager::kCodeReplaceIncomplete,
      { { "drop-on-rename.txt", Holds::old }, { "drop-on-rename.txt_##_", Holds::saved } },
      "'drop-on-rename.txt' holds the old text.\n'drop-on-rename.txt_##_' holds the new text." },
    { "FtpRefusedOverwriteDeletesOnlyThen", Kind::ftp, "refuse-overwrite.txt", kPrivate, nullptr, false, 0, 0,
      { { "refuse-overwrite.txt", Holds::saved }, { "refuse-overwrite.txt_##_", Holds::nothing } },
      "deleting the original first" },
    { "FtpRefusedChmodIsLoggedAndSaved", Kind::ftp, "refuse-chmod.txt", kPrivate, nullptr, false, 0, 0,
      { { "refuse-chmod.txt", Holds::saved } }, "Its permissions could not be restored to 600; they are now 644.", false },
    { "FtpTrimmedNameNeverDeletesTheOriginal", Kind::ftp, " strip-space.txt", kShared, nullptr, false, 0,
      NetworkManager::kCodeReplaceIncomplete,
      { { " strip-space.txt", Holds::old }, { " strip-space.txt_##_", Holds::saved } } },
    // The line is gone with the upload: the part this save wrote under a name that was free
    // goes, on a new connection.
    { "FtpDroppedUploadRemovesItsPart", Kind::ftp, "drop-upload.txt", kShared, nullptr, false, 256 * 1024, -1,
      { { "drop-upload.txt", Holds::old }, { "drop-upload.txt_##_", Holds::nothing } },
      "Removed the partial upload drop-upload.txt_##_" },
    { "FtpLinkKeepsPointingAtTheSavedTarget", Kind::ftp, "link.txt", kPrivate, "real/target.txt", false, 0, 0,
      { { "real/target.txt", Holds::saved }, { "real/target.txt_##_", Holds::nothing } } },
    { "FtpRecreatedOriginalGetsItsListedMode", Kind::ftp, "gone.txt", kPrivate, nullptr, false, 0, 0,
      { { "gone.txt", Holds::saved } }, nullptr, true, true },
    { "FtpRecreatedOriginalTellsItsDefaultMode", Kind::ftp, "gone.txt", kPrivate, nullptr, false, 0, 0,
      { { "gone.txt", Holds::saved } }, "It was missing on the server and was made anew with the server's default permissions, 6",
      false, true, false },
    { "SftpKeepsAPrivateMode", Kind::sftp, "page.html", kPrivate, nullptr, false, 0, 0,
      { { "page.html", Holds::saved }, { "page.html_##_", Holds::nothing }, { "page.html_#old#_", Holds::nothing } } },
    { "SftpKeepsTheExecuteBits", Kind::sftp, "run.sh", kScript, nullptr, false, 0, 0, { { "run.sh", Holds::saved } } },
    { "SftpLinkKeepsPointingAtTheSavedTarget", Kind::sftp, "link.txt", kPrivate, "real/target.txt", false, 0, 0,
      { { "real/target.txt", Holds::saved }, { "real/target.txt_#old#_", Holds::nothing } } },
    { "SftpRecreatedOriginalGetsItsListedMode", Kind::sftp, "gone.txt", kScript, nullptr, false, 0, 0,
      { { "gone.txt", Holds::saved }, { "gone.txt_##_", Holds::nothing } }, nullptr, true, true },
    { "SftpRecreatedOriginalTellsItsDefaultMode", Kind::sftp, "gone.txt", kPrivate, nullptr, false, 0, 0,
      { { "gone.txt", Holds::saved } }, "It was missing on the server and was made anew with the server's default permissions, 6",
      false, true, false },
    { "SftpAbsoluteLink", Kind::sftp, "link.txt", kShared, "real/target.txt", true, 0, 0,
      { { "real/target.txt", Holds::saved } } },
};

class SaveTest : public testing::TestWithParam<SaveCase> {
protected:
    void SetUp() override { NetworkManager::sharedManager().setLimits({}); }
};

std::string caseTitle(const testing::TestParamInfo<SaveCase>& info)
{
    return info.param.title;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Faults, SaveTest, testing::ValuesIn(kCases), caseTitle);

TEST_P(SaveTest, OriginalSurvivesEveryStep)
{
    const SaveCase& c = GetParam();
    TestServer& server = serverFor(c.kind);
    server.clearRoot();
    auto delegate = std::make_shared<RecordingDelegate>();
    ASSERT_EQ(connectWith(connectionFor(server, typeFor(c.kind)), delegate), 0);

    const std::string original = "old text";
    const std::string file = c.linkTo ? c.linkTo : c.name;
    server.writeFile(file, original);
    fs::permissions(server.pathFor(file), c.mode);
    if (c.linkTo) {
        const fs::path target = c.absoluteLink ? server.pathFor(c.linkTo) : fs::path(c.linkTo);
        fs::create_symlink(target, server.pathFor(c.name));
    }
    const std::u16string text = c.textBytes ? std::u16string(c.textBytes, u'n') : u"new text";
    const std::string saved = c.textBytes ? std::string(c.textBytes, 'n') : "new text";

    std::optional<unsigned> listedMode;
    if (c.gone) {
        listedMode = unsigned(c.mode);
        fs::remove(server.pathFor(file));
    }
    LogCapture log;
    const int code = uploadWith(*delegate, UploadRequest { c.name, text, NSUTF8StringEncoding, c.gone,
                                                           c.modeListed ? listedMode : std::nullopt });
    if (c.code == -1) {
        EXPECT_NE(code, 0);
        EXPECT_NE(code, NetworkManager::kCodeReplaceIncomplete);
    } else {
        EXPECT_EQ(code, c.code);
    }
    for (const auto& [name, holds] : c.disk) {
        SCOPED_TRACE(name);
        const std::optional<std::string> content = server.readFile(name);
        if (holds == Holds::nothing) {
            EXPECT_FALSE(content);
        } else if (holds == Holds::part) {
            EXPECT_TRUE(content && saved.compare(0, content->size(), *content) == 0);
        } else {
            // Compared as a flag: a failure must not print a quarter of a megabyte.
            EXPECT_TRUE(content == (holds == Holds::old ? original : saved))
                << (content ? content->substr(0, 40) : std::string("(absent)"));
        }
    }
    if (c.keepsMode) {
        EXPECT_EQ(fs::status(server.pathFor(file)).permissions() & fs::perms::mask, c.mode);
    } else if (c.gone) {
        EXPECT_NE(fs::status(server.pathFor(file)).permissions() & fs::perms::mask, c.mode) << "the default differs";
    }
    if (c.linkTo) {
        EXPECT_TRUE(fs::is_symlink(server.pathFor(c.name)));
    }
    if (c.logged) {
        EXPECT_TRUE(log.contains(c.logged)) << c.logged;
    }
}

// A new name is saved through the temporary name too, the second time as the first.
TEST(SaveNewFiles, SecondSaveOfANewFile)
{
    for (Kind kind : { Kind::ftp, Kind::sftp }) {
        TestServer& server = serverFor(kind);
        server.clearRoot();
        auto delegate = std::make_shared<RecordingDelegate>();
        ASSERT_EQ(connectWith(connectionFor(server, typeFor(kind)), delegate), 0);
        EXPECT_EQ(uploadWith(*delegate, "fresh.txt", u"first"), 0);
        fs::permissions(server.pathFor("fresh.txt"), kPrivate);
        EXPECT_EQ(uploadWith(*delegate, "fresh.txt", u"second"), 0);
        EXPECT_EQ(server.readFile("fresh.txt"), "second");
        EXPECT_EQ(fs::status(server.pathFor("fresh.txt")).permissions() & fs::perms::mask, kPrivate);
        EXPECT_FALSE(server.exists("fresh.txt_##_"));
    }
}

// The save asks the server about its own names only: on FTP a folder the server refuses to list
// is saved in all the same, with the mode and the left-over it holds; on SFTP a file the folder
// screen shows is saved twice with its mode, the second time after the first changed its size.
TEST(SaveNewFiles, SavesWithoutListingTheFolder)
{
    {
        FtpTestServer& server = FtpTestServer::shared();
        server.clearRoot();
        auto delegate = std::make_shared<RecordingDelegate>();
        ASSERT_EQ(connectWith(connectionFor(server, QVConnection::kTypeFTP), delegate), 0);
        server.writeFile(std::string(FtpTestServer::kRefuseListPrefix) + ".txt", "");
        server.writeFile("page.txt", "old");
        server.writeFile("page.txt_##_", "an earlier left-over");
        fs::permissions(server.pathFor("page.txt"), kPrivate);
        EXPECT_EQ(uploadWith(*delegate, "page.txt", u"new"), 0);
        EXPECT_EQ(server.readFile("page.txt"), "new");
        EXPECT_EQ(server.readFile("page.txt_##_"), "an earlier left-over");
        EXPECT_EQ(fs::status(server.pathFor("page.txt")).permissions() & fs::perms::mask, kPrivate);
        ASSERT_FALSE(delegate->reports.empty());
        EXPECT_NE(saveResultText(delegate->reports.back()).message.find("page.txt_##_"), std::string::npos);
    }
    {
        SftpTestServer& server = SftpTestServer::shared();
        server.clearRoot();
        server.writeFile("page.txt", "old");
        fs::permissions(server.pathFor("page.txt"), kPrivate);
        auto delegate = std::make_shared<RecordingDelegate>();
        ASSERT_EQ(connectWith(connectionFor(server, QVConnection::kTypeSFTP), delegate), 0);
        for (const char16_t* text : { u"a longer text", u"short" }) {
            EXPECT_EQ(uploadWith(*delegate, "page.txt", text), 0);
            EXPECT_EQ(fs::status(server.pathFor("page.txt")).permissions() & fs::perms::mask, kPrivate);
        }
        EXPECT_EQ(server.readFile("page.txt"), "short");
    }
}
