#include <algorithm>
#include <string>

using namespace std::string_literals;

#include "tests/e2e/EndToEndSupport.h"

namespace {

// The last line of index.html, after its final line break: the go-to prompt's highest number.
std::string lastLineOfIndex()
{
    const std::string text = demoSiteFile("index.html");
    return std::to_string(std::count(text.begin(), text.end(), '\n') + 1);
}

std::string assertAll(std::initializer_list<const char*> texts)
{
    std::string lines;
    for (const char* text : texts)
        lines += std::string("assertVisible ") + text + "\n";
    return lines;
}

// The start screen, the connection form with the keyboard up from its first field to its last,
// and back.
std::string startAndForm(bool pad)
{
    // The phone's keyboard covers the lower fields: Return hides it, as a person would.
    return "waitForPart Demo site\nstep start\nassertVisible Demo site\ntapNewConnection\nwaitFor CONNECT\n"
           "tapOutlet txtName\ntype Shop\nstep form-name\nassertVisible Shop\n"
           "tapOutlet txtHost\ntype shop.example.org\nassertVisible shop.example.org\n"s
        + (pad ? "" : "key Return\n") + "tapOutlet txtPath\ntype /www-shop\nstep form-path\n"
        + assertAll({ "/www-shop", "CANCEL", "CONNECT" }) + "tapLabel CANCEL\nwaitGone CANCEL\n";
}

const std::string kConnect = "tapLabel Demo site\nwaitFor index.html 20\nstep folder\nassertVisible menu.php\n";

std::string newFile(bool pad)
{
    return "tapOutlet btnAdd\nwaitFor HTML5\nstep new-file\n"
        + assertAll({ "FOLDER", "DOCUMENT", "CSS PRINT", "CSS SCREEN", "CUSTOM", "HTML 4.01", "HTML5", "JQUERY",
                      "PHP", "XML" })
        + "tapLabel FOLDER\nwaitFor Enter folder name:\ntype new-folder\nstep folder-name\n"
        + assertAll({ "Enter folder name:", "new-folder", "Cancel", "OK" }) + "answerAlert Cancel\nwaitGone Cancel\n"
        + (pad ? "tap 20 700\n" : "tapOutlet btnBack\n") + "waitFor index.html\n";
}

// The editor with the keyboard up: the caret line at the end of the text, the action popover
// (pad) or sheet (phone) with every item, the go-to and search prompts, an alert and the
// discard sheet.
std::string editor(bool pad, const std::string& turn)
{
    const std::string actions = pad ? "tapOutlet btnDo\nwaitFor Go To Line\nstep actions\n"
            + assertAll({ "Go To Line", "Search", "Preview", "Email File", "Colouring" })
                                    : "tapOutlet btnDo\nwaitFor Go To Line\nstep actions\n"
            + assertAll({ "Go To Line", "Email File", "Search", "Preview", "Disable Syntax Colouring", "Cancel" });
    const std::string chooseGoto = pad ? "tapLabel Go To Line\n" : "answerSheet Go To Line\n";
    const std::string chooseSearch = pad ? "tapLabel Search\n" : "answerSheet Search\n";
    return "tapLabel index.html\nwaitText\n" + turn + "step editor\ntapOutlet txtCode\n" + actions + chooseGoto
        + "waitForPart Go to line (1-\ntype " + lastLineOfIndex() + "\nstep go-to\n"
        + assertAll({ lastLineOfIndex().c_str(), "Cancel", "OK" }) + "answerAlert OK\nwaitGone Cancel\n"
        + "type <!-- typed at the end -->\nstep caret-line\nassertVisible <!-- typed at the end -->\n"
        + "key Return\ntype <!-- and after Return -->\nstep after-return\nassertVisible <!-- and after Return -->\n"
        + "tapOutlet btnDo\nwaitFor Search\n" + chooseSearch
        + "waitFor Search for:\ntype no-such-text\nstep search\n" + assertAll({ "no-such-text", "Cancel", "OK" })
        + "answerAlert OK\nwaitFor Could not find 'no-such-text'.\nstep not-found\nassertVisible OK\nanswerAlert OK\n"
        + "tapOutlet btnClose\nwaitFor Close file and discard all changes?\nstep discard\n"
        + assertAll({ "Yes.", "No!" }) + "answerSheet Yes.\nwaitFor index.html\nstep folder-again\n"
        + assertAll({ "index.html", "menu.php" });
}

// Every screen on the phone and the pad, in every orientation the screen takes, with the keyboard
// up where it has a field: what is typed, the caret line and every button of the sheet or alert
// on top are visible.
using EndToEnd = EndToEndTest;

TEST_F(EndToEnd, EveryScreenShowsWhatIsTypedAndItsButtons)
{
    struct Case {
        Road road; // named for the snapshot folder
        std::string script;
    };
    const std::string pad = startAndForm(true) + kConnect + newFile(true) + editor(true, "");
    const Case cases[] = {
        { { "pad-portrait", false, "ipad" }, pad },
        { { "pad-landscape", false, "ipad" }, "rotate landscape\n" + pad },
        { { "pad-landscape-left", false, "ipad" }, "rotate landscapeLeft\n" + pad },
        { { "pad-upside-down", false, "ipad" }, "rotate upsideDown\n" + pad },
        { { "phone-portrait", false, "iphone" }, startAndForm(false) + kConnect + newFile(false) + editor(false, "") },
        // The phone's other screens stay upright, even when the phone is turned; the editor turns.
        { { "phone-landscape", false, "iphone" }, "rotate landscape\n" + startAndForm(false) + kConnect
                                                  + editor(false, "rotate portrait\nrotate landscape\n") },
        { { "phone-landscape-left", false, "iphone" }, kConnect + editor(false, "rotate landscapeLeft\n") },
        { { "phone-upside-down", false, "iphone" }, kConnect + editor(false, "rotate upsideDown\n") },
    };
    TestServer& server = serveDemoSite(cases[0].road);
    storeConnection(cases[0].road, server);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.road.name);
        setMasterPassword("");
        const Run run = launch(c.road, c.script);
        EXPECT_EQ(run.code, 0) << run.errors;
    }
}

}
