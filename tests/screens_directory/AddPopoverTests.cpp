#include "tests/screens_directory/DirectoryTestSupport.h"

#include <atomic>
#include <functional>
#include <unistd.h>

#include "Classes/Controller/BusyAlert.h"

namespace {

constexpr char16_t kCustomText[] = u"<!-- mine -->\n";

}

class AddPopoverTest : public DirectoryScreenTest {
protected:
    void SetUp() override
    {
        DirectoryScreenTest::SetUp();
        app_ = std::make_shared<LexiphantAppDelegate>();
        auto templates = FileTemplates::buildTemplates(false);
        templates[FileTemplates::kCustomTemplateIndex] = kCustomText;
        app_->setTemplates(std::move(templates));
        UIApplication::sharedApplication().setDelegate(app_);
    }

    // The new-file screen, opened as the device opens it.
    std::shared_ptr<AddPopover> openAdd()
    {
        tapPoint(centreOf(*screen_->btnAdd()));
        settle();
        if (pad()) {
            EXPECT_TRUE(screen_->addPopover()->isPopoverVisible());
            return std::dynamic_pointer_cast<AddPopover>(screen_->addPopover()->contentViewController());
        }
        return std::dynamic_pointer_cast<AddPopover>(navigation_->topViewController());
    }
    [[nodiscard]] bool addShown() const
    {
        return pad() ? screen_->addPopover()->isPopoverVisible()
                     : std::dynamic_pointer_cast<AddPopover>(navigation_->topViewController()) != nullptr;
    }

    std::shared_ptr<LexiphantAppDelegate> app_;
};

TEST_P(AddPopoverTest, EveryPromptCreatesExactlyItsEntryOnTheServer)
{
    open();
    const std::vector<std::u16string>& templates = app_->templates();
    const struct {
        void (AddPopover::*action)();
        const char* title;
        const char* typed;
        const char* created;
        int templateIndex; // -1: empty text; -2: a folder
    } cases[] = {
        { &AddPopover::btnFolderPressed, "Enter folder name:", "new folder", "new folder", -2 },
        { &AddPopover::btnDocumentPressed, "Enter document name (with extension):", "notes.txt", "notes.txt", -1 },
        { &AddPopover::btnCSSPrintPressed, "Enter file name (*.css):", "print", "print.css", 0 },
        { &AddPopover::btnCSSScreenPressed, "Enter file name (*.css):", "screen.css", "screen.css.css", 1 },
        { &AddPopover::btnCustomPressed, "Enter file name:", "mine.tpl", "mine.tpl", 2 },
        { &AddPopover::btnHTMLPressed, "Enter file name (*.htm):", "index", "index.htm", 3 },
        { &AddPopover::btnHTML5Pressed, "Enter file name (*.htm):", "page5", "page5.htm", 4 },
        { &AddPopover::btnJQueryPressed, "Enter file name (*.js):", "app", "app.js", 5 },
        { &AddPopover::btnPHPPressed, "Enter file name (*.php):", "index", "index.php", 6 },
        { &AddPopover::btnXMLPressed, "Enter file name (*.xml):", "feed", "feed.xml", 7 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.created);
        auto add = openAdd();
        ASSERT_TRUE(add);
        ((*add).*c.action)();
        auto prompt = std::dynamic_pointer_cast<AlertPrompt>(UIAlertView::visibleAlert());
        ASSERT_TRUE(prompt);
        EXPECT_EQ(prompt->title(), c.title);
        // Cancel sends nothing and leaves the screen open.
        tapAlertButton(0);
        EXPECT_TRUE(addShown());
        ((*add).*c.action)();
        answerPrompt(c.typed);
        // The new file shows once the background listing has come back.
        EXPECT_TRUE(RunLoop::main().runUntil([&] { return rowOf(c.created) >= 0; }, 30));
        waitIdle();
        EXPECT_FALSE(addShown());
        if (c.templateIndex == -2) {
            EXPECT_TRUE(std::filesystem::is_directory(server().pathFor(c.created)));
        } else {
            const std::u16string expected = c.templateIndex < 0 ? u"" : templates[std::size_t(c.templateIndex)];
            EXPECT_EQ(server().readFile(c.created), utf16ToUtf8(expected));
        }
        EXPECT_GE(rowOf(c.created), 0) << "listed again";
        EXPECT_EQ(UIAlertView::visibleAlert(), nullptr) << alertText();
    }
}

