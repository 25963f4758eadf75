#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "tests/e2e/EndToEndSupport.h"

namespace fs = std::filesystem;

namespace {

const std::string kTypedOnce = "<!-- typed once -->";
const std::string kNoChanges = "No changes were made to the file. There is no need to save it.";

// Every key a person may press while a panel is up; a prompt's field takes them, nothing else
// does. `typed` ends up in the field without its last character.
std::string keysBehind(const std::string& typed, bool withReturn)
{
    return "key ctrl+a\nkey ctrl+x\ntype " + typed + "\nkey Backspace\nkey ctrl+v\n" + (withReturn ? "key Return\n" : "");
}

// The code view has the keys; then the Info alert, the discard sheet, the actions (the phone's
// sheet, the pad's popover) and a prompt each take every key in turn; the save after them carries
// only what was typed with nothing in front.
std::string keysBehindEveryPanel(bool pad)
{
    const std::string keys = keysBehind("behind", true);
    const std::string actions = pad ? "tapOutlet btnDo\nwaitFor Go To Line\n" + keys + "step popover\ntap 200 650\nwaitGone Go To Line\n"
                                    : "tapOutlet btnDo\nwaitFor Go To Line\n" + keys + "step action-sheet\nanswerSheet Cancel\nwaitGone Go To Line\n";
    const std::string prompt = pad ? "tapOutlet btnDo\nwaitFor Search\ntapLabel Search\nwaitFor Search for:\n" + keysBehind("behind", false)
            + "assertVisible behin\nstep search-prompt\nanswerAlert Cancel\nwaitGone Search for:\n"
                                   : "tapOutlet btnDo\nwaitFor Go To Line\nanswerSheet Go To Line\nwaitForPart Go to line (1-\n"
            + keysBehind("42", false) + "assertVisible 4\nstep go-to-prompt\nanswerAlert Cancel\nwaitGone Cancel\n";
    return openFile("index.html") + "tapOutlet txtCode\ntapOutlet btnSave\nwaitFor " + kNoChanges + "\n" + keys
        + "step info-alert\nanswerAlert OK\nwaitGone " + kNoChanges + "\ntype " + kTypedOnce + "\n"
        + "tapOutlet btnClose\nwaitFor Close file and discard all changes?\n" + keys + "step discard-sheet\nanswerSheet No!\n"
        + actions + prompt + "tapOutlet btnSave\nwaitIdle\nstep saved\n";
}

// On the phone, a tap during each kind of slide lands where the coming screen has something to
// tap (a folder, a connection, the form's Cancel, the start screen's BOOKMARKS) and reaches nothing.
const std::string kTapsMidSlide = "waitForPart Demo site\ntapLabel Demo site\ntapMidSlide 300 85\nwaitIdle\n"
                                  "step pushed\nassertVisible index.html\n"
                                  "tapOutlet btnHome\ntapMidSlide 160 185\nwaitIdle\nstep popped\n"
                                  "assertVisible Demo site\nassertHidden index.html\n"
                                  "tapNewConnection\ntapMidSlide 84 440\nstep presented\nassertVisible CONNECT\n"
                                  "tapLabel CANCEL\ntapMidSlide 258 50\nstep dismissed\nassertHidden CONNECT\n"
                                  "assertVisible Demo site\n";

// Held each way, a right swipe over the code shows the line numbers and a left one hides them.
std::string gutterSwipes(const std::vector<std::string>& orientations, const std::string& over)
{
    std::string script = openFile("index.html");
    for (const std::string& orientation : orientations)
        script += "rotate " + orientation + "\nwait 0.4\nassertHidden 2\nswipe right " + over + "\nstep gutter-" + orientation
            + "\nassertVisible 2\nswipe left " + over + "\nstep gutter-gone\nassertHidden 2\n";
    return script;
}

// The pad's start screen with more connections than fit: a drag past the top, drags past the
// bottom and wheel turns, upright and sideways, leave the columns in line.
const std::string kColumns = "waitForPart Site 40\nstep start\ndrag 384 300 384 800 0.5\nassertColumnsLineUp\nstep past-top\n"
                             "drag 384 900 384 100 0.3\ndrag 384 900 384 100 0.3\ndrag 384 900 384 100 0.3\n"
                             "assertColumnsLineUp\nstep past-bottom\nwheel 384 500 0 -200\nassertColumnsLineUp\nstep wheel\n"
                             "rotate landscape\nwait 0.4\nassertColumnsLineUp\nstep turned\nwheel 512 400 0 -300\nassertColumnsLineUp\nstep wheel-landscape\n";

// The file mailed with a recipient, a subject and a body typed, the device turned while the
// composer is up; the editor beneath comes back the way the device is held.
std::string mail(bool pad)
{
    return openFile("index.html") + "tapOutlet btnDo\nwaitFor Email File\n" + (pad ? "tapLabel" : "answerSheet")
        + " Email File\nwaitFor Send\nrotate landscape\nwait 0.4\nstep composer-turned\ntapBeside To:\n"
        + "type ann@example.org\nkey Return\ntype Typed subject\nkey Return\ntype Typed body.\nstep typed\n"
        + "tapLabel Send\nwaitGone Send\nstep sent\nassertOrientation landscape\n";
}

using EndToEnd = EndToEndTest;

// Input reaches only what the person sees: keys go to the panel in front, taps during a slide
// go nowhere, swipes read the turned interface, the pad's columns move as one, and the mail
// composer takes typing.
TEST_F(EndToEnd, InputReachesOnlyWhatThePersonSees)
{
    const auto savedOnce = [](TestServer& server) {
        const std::string saved = server.readFile("index.html").value_or("");
        EXPECT_EQ(without(saved, kTypedOnce), demoSiteFile("index.html")) << saved;
    };
    const auto mailed = [this](TestServer&) {
        std::vector<fs::path> mails;
        for (const auto& entry : fs::directory_iterator(fs::path(home_.path()) / "Outbox"))
            mails.push_back(entry.path());
        ASSERT_EQ(mails.size(), 1u);
        std::ostringstream text;
        text << std::ifstream(mails[0], std::ios::binary).rdbuf();
        for (const char* part : { "To: ann@example.org", "Subject: Typed subject", "Typed body.", "index.html" })
            EXPECT_NE(text.str().find(part), std::string::npos) << part << " in\n" << text.str();
    };
    struct Case {
        Road road; // named for the snapshot folder
        std::string script;
        std::function<void(TestServer&)> after;
        int others = 0; // connections stored besides "Demo site"
    };
    const Case cases[] = {
        { { "phone-keys-behind-panels", false, "iphone" }, keysBehindEveryPanel(false), savedOnce },
        { { "pad-keys-behind-panels", false, "ipad" }, keysBehindEveryPanel(true), savedOnce },
        { { "phone-taps-mid-slide", false, "iphone" }, kTapsMidSlide, nullptr },
        { { "pad-gutter", false, "ipad" }, gutterSwipes({ "portrait", "landscape", "upsideDown", "landscapeLeft" }, "300 400"), nullptr },
        { { "phone-gutter", false, "iphone" }, gutterSwipes({ "landscapeLeft" }, "100 150"), nullptr },
        { { "pad-columns", false, "ipad" }, kColumns, nullptr, 40 },
        { { "pad-mail", false, "ipad" }, mail(true), mailed },
        { { "phone-mail", false, "iphone" }, mail(false), mailed },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.road.name);
        TestServer& server = serveDemoSite(c.road);
        storeConnection(c.road, server, c.others);
        setMasterPassword("");
        fs::remove_all(fs::path(home_.path()) / "Outbox");
        const Run run = launch(c.road, c.script);
        EXPECT_EQ(run.code, 0) << run.errors;
        if (c.after)
            c.after(server);
    }
}

} // namespace
