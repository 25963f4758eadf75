#include "tests/screens_directory/DirectoryTestSupport.h"

#include <fstream>

namespace {

const std::vector<std::string> kMixedFolder { "docs", "Images", "apple.php", "readme.txt" };

void writeMixedFolder(const TestServer& server)
{
    server.writeFile("readme.txt", "read me");
    server.makeDir("Images");
    server.writeFile("apple.php", "<?php ?>");
    server.makeDir("docs");
}

}

using ListingTest = DirectoryScreenTest;

TEST_P(ListingTest, ShowsFoldersFirstSortedWithoutDotEntriesAndEntersAndLeavesFolders)
{
    writeMixedFolder(server());
    server().writeFile("My Docs #1/inner file.txt", "x");
    server().makeDir("My Docs #1/sub dir");
    open();
    ASSERT_TRUE(screen_->isViewLoaded());
    EXPECT_EQ(shownNames(), (std::vector<std::string> { "docs", "Images", "My Docs #1", "apple.php", "readme.txt" }));
    EXPECT_EQ(screen_->listDirEntries(), NetworkManager::sharedManager().curDirListening()) << "the manager's array";
    EXPECT_EQ(folderLabel(), startLabel());
    EXPECT_EQ(screen_->btnUp()->tag(), startTag());
    EXPECT_EQ(screen_->title(), "Test site");
    EXPECT_FALSE(screen_->tblDirectory()->isHidden());
    EXPECT_TRUE(screen_->tblTemp()->isHidden()) << "the change-over has ended";
    auto cell = std::dynamic_pointer_cast<DirListCell>(
        screen_->tblDirectory()->cellForRowAtIndexPath(NSIndexPath::indexPathForRow(3, 0)));
    ASSERT_TRUE(cell);
    EXPECT_EQ(utf16ToUtf8(cell->lblFile()->text()), "apple.php");
    EXPECT_EQ(cell->imgIcon()->image(), UIImage::imageNamed("Icon_PHP.png"));
    if (pad()) {
        EXPECT_EQ(utf16ToUtf8(cell->lblSize()->text()), "8 bytes");
    }

    tapRow("My Docs #1");
    EXPECT_TRUE(screen_->isBusy());
    waitIdle();
    EXPECT_EQ(folderLabel(), "My Docs #1");
    EXPECT_EQ(shownNames(), (std::vector<std::string> { "sub dir", "inner file.txt" }));
    EXPECT_EQ(screen_->btnUp()->tag(), 0);

    tapRow("sub dir");
    waitIdle();
    EXPECT_EQ(folderLabel(), "sub dir");
    EXPECT_TRUE(shownNames().empty()) << "only . and .. are listed";
    EXPECT_EQ(NetworkManager::sharedManager().getWorkDir(), server().startPath() + "My Docs #1/sub dir");

    tapPoint(centreOf(*screen_->btnUp()));
    EXPECT_TRUE(screen_->goingUp());
    waitIdle();
    EXPECT_FALSE(screen_->goingUp());
    EXPECT_EQ(folderLabel(), "My Docs #1");

    // A swipe to the right goes up as the Up button does.
    const CGPoint middle = centreOf(*screen_->tblDirectory());
    drag({ middle.x - 100, middle.y }, { middle.x + 100, middle.y }, 0.15);
    turn();
    waitIdle();
    EXPECT_EQ(folderLabel(), startLabel());
    EXPECT_EQ(screen_->btnUp()->tag(), startTag());

    // Up at the root leaves the server, as Home does at any depth.
    tapPoint(centreOf(param().remote == Remote::sftp ? *screen_->btnHome() : *screen_->btnUp()));
    settle();
    EXPECT_EQ(navigation_->topViewController(), start_);
}

