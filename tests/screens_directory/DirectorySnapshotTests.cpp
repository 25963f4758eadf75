#include "tests/screens_directory/DirectoryTestSupport.h"

#include "Platform/UIKit/UINib.h"

// The screen's interface files bind to their owners on both devices (a misspelt outlet or
// action fails here, not at a user's tap).
TEST(DirectoryInterfaceFiles, LoadAndBindOnBothDevices)
{
    registerLexiphantClasses();
    const struct {
        const char* file;
        const char* owner;
    } files[] = {
        { "DirListController", "DirListController" }, { "DirListController_iPhone", "DirListController" },
        { "DirListCell", "DirListController" },       { "DirListCell_iPhone", "DirListController" },
        { "DirectoryPopover", "DirectoryPopover" },   { "AddPopover", "AddPopover" },
        { "AddPopover_iPhone", "AddPopover" },
    };
    for (const auto& f : files) {
        const auto* owner = UIClassRegistry::shared().classNamed(f.owner);
        ASSERT_NE(owner, nullptr) << f.owner;
        auto nib = UINib::nibWithNibName(f.file);
        EXPECT_EQ(nib->ownerClassName(), f.owner) << f.file;
        auto object = owner->make();
        EXPECT_NO_THROW((void)nib->instantiateWithOwner(object.get())) << f.file;
    }
    for (const char* icon : { "Icon_Folder.png", "Icon_TXT.png", "Icon_CSS.png", "Icon_HTML.png", "Icon_JS.png",
                              "Icon_PHP.png", "Icon_Picture.png", "Icon_XML.png", "Icon_XLS.png", "Icon_PDF.png",
                              "Icon_PPT.png", "Icon_DOC.png", "Icon_RTF.png", "Icon_CSV.png", "Icon_ASP_ASPNET.png",
                              "Icon_htaccess.png", "Icon_PERL.png", "Icon_INI.png", "Icon_LOG.png", "Icon_tpl.png",
                              "Icon_ruby.png", "Icon_PY.png", "Icon_Unsupported.png" })
        EXPECT_TRUE(UIImage::imageNamed(icon)) << icon;
}

TEST(DirectoryRowIcons, FollowTheFolderFlagAndTheFileKind)
{
    const struct {
        bool folder;
        int kind;
        const char* icon;
    } cases[] = {
        { true, 3, "Icon_Folder.png" }, { false, 1, "Icon_TXT.png" },    { false, 5, "Icon_PHP.png" },
        { false, 19, "Icon_PHP.png" },  { false, 6, "Icon_Picture.png" }, { false, 14, "Icon_ASP_ASPNET.png" },
        { false, 20, "Icon_tpl.png" },  { false, 22, "Icon_PY.png" },     { false, 0, "Icon_Unsupported.png" },
        { false, 23, "Icon_Unsupported.png" },
    };
    for (const auto& c : cases) {
        FileEntry entry;
        entry.setDirType(c.folder ? FileEntry::kDirectoryByPermissions : FileEntry::kPlainFile);
        entry.setExtType(c.kind);
        EXPECT_EQ(DirListCell::iconNameFor(entry), c.icon) << c.kind;
    }
}

using SnapshotTest = DirectoryScreenTest;