TEST_P(AddPopoverTest, AListedNameIsNotReplacedAndAnEmptyCustomTemplateOpensTheEditor)
{
    server().writeFile("notes.txt", "precious");
    open();
    auto add = openAdd();
    ASSERT_TRUE(add);
    add->btnDocumentPressed();
    answerPrompt("notes.txt");
    EXPECT_EQ(alertText(), "Lexiphant is sorry: 'notes.txt' already exists in this folder. Please choose another name.");
    tapAlertButton(0);
    EXPECT_EQ(server().readFile("notes.txt"), "precious");

    // Names the server took after the screen's listing are refused all the same.
    const struct {
        void (AddPopover::*action)();
        const char* typed;
        const char* taken;
    } later[] = {
        { &AddPopover::btnDocumentPressed, ".htaccess", ".htaccess" },
        { &AddPopover::btnHTML5Pressed, "index", "index.htm" },
        { &AddPopover::btnCustomPressed, "mine.tpl", "mine.tpl" },
    };
    for (const auto& c : later) {
        SCOPED_TRACE(c.taken);
        server().writeFile(c.taken, "made since the listing");
        if (!addShown())
            add = openAdd();
        ((*add).*c.action)();
        answerPrompt(c.typed);
        EXPECT_EQ(alertText(), std::string("Lexiphant is sorry: '") + c.taken
                      + "' already exists in this folder. Please choose another name.");
        tapAlertButton(0);
        waitIdle();
        EXPECT_EQ(server().readFile(c.taken), "made since the listing");
    }

    app_->templates()[FileTemplates::kCustomTemplateIndex].clear();
    if (!addShown())
        add = openAdd();
    add->btnCustomPressed();
    EXPECT_EQ(alertText(), "No custom template: Please define your custom template..");
    tapAlertButton(0);
    auto editor = shownEditor();
    ASSERT_TRUE(editor) << "the editor in custom-template mode";
    EXPECT_TRUE(editor->given);
    EXPECT_FALSE(editor->fileEntry);
    EXPECT_EQ(navigation_->viewControllers().size(), 3u) << "start, directory, editor";
}

// A prompt answered while another operation holds the network manager: refused with an alert
// that says so, and nothing is sent to the server.
TEST_P(AddPopoverTest, APromptAnsweredDuringAnOperationIsRefusedAloud)
{
    open();
    auto add = openAdd();
    ASSERT_TRUE(add);
    add->btnDocumentPressed();
    std::atomic<bool> release { false };
    ASSERT_TRUE(NetworkManager::sharedManager().beginOperation(2, [&release] {
        while (!release)
            ::usleep(1000);
    }));
    answerPrompt("later.txt");
    EXPECT_EQ(alertText(), "Error: " + BusyAlert::message(BusyAlert::kNothingCreated));
    release = true;
    waitIdle();
    EXPECT_FALSE(server().exists("later.txt"));
}

INSTANTIATE_TEST_SUITE_P(Servers, AddPopoverTest,
                         testing::Values(ScreenCase { Remote::ftp, "ipad" }, ScreenCase { Remote::ftp, "iphone" },
                                         ScreenCase { Remote::sftp, "ipad" }, ScreenCase { Remote::sftp, "iphone" }),
                         caseName);

// Each command reports its own outcome, in the server's words when it refused; a command that
// worked but whose listing after it was refused says so, and the old entries stay (a renamed one
// under its new name).
class CommandOutcomeTest : public AddPopoverTest {
protected:
    void createThrough(void (AddPopover::*action)(), const std::string& name)
    {
        auto add = openAdd();
        ASSERT_TRUE(add);
        ((*add).*action)();
        answerPrompt(name);
        waitIdle();
    }
};