TEST_P(ListingTest, RenameAndDeleteChangeTheServersDisk)
{
    server().writeFile("old name.txt", "keep me");
    server().writeFile("gone.txt", "bye");
    server().makeDir("empty folder");
    open();

    chooseAfterPress("old name.txt", DirListController::kActionRename);
    auto prompt = std::dynamic_pointer_cast<AlertPrompt>(UIAlertView::visibleAlert());
    ASSERT_TRUE(prompt);
    EXPECT_EQ(prompt->title(), "Enter new name:");
    EXPECT_EQ(utf16ToUtf8(prompt->textField()->text()), "old name.txt") << "pre-filled";
    answerPrompt("new #name.txt");
    EXPECT_FALSE(server().exists("old name.txt"));
    EXPECT_EQ(server().readFile("new #name.txt"), "keep me");
    EXPECT_GE(rowOf("new #name.txt"), 0) << "listed again";

    chooseAfterPress("gone.txt", DirListController::kActionDelete);
    auto sheets = UIActionSheet::visibleSheets();
    ASSERT_FALSE(sheets.empty());
    EXPECT_EQ(sheets.back()->title(), "Do you really want to delete 'gone.txt'?");
    tapSheetButton("No!");
    EXPECT_TRUE(server().exists("gone.txt"));

    chooseAfterPress("gone.txt", DirListController::kActionDelete);
    tapSheetButton("Yes.");
    EXPECT_FALSE(server().exists("gone.txt"));
    EXPECT_EQ(rowOf("gone.txt"), -1);

    chooseAfterPress("empty folder", DirListController::kActionDelete);
    tapSheetButton("Yes.");
    EXPECT_FALSE(server().exists("empty folder"));
    if (pad()) {
        EXPECT_FALSE(screen_->dirPopover()->isPopoverVisible());
    }
    EXPECT_EQ(UIAlertView::visibleAlert(), nullptr) << alertText();
}

TEST_P(ListingTest, RenameOntoAListedNameIsRefusedAndFailuresAreShown)
{
    server().writeFile("a.txt", "A");
    server().writeFile("b.txt", "B");
    server().makeDir("folder");
    open();

    chooseAfterPress("a.txt", DirListController::kActionRename);
    answerPrompt("b.txt");
    EXPECT_EQ(alertText(), "Lexiphant is sorry: 'b.txt' already exists in this folder. Please choose another name.");
    tapAlertButton(0);
    EXPECT_EQ(server().readFile("a.txt"), "A");
    EXPECT_EQ(server().readFile("b.txt"), "B");

    // Gone on the server while still listed: the command fails and says so; the listing stays.
    std::filesystem::remove(server().pathFor("a.txt"));
    chooseAfterPress("a.txt", DirListController::kActionRename);
    answerPrompt("c.txt");
    EXPECT_NE(alertText().find("Could not rename 'a.txt'"), std::string::npos) << alertText();
    tapAlertButton(0);
    EXPECT_FALSE(server().exists("c.txt"));

    std::filesystem::remove(server().pathFor("folder"));
    tapRow("folder");
    waitIdle();
    EXPECT_NE(alertText().find("Could not open the folder 'folder'"), std::string::npos) << alertText();
    tapAlertButton(0);
    EXPECT_EQ(folderLabel(), startLabel());
    EXPECT_GE(rowOf("b.txt"), 0);
}

