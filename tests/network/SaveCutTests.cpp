// Two saves in a row over a file on a server whose line is cut right after one step of the save
// has been carried out, for every step of every kind of server: afterwards the server's disk
// holds the latest saved text (or the original) whole, nothing the user saved is gone, and the
// report names exactly the names that hold text, each with what it holds.

#include "tests/network/NetworkTestSupport.h"

#include "tests/support/FtpTestServer.h"
#include "tests/support/SftpTestServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <map>
#include <set>
#include <memory>

namespace fs = std::filesystem;

namespace {

enum class Server { ftpReplaces, ftpRefusesReplace, sftp };

struct CutCase {
    const char* title;
    Server server;
    const char* step; // the FTP command or SFTP request the line is cut after
    int nth;          // which one of them in an SFTP session
    bool secondCut;   // the second save meets the same cut (else the line holds)
    bool firstSaved;  // the cut came after the text had its name
    bool refused { false }; // the step is refused (550, an SFTP status) instead of cut
};

void PrintTo(const CutCase& c, std::ostream* out)
{
    *out << c.title;
}

// Every step of each server's save, the second save succeeding or cut again.
const CutCase kCases[] = {
    { "FtpStor", Server::ftpReplaces, "STOR", 1, false, false },
    { "FtpStorTwice", Server::ftpReplaces, "STOR", 1, true, false },
    { "FtpChmod", Server::ftpReplaces, "SITE CHMOD", 1, false, true },
    { "FtpChmodTwice", Server::ftpReplaces, "SITE CHMOD", 1, true, true },
    { "FtpRnfr", Server::ftpReplaces, "RNFR", 1, false, true },
    { "FtpRnfrTwice", Server::ftpReplaces, "RNFR", 1, true, false },
    { "FtpRnto", Server::ftpReplaces, "RNTO", 1, false, true },
    { "FtpRntoTwice", Server::ftpReplaces, "RNTO", 1, true, true },
    { "RefusingStor", Server::ftpRefusesReplace, "STOR", 1, false, false },
    { "RefusingStorTwice", Server::ftpRefusesReplace, "STOR", 1, true, false },
    { "RefusingChmod", Server::ftpRefusesReplace, "SITE CHMOD", 1, false, true },
    { "RefusingChmodTwice", Server::ftpRefusesReplace, "SITE CHMOD", 1, true, true },
    { "RefusingRnfr", Server::ftpRefusesReplace, "RNFR", 1, false, true },
    { "RefusingRnfrTwice", Server::ftpRefusesReplace, "RNFR", 1, true, false },
    { "RefusingRnto", Server::ftpRefusesReplace, "RNTO", 1, false, true },
    { "RefusingRntoTwice", Server::ftpRefusesReplace, "RNTO", 1, true, false },
    { "RefusingDele", Server::ftpRefusesReplace, "DELE", 1, false, true },
    { "RefusingDeleTwice", Server::ftpRefusesReplace, "DELE", 1, true, true },
    { "SftpWrite", Server::sftp, "WRITE", 1, false, false },
    { "SftpWriteTwice", Server::sftp, "WRITE", 1, true, false },
    { "SftpChmod", Server::sftp, "SETSTAT", 1, false, true },
    { "SftpChmodTwice", Server::sftp, "SETSTAT", 1, true, true },
    { "SftpRenameAside", Server::sftp, "RENAME", 1, false, true },
    { "SftpRenameAsideTwice", Server::sftp, "RENAME", 1, true, true },
    { "SftpRenameIn", Server::sftp, "RENAME", 2, false, true },
    { "SftpRenameInTwice", Server::sftp, "RENAME", 2, true, true },
    { "SftpRemoveAside", Server::sftp, "REMOVE", 1, false, true },
    { "SftpRemoveAsideTwice", Server::sftp, "REMOVE", 1, true, true },
    // Each step refused instead: a refusal is never taken for a lost answer.
    { "FtpStorRefused", Server::ftpReplaces, "STOR", 1, false, false, true },
    { "FtpChmodRefused", Server::ftpReplaces, "SITE CHMOD", 1, false, true, true },
    { "FtpRnfrRefused", Server::ftpReplaces, "RNFR", 1, false, false, true },
    { "FtpRnfrRefusedTwice", Server::ftpReplaces, "RNFR", 1, true, false, true },
    { "FtpRntoRefused", Server::ftpReplaces, "RNTO", 1, false, true, true },
    { "RefusingRnfrRefused", Server::ftpRefusesReplace, "RNFR", 1, false, false, true },
    { "RefusingDeleRefused", Server::ftpRefusesReplace, "DELE", 1, false, false, true },
    { "RefusingDeleRefusedTwice", Server::ftpRefusesReplace, "DELE", 1, true, false, true },
    { "SftpWriteRefused", Server::sftp, "WRITE", 1, false, false, true },
    { "SftpChmodRefused", Server::sftp, "SETSTAT", 1, false, true, true },
    { "SftpRenameAsideRefused", Server::sftp, "RENAME", 1, false, false, true },
    { "SftpRenameInRefused", Server::sftp, "RENAME", 2, false, false, true },
    { "SftpRenameInRefusedTwice", Server::sftp, "RENAME", 2, true, false, true },
    { "SftpRemoveAsideRefused", Server::sftp, "REMOVE", 1, false, true, true },
};

using Disk = std::map<std::string, std::string>;

Disk diskOf(const TestServer& server)
{
    Disk disk;
    for (const fs::directory_entry& entry : fs::directory_iterator(server.rootDir()))
        if (entry.is_regular_file())
            disk[entry.path().filename().string()] = server.readFile(entry.path().filename().string()).value_or("");
    return disk;
}

bool holdsWhole(const Disk& disk, const std::string& text)
{
    for (const auto& [name, content] : disk)
        if (content == text)
            return true;
    return false;
}

bool startsWith(const std::string& text, const std::string& part)
{
    return text.compare(0, part.size(), part) == 0;
}

class SaveCutTest : public testing::TestWithParam<CutCase> {
protected:
    void SetUp() override { NetworkManager::sharedManager().setLimits({}); }
    void TearDown() override
    {
        if (GetParam().server == Server::sftp)
            SftpTestServer::cuttable().stopCutting();
    }