TEST_P(CommandOutcomeTest, EveryCommandReportsItsOwnOutcome)
{
    const std::string refuseList = std::string(FtpTestServer::kRefuseListPrefix) + ".txt";
    const struct {
        const char* title;
        bool readOnly;
        std::function<void()> act;
        std::vector<std::string> alert; // fragments, in order
        const char* stillShown;         // an entry of the old listing that stays, or none
        const char* gone = nullptr;     // an entry no longer shown
    } cases[] = {
        { "refused rename of a name holding a placeholder", true,
          [this] {
              chooseAfterPress("%code.txt", DirListController::kActionRename);
              answerPrompt("b.txt");
          },
          { "Could not rename '%code.txt' (21)!\n", "\n550 Not enough privileges." }, nullptr },
        { "folder whose listing is refused", true, [this] { tapRow("sub"); waitIdle(); },
          { "Could not open the folder 'sub' (19)!\nThe server did not list the folder.\n550 Listing refused." },
          "a.txt" },
        { "refused rename", true,
          [this] {
              chooseAfterPress("a.txt", DirListController::kActionRename);
              answerPrompt("b.txt");
          },
          { "Could not rename 'a.txt' (21)!\n", "\n550 Not enough privileges." }, nullptr },
        { "refused delete", true,
          [this] {
              chooseAfterPress("a.txt", DirListController::kActionDelete);
              tapSheetButton("Yes.");
          },
          { "Could not delete 'a.txt' (21)!\n", "\n550 Not enough privileges." }, nullptr },
        { "refused new folder", true, [this] { createThrough(&AddPopover::btnFolderPressed, "docs"); },
          { "Could not create the folder 'docs' (21)!\n", "\n550 Not enough privileges." }, nullptr },
        { "refused new file", true,
          [this] { createThrough(&AddPopover::btnDocumentPressed, "notes.txt"); },
          { "Could not create the file 'notes.txt' (", ")!\n", "\n550 Not enough privileges." }, nullptr },
        { "rename that worked, listing refused", false,
          [this] {
              chooseAfterPress("a.txt", DirListController::kActionRename);
              answerPrompt("c.txt");
          },
          { "'a.txt' was renamed, but the folder could not be listed again (19)!\nThe server did not list the "
            "folder.\n550 Listing refused." },
          "c.txt", "a.txt" },
        { "new folder that worked, listing refused", false,
          [this] { createThrough(&AddPopover::btnFolderPressed, "docs"); },
          { "The folder 'docs' was created, but the folder could not be listed again (", "\n550 Listing refused." },
          "a.txt" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        server().clearRoot();
        server().writeFile("a.txt", "A");
        server().writeFile("%code.txt", "");
        server().makeDir("sub");
        server().writeFile("sub/" + refuseList, "");
        if (window_)
            window_->setRootViewController(nullptr);
        open(c.readOnly);
        if (!c.readOnly) // from now on the folder holds an entry that refuses its listing
            server().writeFile(refuseList, "");
        c.act();
        const std::string text = alertText();
        std::size_t at = 0;
        for (const std::string& fragment : c.alert) {
            at = text.find(fragment, at);
            ASSERT_NE(at, std::string::npos) << "\"" << fragment << "\" in " << text;
        }
        if (c.stillShown != nullptr) {
            EXPECT_GE(rowOf(c.stillShown), 0) << "the old listing stays";
        }
        if (c.gone != nullptr) {
            EXPECT_LT(rowOf(c.gone), 0) << "a name the server no longer holds";
        }
        tapAlertButton(0);
        EXPECT_EQ(UIAlertView::visibleAlert(), nullptr) << alertText();
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, CommandOutcomeTest,
                         testing::Values(ScreenCase { Remote::ftp, "ipad" }, ScreenCase { Remote::ftp, "iphone" }),
                         caseName);
