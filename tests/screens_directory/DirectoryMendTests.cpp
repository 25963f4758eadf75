#include "tests/screens_directory/DirectoryTestSupport.h"

#include "Platform/UIKit/UILongPressGestureRecognizer.h"

namespace {

// A press recogniser the test begins by hand, on a cell of the screen's, as a finger would.
class HandPress : public UILongPressGestureRecognizer {
public:
    using UILongPressGestureRecognizer::UILongPressGestureRecognizer;
    void begin() { setState(UIGestureRecognizerStateBegan); }
};

void pressByHand(const std::shared_ptr<DirListController>& screen, UITableViewCell& cell)
{
    std::weak_ptr<DirListController> weak = screen;
    auto press = std::make_shared<HandPress>([weak](UIGestureRecognizer& recognizer) {
        if (auto target = weak.lock())
            target->longPress(recognizer);
    });
    cell.addGestureRecognizer(press);
    press->begin();
    cell.removeGestureRecognizer(press.get());
}

}

using MendTest = DirectoryScreenTest;

// Another client changes the folder while the rename prompt is up: the entry pressed is the one
// renamed, wherever its row moved to, and nothing is sent once it is gone.
TEST_P(MendTest, RenameActsOnTheEntryPressedNotOnItsOldRow)
{
    server().writeFile("b.txt", "B");
    server().writeFile("d.txt", "D");
    open();
    const auto refresh = [&] {
        auto done = std::make_shared<std::atomic<bool>>(false);
        performInBackground([done] {
            (void)NetworkManager::sharedManager().changeWorkDir(".");
            done->store(true);
        });
        EXPECT_TRUE(RunLoop::main().runUntil([&] { return done->load(); }, 30));
        waitIdle();
    };

    chooseAfterPress("b.txt", DirListController::kActionRename);
    server().writeFile("a.txt", "A"); // sorts before b.txt: the rows move down
    refresh();
    ASSERT_EQ(rowOf("b.txt"), 1);
    answerPrompt("c.txt");
    EXPECT_EQ(server().readFile("c.txt"), "B");
    EXPECT_EQ(server().readFile("a.txt"), "A");
    EXPECT_FALSE(server().exists("b.txt"));

    chooseAfterPress("d.txt", DirListController::kActionRename);
    std::filesystem::remove(server().pathFor("d.txt"));
    refresh();
    LogCapture log;
    answerPrompt("e.txt");
    EXPECT_TRUE(log.contains("no longer listed"));
    EXPECT_FALSE(server().exists("e.txt"));
    EXPECT_EQ(shownNames(), (std::vector<std::string> { "a.txt", "c.txt" }));
}

// During the change-over the second table is the one on screen; a press on one of its cells is
// the row of that cell.
TEST_P(MendTest, LongPressDuringTheChangeOverFindsTheRowInTheSecondTable)
{
    server().writeFile("sub/one.txt", "1");
    server().writeFile("sub/two.txt", "2");
    server().writeFile("sub/three.txt", "3");
    open();
    tapRow("sub");
    // The listing arrives; the clock stands still, so the change-over is still under way.
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return !screen_->isBusy(); }, 30));
    turn();
    ASSERT_FALSE(screen_->tblTemp()->isHidden());
    ASSERT_TRUE(screen_->tblDirectory()->isHidden());
    screen_->tblTemp()->layoutIfNeeded();
    auto cell = screen_->tblTemp()->cellForRowAtIndexPath(NSIndexPath::indexPathForRow(2, 0));
    ASSERT_TRUE(cell);
    ASSERT_FALSE(cell->gestureRecognizers().empty()) << "the screen's own press recogniser";
    pressByHand(screen_, *cell);
    turn();
    EXPECT_EQ(screen_->tag(), 2);
    ASSERT_TRUE(screen_->pressedEntry());
    EXPECT_EQ(screen_->pressedEntry()->name(), "two.txt");
    settle();
}

