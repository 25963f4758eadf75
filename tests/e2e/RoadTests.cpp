#include <string>

#include "tests/e2e/EndToEndSupport.h"
#include "tests/support/FtpTestServer.h"

namespace {

const Road kRoads[] = {
    { "ftp-pad", false, "ipad" },
    { "ftp-phone", false, "iphone" },
    { "sftp-pad", true, "ipad" },
    { "sftp-phone", true, "iphone" },
};
const Road kFtpRoads[] = { kRoads[0], kRoads[1] };

bool onPad(const Road& road) { return std::string(road.device) == "ipad"; }

using EndToEnd = EndToEndTest;

// The road of one request: connect, browse, open, type, save, and the saved text on the server's
// disk; a second save finds nothing to do, and Close goes back to the folder.
TEST_F(EndToEnd, TypedTextIsSavedOnTheServersDisk)
{
    const std::string typed = "<!-- typed on the road -->";
    for (const Road& road : kRoads) {
        SCOPED_TRACE(road.name);
        TestServer& server = serveDemoSite(road);
        storeConnection(road, server);
        setMasterPassword("");
        const Run run = launch(road, openFile("index.html") + "tapOutlet txtCode\ntype " + typed + "\nstep typed\n"
                                         + "tapOutlet btnSave\nwaitIdle\nstep saved\n"
                                         + "tapOutlet btnSave\nwaitFor No changes were made to the file. There is "
                                           "no need to save it.\nstep nothing-to-save\nanswerAlert OK\n"
                                         + "tapOutlet btnClose\nwaitFor menu.php\nstep back-in-folder\n");
        EXPECT_EQ(run.code, 0) << run.errors;
        const std::string saved = server.readFile("index.html").value_or("");
        EXPECT_EQ(without(saved, typed), demoSiteFile("index.html")) << saved;
    }
}

// A file from the HTML5 template, renamed and deleted, each step seen on the server's disk.
TEST_F(EndToEnd, FileFromATemplateIsRenamedAndDeleted)
{
    for (const Road& road : kRoads) {
        SCOPED_TRACE(road.name);
        TestServer& server = serveDemoSite(road);
        storeConnection(road, server);
        setMasterPassword("");
        checks_ = {
            { "created", [&]() -> std::optional<std::string> {
                 const auto text = server.readFile("news.htm");
                 if (!text || text->find("<!DOCTYPE html>") == std::string::npos)
                     return "news.htm is not an HTML5 page: " + text.value_or("(missing)");
                 return std::nullopt;
             } },
            { "renamed", [&]() -> std::optional<std::string> {
                 if (server.exists("news.htm") || !server.exists("latest.htm"))
                     return std::string("news.htm was not renamed to latest.htm");
                 return std::nullopt;
             } },
            { "deleted", [&]() -> std::optional<std::string> {
                 if (server.exists("latest.htm"))
                     return std::string("latest.htm is still on the server");
                 return std::nullopt;
             } },
        };
        // The pad offers them in a popover, the phone in an action sheet.
        const std::string choose = onPad(road) ? "tapSegment " : "answerSheet ";
        const Run run = launch(road,
            "step start\ntapLabel Demo site\nwaitFor index.html 20\nstep folder\ntapOutlet btnAdd\nwaitFor HTML5\n"
            "step new-file\ntapLabel HTML5\nwaitFor Enter file name (*.htm):\ntype news\nstep name\nanswerAlert OK\n"
            "waitFor news.htm\nwaitIdle\nstep created\ncheck created\n"
            "pressLabel news.htm\nwaitForPart Rename\nstep entry-menu\n" + choose + "Rename\nwaitFor Enter new name:\n"
            "key ctrl+a\ntype latest.htm\nstep new-name\nanswerAlert OK\nwaitFor latest.htm\nwaitIdle\nstep renamed\n"
            "check renamed\npressLabel latest.htm\nwaitForPart Delete\n" + choose + "Delete\n"
            "waitFor Do you really want to delete 'latest.htm'?\nstep really\nanswerSheet Yes.\nwaitGone latest.htm\n"
            "waitIdle\nstep deleted\ncheck deleted\n");
        EXPECT_EQ(run.code, 0) << run.errors;
    }
}

// A master password set at the first launch is asked for at the second; a wrong one is refused.
TEST_F(EndToEnd, SecondLaunchAsksForTheMasterPassword)
{
    for (const Road& road : kFtpRoads) {
        SCOPED_TRACE(road.name);
        TestServer& server = serveDemoSite(road);
        storeConnection(road, server);
        setMasterPassword(std::nullopt);
        const Run first = launch(road, "waitFor MASTER PASSWORD\nstep set-password\ntapOutlet txtPass1\ntype quay 4\n"
                                       "tapOutlet txtPass2\ntype quay 4\nstep typed-twice\ntapOutlet btnGo\n"
                                       "waitForPart Demo site\nstep start\n");
        EXPECT_EQ(first.code, 0) << first.errors;
        const Run second = launch(road, "waitFor Please enter your master password.\nstep asked\ntapOutlet txtPass\n"
                                        "type quay 5\ntapOutlet btnGo\nwaitFor You entered an invalid password!\n"
                                        "step refused\nanswerAlert OK\ntapOutlet txtPass\nkey backspace\ntype 4\n"
                                        "tapOutlet btnGo\nwaitForPart Demo site\nstep start\n");
        EXPECT_EQ(second.code, 0) << second.errors;
    }
}

// The server drops the connection in the middle of a save: the editor says so, the text stays
// unsaved, and the server still holds a whole file, which the message names.
TEST_F(EndToEnd, ServerThatDropsDuringTheSaveKeepsAWholeFile)
{
    struct Case {
        const char* file;
        // Where the server holds the typed text afterwards (empty: nowhere, the save never landed).
        const char* newTextAt;
        // The message names this.
        const char* named;
    };
    const std::string typed = "<!-- never saved -->";
    const Case cases[] = {
        { "drop-upload-notes.html", "", "drop-upload-notes.html" },
        { "drop-on-rename-notes.html", "drop-on-rename-notes.html_##_", "drop-on-rename-notes.html_##_" },
    };
    for (const Road& road : kFtpRoads) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(road.name) + " " + c.file);
            TestServer& server = serveDemoSite(road);
            const std::string original = demoSiteFile("index.html");
            server.writeFile(c.file, original);
            storeConnection(road, server);
            setMasterPassword("");
            const Run run = launch(road, openFile(c.file) + "tapOutlet txtCode\ntype " + typed
                                             + "\ntapOutlet btnSave\nwaitIdle\n"
                                             + "waitForPart Could not save file|" + c.named + "\nstep failed\nanswerAlert OK\n"
                                             + "tapOutlet btnClose\nwaitFor Close file and discard all changes?\n"
                                             + "step still-unsaved\nanswerSheet No!\n");
            EXPECT_EQ(run.code, 0) << run.errors;
            EXPECT_EQ(server.readFile(c.file), original);
            if (*c.newTextAt != '\0') {
                EXPECT_EQ(without(server.readFile(c.newTextAt).value_or(""), typed), original);
            }
        }
    }
}

}