TEST_P(SnapshotTest, ScreensAsTheUserSeesThem)
{
    const std::string device = param().device;
    server().makeDir("css");
    server().makeDir("images");
    server().writeFile("index.html", std::string(2300, 'x'));
    server().writeFile("style.css", "body {}");
    server().writeFile("app.js", "");
    server().writeFile("notes.txt", "n");
    server().writeFile("photo.jpg", std::string(150000, 'p'));
    server().writeFile("report.pdf", "%PDF");
    server().writeFile("setup.py", "");
    server().writeFile(".htaccess", "");
    server().writeFile("archive.zip", "");
    // Enough rows to scroll sideways, not upright; they sort below the rows pressed on the phone.
    for (const char* name : { "todo.txt", "upload.php", "version.txt", "wiki.html", "zones.xml" })
        server().writeFile(name, "");
    open();
    snapshot("directory-" + device);
    pressRow(*screen_->tblDirectory(), rowOf("notes.txt"));
    snapshot("directory-press-" + device);
    if (pad()) {
        screen_->dirPopover()->dismissPopoverAnimated(false);
    } else {
        tapSheetButton("Cancel");
    }
    tapPoint(centreOf(*screen_->btnAdd()));
    snapshot("directory-add-" + device);
    if (pad()) {
        // A turn with a popover shown: its arrow still meets its button or row.
        const auto meets = [this](const UIPopoverController& popover, CGPoint anchor) {
            return CGRectContainsPoint(CGRectInset(popover.panelScreenFrame(), -24, -24), anchor);
        };
        UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientationLandscapeLeft, 0);
        EXPECT_TRUE(meets(*screen_->addPopover(), centreOf(*screen_->btnAdd())));
        snapshot("directory-add-turned-" + device);
        screen_->addPopover()->dismissPopoverAnimated(false);
        pressRow(*screen_->tblDirectory(), rowOf("notes.txt"));
        UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientationPortrait, 0);
        const CGPoint row = centreOf(*screen_->tblDirectory()->cellForRowAtIndexPath(NSIndexPath::indexPathForRow(rowOf("notes.txt"), 0)));
        const CGRect panel = screen_->dirPopover()->panelScreenFrame();
        EXPECT_NEAR(CGRectGetMidY(panel), row.y, 30) << "the arrow points at the pressed row";
        snapshot("directory-press-turned-" + device);
        screen_->dirPopover()->dismissPopoverAnimated(false);
        // Each turn lays the table out anew: its first row sits as close below the column header's
        // line as upright, also when the table was scrolled to its end in the other orientation.
        UITableView& table = *screen_->tblDirectory();
        const auto gapBelowHeader = [&] {
            const UIView* view = screen_->view().get();
            const CGRect line = screen_->imgLine2()->convertRectToView(screen_->imgLine2()->bounds(), view);
            const CGRect firstRow = table.convertRectToView(table.rectForRowAtIndexPath(NSIndexPath::indexPathForRow(0, 0)), view);
            return CGRectGetMinY(firstRow) - CGRectGetMaxY(line);
        };
        const CGFloat upright = gapBelowHeader();
        EXPECT_GE(upright, 0);
        EXPECT_LE(upright, 8);
        const struct {
            UIInterfaceOrientation to;
            bool scrolledToEnd; // before the turn
            const char* snapshot;
        } turns[] = {
            { UIInterfaceOrientationLandscapeLeft, false, "directory-landscape-" },
            { UIInterfaceOrientationPortrait, true, "directory-upright-after-scroll-" },
            { UIInterfaceOrientationLandscapeRight, false, "directory-landscape-right-" },
            { UIInterfaceOrientationPortraitUpsideDown, true, "directory-upside-down-after-scroll-" },
        };
        for (const auto& turn : turns) {
            if (turn.scrolledToEnd) {
                ASSERT_GT(table.maximumContentOffset().y, 0) << turn.snapshot;
                table.setContentOffset(table.maximumContentOffset());
            }
            UIViewControllerAttemptRotationToOrientation(turn.to, 0);
            snapshot(turn.snapshot + device);
            EXPECT_EQ(gapBelowHeader(), upright) << turn.snapshot;
            EXPECT_LE(table.contentOffset().y, table.maximumContentOffset().y) << turn.snapshot;
            EXPECT_LE(CGRectGetMaxY(table.frame()), CGRectGetHeight(screen_->view()->bounds())) << turn.snapshot;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, SnapshotTest,
                         testing::Values(ScreenCase { Remote::ftp, "ipad" }, ScreenCase { Remote::ftp, "iphone" }),
                         caseName);

TEST(DirectorySorting, FoldersFirstThenCaseInsensitiveWithoutDotEntries)
{
    const struct {
        std::vector<std::pair<std::string, bool>> listed; // name, folder
        std::vector<std::string> shown;
    } cases[] = {
        { { { "readme.txt", false }, { "Images", true }, { "apple.php", false }, { "docs", true }, { ".", true }, { "..", true } },
          { "docs", "Images", "apple.php", "readme.txt" } },
        { { { ".", true }, { "..", true } }, {} },
        { { { "b.TXT", false }, { "..", true }, { "A.txt", false }, { "Zeta", true }, { "alpha", true }, { "a.txt2", false } },
          { "alpha", "Zeta", "A.txt", "a.txt2", "b.TXT" } },
        { { { "...", false }, { ".hidden", false }, { "_x", false } }, { "...", ".hidden", "_x" } },
    };
    for (const auto& c : cases) {
        NetworkManager::Entries entries;
        for (const auto& [name, folder] : c.listed) {
            auto entry = std::make_shared<FileEntry>();
            entry->setName(name);
            entry->setDirType(folder ? FileEntry::kDirectoryOrLink : FileEntry::kPlainFile);
            entries.push_back(entry);
        }
        DirListController::sortAndPrune(entries);
        std::vector<std::string> names;
        for (const auto& entry : entries)
            names.push_back(entry->name());
        EXPECT_EQ(names, c.shown);
    }
}

TEST(DirectoryListingProgress, LogsForAScreenAndNeverStopsTheTransfer)
{
    LogCapture log;
    int screen = 0;
    EXPECT_EQ(listingProgressCallback(&screen, 100, 50, 0, 0), 0);
    EXPECT_EQ(listingProgressCallback(nullptr, 1, 2, 3, 4), 0);
    EXPECT_EQ(log.lines(), (std::vector<std::string> { "prog: 100.000000, 50.000000, 0.000000, 0.000000" }));
    static_assert(std::is_same_v<decltype(&listingProgressCallback), TransferProgressFunction>);
}