TEST_P(ListingTest, FilesOpenUpToTenMegabytesAndUnlistedKindsOnlyWithOpenAll)
{
    server().makeSparseFile("exact.txt", 10485760);
    server().makeSparseFile("over.txt", 10485761);
    server().writeFile("data.xyz", "?");
    open();

    tapRow("over.txt");
    EXPECT_EQ(alertText(), "Lexiphant is sorry: He can't download files bigger than 10MB.");
    tapAlertButton(0);
    EXPECT_EQ(navigation_->topViewController(), screen_);

    tapRow("exact.txt");
    settle();
    auto editor = shownEditor();
    ASSERT_TRUE(editor) << "the editor is asked for by its class name";
    ASSERT_TRUE(editor->fileEntry);
    EXPECT_EQ(editor->fileEntry->name(), "exact.txt");
    navigation_->popViewControllerAnimated(false);
    settle();
    EXPECT_EQ(NetworkManager::sharedManager().delegate(), std::static_pointer_cast<NetworkManagerDelegate>(screen_));

    tapRow("data.xyz");
    settle();
    EXPECT_EQ(navigation_->topViewController(), screen_) << "openAll is off";
    EXPECT_FALSE(screen_->tblDirectory()->indexPathForSelectedRow());

    NSUserDefaults::standardUserDefaults().setBool(true, "openAll");
    tapRow("data.xyz");
    settle();
    editor = shownEditor();
    ASSERT_TRUE(editor && editor->fileEntry);
    EXPECT_TRUE(editor->fileEntry->unsupported());
    navigation_->popViewControllerAnimated(false);
    settle();

    // An editor that is not there: logged, and the screen stays.
    registerEditor(false);
    LogCapture log;
    tapRow("exact.txt");
    settle();
    EXPECT_EQ(navigation_->topViewController(), screen_);
    EXPECT_TRUE(log.contains("CodeWriteController"));
}

// A link is tried as a folder first and opened as a file when it leads to none; one that led
// to a folder shows as a folder from then on.
TEST_P(ListingTest, LinksAreEnteredAsFoldersOrOpenedAsFiles)
{
    server().writeFile("public_html/inside.htm", "<p>");
    server().writeFile("index.htm", "<p>");
    std::filesystem::create_symlink("public_html", server().pathFor("www"));
    std::filesystem::create_symlink("index.htm", server().pathFor("home.htm"));
    open();
    auto iconOf = [this](const std::string& name) {
        auto cell = std::dynamic_pointer_cast<DirListCell>(
            screen_->tblDirectory()->cellForRowAtIndexPath(NSIndexPath::indexPathForRow(rowOf(name), 0)));
        return cell ? cell->imgIcon()->image() : nullptr;
    };
    const auto folderIcon = UIImage::imageNamed("Icon_Folder.png");
    EXPECT_NE(iconOf("www"), folderIcon) << "not known to be a folder yet";

    tapRow("www");
    waitIdle();
    EXPECT_EQ(UIAlertView::visibleAlert(), nullptr) << alertText();
    EXPECT_EQ(folderLabel(), "www");
    EXPECT_EQ(shownNames(), std::vector<std::string> { "inside.htm" });
    tapPoint(centreOf(*screen_->btnUp()));
    waitIdle();
    EXPECT_EQ(folderLabel(), startLabel());
    EXPECT_EQ(iconOf("www"), folderIcon);

    tapRow("home.htm");
    waitIdle();
    settle();
    EXPECT_EQ(UIAlertView::visibleAlert(), nullptr) << alertText();
    auto editor = shownEditor();
    ASSERT_TRUE(editor && editor->fileEntry) << "opened as the file it leads to";
    EXPECT_EQ(editor->fileEntry->name(), "home.htm");
    EXPECT_EQ(folderLabel(), startLabel()) << "still in the start folder";
}