// While a remote operation runs, taps, presses, swipes and the add button start nothing.
TEST_P(MendTest, NothingStartsWhileBusy)
{
    server().makeDir("docs");
    server().writeFile("file.txt", "f");
    open();
    UITableView* table = screen_->tblDirectory();
    const NSIndexPath docs = NSIndexPath::indexPathForRow(rowOf("docs"), 0);
    screen_->startActivity();
    EXPECT_TRUE(screen_->isBusy());
    LogCapture log;
    EXPECT_FALSE(screen_->tableViewWillSelectRowAtIndexPath(table, docs));
    EXPECT_TRUE(log.contains("No way, mister."));
    screen_->tableViewDidSelectRowAtIndexPath(table, docs);
    screen_->btnAddPressed(screen_->btnAdd());
    screen_->btnUpPressed(screen_->btnUp());
    screen_->btnHomePressed();
    auto cell = table->cellForRowAtIndexPath(NSIndexPath::indexPathForRow(rowOf("file.txt"), 0));
    ASSERT_TRUE(cell);
    pressByHand(screen_, *cell);
    turn();
    EXPECT_FALSE(screen_->pressedEntry());
    EXPECT_EQ(NetworkManager::sharedManager().threadStatus(), 0) << "no listing started";
    EXPECT_EQ(navigation_->topViewController(), screen_);
    EXPECT_TRUE(UIActionSheet::visibleSheets().empty());
    if (pad()) {
        EXPECT_FALSE(screen_->addPopover()->isPopoverVisible());
    }
    screen_->stopActivity();
    screen_->tableViewDidSelectRowAtIndexPath(table, docs);
    waitIdle();
    EXPECT_EQ(folderLabel(), "docs");
}

// A folder entered or left is shown from its top; the same folder listed again keeps its place.
TEST_P(MendTest, FolderEnteredOrLeftStartsAtItsTop)
{
    for (int i = 0; i < 60; ++i) {
        server().writeFile("file" + std::to_string(100 + i) + ".txt", "f");
        server().writeFile("zdeep/inner" + std::to_string(100 + i) + ".txt", "f");
    }
    open();
    UITableView* table = screen_->tblDirectory();
    auto scrollDown = [&] {
        table->layoutIfNeeded();
        table->setContentOffset({ 0, 600 });
        EXPECT_EQ(table->contentOffset().y, 600);
    };
    scrollDown();
    screen_->needsReload();
    settle();
    EXPECT_EQ(table->contentOffset().y, 600) << "the same folder keeps its place";
    screen_->tableViewDidSelectRowAtIndexPath(table, NSIndexPath::indexPathForRow(rowOf("zdeep"), 0));
    waitIdle();
    EXPECT_EQ(folderLabel(), "zdeep");
    EXPECT_EQ(table->contentOffset().y, 0) << "entered";
    scrollDown();
    screen_->btnUpPressed(screen_->btnUp());
    waitIdle();
    EXPECT_EQ(folderLabel(), startLabel());
    EXPECT_EQ(table->contentOffset().y, 0) << "left";
}

INSTANTIATE_TEST_SUITE_P(Servers, MendTest,
                         testing::Values(ScreenCase { Remote::ftp, "ipad" }, ScreenCase { Remote::sftp, "iphone" }),
                         caseName);

using FolderLabelTest = DirectoryScreenTest;

TEST_P(FolderLabelTest, ShowsTheLastComponentOrTheWholePathForTheCloudStorageHost)
{
    server().makeDir("var/www");
    open();
    tapRow("var");
    waitIdle();
    tapRow("www");
    waitIdle();
    EXPECT_EQ(folderLabel(), "www");
    NetworkManager::sharedManager().conn()->setHost(DirListController::kCloudStorageHost);
    screen_->needsReload();
    settle();
    EXPECT_EQ(folderLabel(), "/var/www");
}

INSTANTIATE_TEST_SUITE_P(Servers, FolderLabelTest, testing::Values(ScreenCase { Remote::ftp, "ipad" }), caseName);