namespace {

// What one insertion into the original put there; nothing when the text is not the original
// with one insertion.
std::optional<std::string> insertion(const std::string& original, const std::string& text)
{
    if (text.size() <= original.size())
        return std::nullopt;
    std::size_t prefix = 0;
    while (prefix < original.size() && original[prefix] == text[prefix])
        ++prefix;
    const std::size_t inserted = text.size() - original.size();
    if (text.compare(prefix + inserted, std::string::npos, original, prefix) != 0)
        return std::nullopt;
    return text.substr(prefix, inserted);
}

// With the mouse and the keys alone: a double click selects a word, ctrl+c copies it, a click
// elsewhere and ctrl+v paste it there, and the save carries it to the server.
TEST_F(EndToEnd, WordCopiedWithTheMouseIsPastedAndSaved)
{
    const Road road = kRoads[0];
    TestServer& server = serveDemoSite(road);
    storeConnection(road, server);
    setMasterPassword("");
    const Run run = launch(road, openFile("index.html") + "tap 200 555\ntap 200 555\nwait 0.6\nstep selected\n"
                                     "key ctrl+c\ntap 700 300\nwait 0.6\nkey ctrl+v\nstep pasted\n"
                                     "tapOutlet btnSave\nwaitIdle\nstep saved\n");
    EXPECT_EQ(run.code, 0) << run.errors;
    const std::string original = demoSiteFile("index.html");
    const auto pasted = insertion(original, server.readFile("index.html").value_or(""));
    ASSERT_TRUE(pasted) << server.readFile("index.html").value_or("");
    EXPECT_NE(original.find(*pasted), std::string::npos) << *pasted;
    EXPECT_EQ(pasted->find_first_of(" \n<>\"="), std::string::npos) << "one word: " << *pasted;
}

}

namespace {

// Return typed through the host into a CR LF file (the code view) and a large CR file (the plain
// view): the server's file gets the file's own line break, one more of it, and no other kind.
TEST_F(EndToEnd, ReturnKeepsTheFilesLineEndingsOnTheServer)
{
    struct Case {
        const char* file;
        std::string lineBreak;
        int lines; // 600 lines are past 10240 bytes: the plain view
    };
    const Case cases[] = { { "crlf.txt", "\r\n", 30 }, { "cr.txt", "\r", 600 } };
    const auto count = [](const std::string& text, const std::string& piece) {
        std::size_t n = 0;
        for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size()))
            ++n;
        return n;
    };
    for (const Road& road : kFtpRoads) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(road.name) + " " + c.file);
            TestServer& server = serveDemoSite(road);
            std::string original;
            for (int line = 1; line <= c.lines; ++line)
                original += "line " + std::to_string(line) + " of the file" + c.lineBreak;
            server.writeFile(c.file, original);
            storeConnection(road, server);
            setMasterPassword("");
            const std::string tap = onPad(road) ? "tap 300 200\n" : "tap 100 150\n";
            const Run run = launch(road, openFile(c.file) + tap + "wait 0.6\nkey Return\ntype x\nstep typed\n"
                                             + "tapOutlet btnSave\nwaitIdle\nstep saved\n");
            EXPECT_EQ(run.code, 0) << run.errors;
            const std::string saved = server.readFile(c.file).value_or("");
            EXPECT_EQ(saved.size(), original.size() + c.lineBreak.size() + 1);
            EXPECT_EQ(count(saved, c.lineBreak), std::size_t(c.lines + 1));
            EXPECT_EQ(count(saved, "\r") + count(saved, "\n"), (c.lines + 1) * c.lineBreak.size()) << "no other break";
            EXPECT_EQ(count(saved, "x"), 1u);
        }
    }
}

}