// A name the server cannot be sent (a line break anywhere, a tab over FTP) shows whole and a tap
// on it says why it cannot be opened; the same name over SFTP opens.
TEST_P(ListingTest, NamesTheServerCannotBeSentAreShownWholeAndATapSaysWhy)
{
    const bool ftp = param().remote == Remote::ftp;
    const std::string lineBreak = "' cannot be opened: its name holds a line break, which cannot be sent to the server. "
                                  "Rename it with another program to open it here.";
    const std::string control = "' cannot be opened over FTP: its name holds a tab or another control character, which "
                                "an FTP address cannot carry. Rename it (touch and hold its row) to open it here.";
    const struct {
        std::string name;   // on the server
        std::string listed; // over FTP a carriage return arrives as a line feed
        std::string shown;
        bool folder;
        std::string alert; // after "Lexiphant is sorry: '" and the shown name; empty: it opens
    } rows[] = {
        { "line\nfeed.txt", "line\nfeed.txt", "line\u21B5feed.txt", false, lineBreak },
        { "carriage\rreturn.txt", ftp ? "carriage\nreturn.txt" : "carriage\rreturn.txt", "carriage\u21B5return.txt",
          false, lineBreak },
        { "fold\nder", "fold\nder", "fold\u21B5der", true, lineBreak },
        { "tab\there.txt", "tab\there.txt", "tab here.txt", false, ftp ? control : "" },
        { "tab\tdir", "tab\tdir", "tab dir", true, ftp ? control : "" },
    };
    for (const auto& row : rows) {
        if (row.folder)
            server().writeFile(row.name + "/inside.txt", "in");
        else
            server().writeFile(row.name, "x");
    }
    open();
    EXPECT_EQ(shownNames().size(), std::size(rows)) << "no entry from the rest of a broken line";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shown);
        const int at = rowOf(row.listed);
        ASSERT_GE(at, 0);
        auto cell = std::dynamic_pointer_cast<DirListCell>(
            screen_->tblDirectory()->cellForRowAtIndexPath(NSIndexPath::indexPathForRow(at, 0)));
        ASSERT_TRUE(cell);
        EXPECT_EQ(utf16ToUtf8(cell->lblFile()->text()), row.shown);
        if (row.alert.empty())
            continue;
        tapRow(row.listed);
        settle();
        EXPECT_EQ(alertText(), "Lexiphant is sorry: '" + row.shown + row.alert);
        if (row.name == "line\nfeed.txt")
            snapshot(std::string("directory-unsendable-name-") + (ftp ? "ftp-" : "sftp-") + param().device);
        tapAlertButton(0);
        EXPECT_EQ(navigation_->topViewController(), screen_);
        EXPECT_FALSE(screen_->tblDirectory()->indexPathForSelectedRow());
        EXPECT_EQ(folderLabel(), startLabel());
    }
    // Nor can it be deleted: asked and refused as shown, and the file stays.
    chooseAfterPress("line\nfeed.txt", DirListController::kActionDelete);
    ASSERT_FALSE(UIActionSheet::visibleSheets().empty());
    EXPECT_EQ(UIActionSheet::visibleSheets().back()->title(), "Do you really want to delete 'line\u21B5feed.txt'?");
    tapSheetButton("Yes.");
    EXPECT_NE(alertText().find("Could not delete 'line\u21B5feed.txt' (1001)!"), std::string::npos) << alertText();
    tapAlertButton(0);
    EXPECT_TRUE(server().exists("line\nfeed.txt"));
    // Over SFTP a tab is no obstacle.
    if (!ftp) {
        tapRow("tab\tdir");
        waitIdle();
        EXPECT_EQ(folderLabel(), "tab dir");
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, ListingTest,
                         testing::Values(ScreenCase { Remote::ftp, "ipad" }, ScreenCase { Remote::ftp, "iphone" },
                                         ScreenCase { Remote::sftp, "ipad" }, ScreenCase { Remote::sftp, "iphone" }),
                         caseName);

using MicrosoftListingTest = DirectoryScreenTest;

TEST_P(MicrosoftListingTest, ListsAndEntersFoldersOfAMicrosoftServer)
{
    writeMixedFolder(server());
    server().writeFile("docs/inside.htm", "<p>");
    open();
    EXPECT_TRUE(NetworkManager::sharedManager().microsoft());
    EXPECT_EQ(shownNames(), kMixedFolder);
    tapRow("docs");
    waitIdle();
    EXPECT_EQ(folderLabel(), "docs");
    EXPECT_EQ(shownNames(), (std::vector<std::string> { "inside.htm" }));
}

INSTANTIATE_TEST_SUITE_P(Servers, MicrosoftListingTest, testing::Values(ScreenCase { Remote::microsoft, "ipad" }), caseName);