    // One save, then the checks on the disk and the report. `lastWhole` is the newest text
    // whose save was complete (the original at first).
    void saveAndCheck(TestServer& server, RecordingDelegate& delegate, const std::string& name,
                      const std::string& text, std::string& lastWhole)
    {
        const Disk before = diskOf(server);
        ASSERT_NE(uploadWith(delegate, name, std::u16string(text.begin(), text.end())), -1);
        ASSERT_FALSE(delegate.reports.empty());
        const SaveReport& report = delegate.reports.back();
        const Disk after = diskOf(server);
        if (report.saved()) {
            EXPECT_EQ(after.count(name) ? after.at(name) : "(absent)", text);
            lastWhole = text;
        }
        // The newest complete text, or this save's text, stands whole under some name.
        EXPECT_TRUE(holdsWhole(after, lastWhole) || holdsWhole(after, text));
        // What the save did not write itself is all still there as it was, but for the
        // left-overs of this app's earlier saves, which a success removes once it is whole.
        for (const auto& [other, content] : before) {
            const bool removed = std::count(report.removedLeftovers.begin(), report.removedLeftovers.end(), other) > 0;
            if (removed) {
                EXPECT_TRUE(report.saved()) << other;
                EXPECT_TRUE(namedEarlier.count(other)) << other;
                EXPECT_FALSE(after.count(other)) << other;
            } else if (other != name) {
                EXPECT_EQ(after.count(other) ? after.at(other) : "(absent)", content) << other;
            }
        }
        // The report names exactly the names that hold text, each with what it holds.
        ASSERT_TRUE(report.listed);
        Disk named;
        for (const SaveReport::Place& place : report.places) {
            SCOPED_TRACE(place.name);
            ASSERT_TRUE(after.count(place.name));
            const std::string& content = after.at(place.name);
            named[place.name] = content;
            switch (place.holds) {
            case SaveReport::Holds::newText:
                EXPECT_EQ(content, text);
                break;
            case SaveReport::Holds::newTextMaybePartial:
                EXPECT_TRUE(startsWith(text, content)) << content;
                break;
            case SaveReport::Holds::oldText:
                EXPECT_EQ(content, before.count(name) ? before.at(name) : "(absent)");
                break;
            case SaveReport::Holds::earlierText:
                EXPECT_TRUE(before.count(place.name) && before.at(place.name) == content);
                break;
            }
        }
        EXPECT_EQ(named, after) << saveResultText(report).message;
        for (const auto& [place, content] : named)
            namedEarlier.insert(place);
    }
    std::set<std::string> namedEarlier; // every name an earlier report of the test named
};

std::string caseTitle(const testing::TestParamInfo<CutCase>& info)
{
    return info.param.title;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(EveryStep, SaveCutTest, testing::ValuesIn(kCases), caseTitle);

TEST_P(SaveCutTest, TwoSavesKeepEveryText)
{
    const CutCase& c = GetParam();
    std::unique_ptr<FtpTestServer> ftp;
    TestServer* server = nullptr;
    if (c.server == Server::sftp) {
        server = &SftpTestServer::cuttable();
        server->clearRoot();
    } else {
        FtpServerOptions options;
        options.readOnlyUser.clear();
        (c.refused ? options.refuseCommands : options.dropAfterCommands) = { c.step };
        (c.refused ? options.refusals : options.drops) = c.secondCut ? 0 : 1;
        ftp = std::make_unique<FtpTestServer>();
        ftp->start(options);
        server = ftp.get();
    }
    const std::string name = c.server == Server::ftpRefusesReplace ? "refuse-overwrite.txt" : "page.txt";
    std::string lastWhole = "the original text\n";
    server->writeFile(name, lastWhole);
    fs::permissions(server->pathFor(name), fs::perms::owner_read | fs::perms::owner_write);

    auto delegate = std::make_shared<RecordingDelegate>();
    ASSERT_EQ(connectWith(connectionFor(*server, c.server == Server::sftp ? QVConnection::kTypeSFTP
                                                                            : QVConnection::kTypeFTP),
                          delegate),
              0);
    if (c.server == Server::sftp && c.refused)
        SftpTestServer::cuttable().refuseAt(c.step, c.nth, 3);
    else if (c.server == Server::sftp)
        SftpTestServer::cuttable().cutAfter(c.step, c.nth);
    const int cutsBefore = c.server == Server::sftp ? SftpTestServer::cuttable().cuts() : 0;
    {
        SCOPED_TRACE("first save");
        saveAndCheck(*server, *delegate, name, "the first saved text\n", lastWhole);
        ASSERT_FALSE(delegate->reports.empty());
        EXPECT_EQ(delegate->reports.back().saved(), c.firstSaved);
        // The cut did happen; a refusal is shown in the server's words.
        // (libcurl keeps no words of an SFTP write's status.)
        if (c.refused) {
            if (c.server != Server::sftp || std::string(c.step) != "WRITE") {
                EXPECT_EQ(delegate->reports.back().replyLine.empty(), c.firstSaved);
            }
        } else if (c.server == Server::sftp) {
            EXPECT_GT(SftpTestServer::cuttable().cuts(), cutsBefore);
        } else {
            EXPECT_NE(server->logText().find("dropping the control connection after the command"), std::string::npos);
        }
    }
    if (c.server == Server::sftp && !c.secondCut)
        SftpTestServer::cuttable().stopCutting();
    {
        SCOPED_TRACE("second save");
        saveAndCheck(*server, *delegate, name, "the second saved text\n", lastWhole);
    }
    if (!c.secondCut) {
        EXPECT_TRUE(delegate->reports.back().saved());
    }
}

// The line cut before the mode is given, at every try: the text is saved, and the report says
// which mode the file now has instead of the original's.
TEST(SaveCut, ModeLostBeforeItWasGivenIsReportedWithTheSave)
{
    FtpServerOptions options;
    options.readOnlyUser.clear();
    options.dropOnCommands = { "SITE CHMOD" };
    FtpTestServer server;
    server.start(options);
    server.writeFile("page.txt", "old");
    fs::permissions(server.pathFor("page.txt"), fs::perms::owner_read | fs::perms::owner_write);
    auto delegate = std::make_shared<RecordingDelegate>();
    ASSERT_EQ(connectWith(connectionFor(server, QVConnection::kTypeFTP), delegate), 0);
    EXPECT_EQ(uploadWith(*delegate, "page.txt", u"new"), 0);
    EXPECT_EQ(server.readFile("page.txt"), "new");
    ASSERT_FALSE(delegate->reports.empty());
    const SaveReport& report = delegate->reports.back();
    const unsigned now = unsigned(fs::status(server.pathFor("page.txt")).permissions() & fs::perms::mask);
    ASSERT_NE(now, 0600u);
    EXPECT_EQ(report.modeWanted, 0600u);
    EXPECT_EQ(report.modeNow, now);
}

// A folder quota the save goes beyond: the server's 552 is told, the part this save wrote is
// removed, and the next save that fits goes through.
TEST(SaveCut, FullDiskIsToldAndClearedForTheNextSave)
{
    FtpServerOptions options;
    options.readOnlyUser.clear();
    options.quotaBytes = 4096;
    FtpTestServer server;
    server.start(options);
    server.writeFile("page.txt", "old");
    auto delegate = std::make_shared<RecordingDelegate>();
    ASSERT_EQ(connectWith(connectionFor(server, QVConnection::kTypeFTP), delegate), 0);
    EXPECT_NE(uploadWith(*delegate, "page.txt", std::u16string(8192, u'x')), 0);
    ASSERT_FALSE(delegate->reports.empty());
    const SaveReport& full = delegate->reports.back();
    EXPECT_TRUE(full.diskFull);
    EXPECT_EQ(full.replyLine, "552 Disk quota exceeded.");
    EXPECT_NE(saveResultText(full).message.find("disk is full"), std::string::npos);
    EXPECT_EQ(server.readFile("page.txt"), "old");
    EXPECT_FALSE(server.exists("page.txt_##_"));
    EXPECT_EQ(uploadWith(*delegate, "page.txt", u"new"), 0);
    EXPECT_EQ(server.readFile("page.txt"), "new");
}
