#include <cmath>

#include "Classes/Controller/UIColorHexColor.h"
#include "Classes/Controller/UILabelVerticalAlign.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINib.h"
#include "tests/screens_start/StartTestSupport.h"

namespace {

using Kind = StartScreenGrid::ItemKind;

std::shared_ptr<BookmarkCell> cellAt(StartViewController& screen, int column, int row)
{
    return std::dynamic_pointer_cast<BookmarkCell>(
        screen.tableViewCellForRowAtIndexPath(screen.tblConns(column), NSIndexPath::indexPathForRow(row, 0)));
}

class StartScreenLayout : public StartScreenTest {
protected:
    // n connections "conn 0" .. "conn n-1", newest first in that order, every third a bookmark.
    void addConnections(int n)
    {
        for (int k = 0; k < n; ++k)
            addConnection("conn " + std::to_string(k), k % 3 == 1, "host" + std::to_string(k), 21, "user",
                "pw", "/", 0, 5000 - k);
    }
};

TEST_F(StartScreenLayout, ItemsRunAcrossTheColumnsRowByRowWithLogoAndBlanksOnAPad)
{
    struct Device {
        const char* profile;
        UIInterfaceOrientation orientation;
    };
    const Device devices[] = { { "ipad", UIInterfaceOrientationPortrait },
        { "ipad", UIInterfaceOrientationLandscapeLeft }, { "iphone", UIInterfaceOrientationPortrait } };
    for (const Device& device : devices) {
        for (const int items : { 2, 3, 7, 8, 13 }) {
            TearDown();
            SetUp();
            useDevice(device.profile);
            addConnections(items - 2);
            showStart(device.orientation);
            const std::string label = std::string(device.profile) + " orientation "
                + std::to_string(device.orientation) + " N=" + std::to_string(items);
            ASSERT_EQ(start->itemCount(), items) << label;
            if (!pad()) {
                ASSERT_EQ(start->tblConns(1), nullptr) << label;
                ASSERT_EQ(start->tblConns(0)->numberOfRowsInSection(0), items - 1) << label;
                for (int row = 0; row < items - 1; ++row) {
                    const auto cell = cellAt(*start, 0, row);
                    EXPECT_EQ(kindShown(*cell), row == 0 ? Kind::megaButton : Kind::connection)
                        << label << " row " << row;
                    if (row > 0) {
                        const std::u16string name = utf8ToUtf16("conn " + std::to_string(row - 1));
                        EXPECT_EQ(cell->lblName->text().substr(0, name.size()), name) << label;
                    }
                }
                continue;
            }
            const int columns = device.orientation == UIInterfaceOrientationPortrait ? 3 : 4;
            const int rows = int(std::ceil(double(items) / columns));
            for (int column = 0; column < 4; ++column) {
                const int expectedRows = column < columns ? rows : 0;
                ASSERT_EQ(start->tblConns(column)->numberOfRowsInSection(0), expectedRows)
                    << label << " column " << column;
                EXPECT_EQ(start->tblConns(column)->isHidden(), column >= columns) << label;
                for (int row = 0; row < expectedRows; ++row) {
                    const int item = row * columns + column;
                    const Kind expected = item == items - 1 ? Kind::logo
                        : item >= items                     ? Kind::blank
                        : item == 0                         ? Kind::megaButton
                                                            : Kind::connection;
                    const auto cell = cellAt(*start, column, row);
                    EXPECT_EQ(kindShown(*cell), expected) << label << " row " << row << " column " << column;
                    if (expected == Kind::connection) {
                        EXPECT_EQ(cell->lblName->text(), utf8ToUtf16("conn " + std::to_string(item - 1)))
                            << label;
                    } else {
                        EXPECT_EQ(cell->btnBack->tag(), -1) << label;
                    }
                }
            }
        }
    }
}

TEST_F(StartScreenLayout, ConnectionCellsAreStyledByKindAndMaskPasswords)
{
    struct Case {
        bool bookmark;
        const char* password;
        bool mask;
        const char16_t* shown;
    };
    const Case cases[] = {
        { true, "abc", true, u"***" }, { true, "abc", false, u"abc" }, { false, "", true, u"" },
        { false, "", false, u"" }, { false, "pässwörd", true, u"********" },
        { false, "\xF0\x9F\x94\x91", true, u"**" }, // one character, two UTF-16 units
    };
    for (const char* device : { "ipad", "iphone" }) {
        for (const Case& c : cases) {
            TearDown();
            SetUp();
            useDevice(device);
            NSUserDefaults::standardUserDefaults().setBool(c.mask, "maskPasswords");
            const std::int32_t id = addConnection("Site", c.bookmark, "example.org", 21, "anna", c.password);
            showStart();
            const auto cell = cellAt(*start, pad() ? 1 : 0, pad() ? 0 : 1);
            ASSERT_EQ(kindShown(*cell), Kind::connection);
            const std::string label = std::string(device) + " " + c.password;
            EXPECT_EQ(cell->lblPass->text(), c.shown) << label;
            EXPECT_EQ(cell->lblHost->text(), u"example.org");
            EXPECT_EQ(cell->lblUser->text(), u"anna");
            EXPECT_EQ(cell->tag(), id);
            EXPECT_EQ(cell->btnBack->tag(), id);
            EXPECT_EQ(cell->btnEdit->tag(), id);
            const UIColorRef background = c.bookmark ? UIColorHexColor::colorWithHexString("4CAA1E")
                                                     : UIColorHexColor::colorWithHexString("d9d9d9");
            EXPECT_TRUE(cell->btnBack->backgroundColor()->isEqual(*background)) << label;
            const UIColorRef text = UIColor::colorWithWhite(c.bookmark ? 1.0 : 0.0, 1.0);
            for (UILabel* l : { cell->lblName, cell->lblHost, cell->lblUser, cell->lblUser2, cell->lblPass,
                     cell->lblPass2 })
                EXPECT_TRUE(l->textColor()->isEqual(*text)) << label;
            // On a phone the name sits at the top of its two lines.
            EXPECT_EQ(cell->lblName->text(), pad() ? u"Site" : u"Site\n ") << label;
        }
    }
}

TEST_F(StartScreenLayout, TogglesHideTheirListAndChangeTheirFont)
{
    addConnection("book", true, "h1", 21, "u", "p", "/", 0, 3000);
    addConnection("recent", false, "h2", 21, "u", "p", "/", 0, 2000);
    showStart();
    ASSERT_EQ(start->itemCount(), 4);
    struct Step {
        bool pressBooks;
        int items;
        const char* firstName; // the first connection item's name, if any
        const char* booksFont;
        const char* lastFont;
    };
    const Step steps[] = {
        { true, 3, "recent", "HelveticaNeue", "HelveticaNeue-Bold" },
        { false, 2, nullptr, "HelveticaNeue", "HelveticaNeue" },
        { true, 3, "book", "HelveticaNeue-Bold", "HelveticaNeue" },
        { false, 4, "book", "HelveticaNeue-Bold", "HelveticaNeue-Bold" },
    };
    for (const Step& step : steps) {
        const auto mega = cellAt(*start, 0, 0);
        if (step.pressBooks)
            mega->btnShowBooks->sendActionsForControlEvents(UIControlEventTouchUpInside);
        else
            mega->btnShowLast->sendActionsForControlEvents(UIControlEventTouchUpInside);
        EXPECT_EQ(start->itemCount(), step.items);
        const auto after = cellAt(*start, 0, 0);
        EXPECT_EQ(after->btnShowBooks->titleLabel()->font()->fontName(), step.booksFont);
        EXPECT_EQ(after->btnShowLast->titleLabel()->font()->fontName(), step.lastFont);
        if (step.firstName != nullptr) {
            EXPECT_EQ(cellAt(*start, 1, 0)->lblName->text(), utf8ToUtf16(step.firstName));
        }
        EXPECT_EQ(start->tblConns(0)->numberOfRowsInSection(0), (step.items - 1) / 3 + 1);
    }
}

TEST_F(StartScreenLayout, OnlyTheLogoCellOpensTheMakersPage)
{
    std::vector<std::string> opened;
    UIApplication::sharedApplication().setURLOpener([&](const std::string& url) {
        opened.push_back(url);
        return true;
    });
    addConnections(5); // N = 7: the logo at row 2 of column 0 in portrait
    showStart();
    UITableView* first = start->tblConns(0);
    EXPECT_FALSE(start->tableViewWillSelectRowAtIndexPath(first, { 0, 0 }));
    EXPECT_TRUE(start->tableViewWillSelectRowAtIndexPath(first, { 0, 1 }));
    start->tableViewDidSelectRowAtIndexPath(start->tblConns(1), { 0, 2 }); // blank
    start->tableViewDidSelectRowAtIndexPath(first, { 0, 1 }); // connection
    EXPECT_TRUE(opened.empty());
    // A real tap on the logo cell.
    const CGRect logo = first->convertRectToView(first->rectForRowAtIndexPath({ 0, 2 }), nullptr);
    tap(CGPointMake(CGRectGetMidX(logo), CGRectGetMidY(logo)));
    settle();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], StartViewController::kMakerURL);
    UIApplication::sharedApplication().setURLOpener({});
}

TEST_F(StartScreenLayout, DraggingOneColumnScrollsThemAll)
{
    addConnections(40);
    // However one column moves, every column in use ends at its offset: the rows line up.
    struct Case {
        const char* name;
        UIInterfaceOrientation orientation;
        CGFloat dragBy; // finger travel (negative: up); 0 for none
        CGFloat wheel; // wheel turn, in points
        bool setByCode;
        CGFloat expected; // -1: anywhere past 100; -2: the bottom
        bool fromBottom = false; // the columns first scrolled to their end
        bool turned = false; // then turned sideways: a fourth column, fewer rows
    };
    const Case cases[] = {
        { "drag", UIInterfaceOrientationPortrait, -400, 0, false, -1 },
        { "drag past the top springs back", UIInterfaceOrientationPortrait, 300, 0, false, 0 },
        { "drag past the bottom springs back", UIInterfaceOrientationLandscapeLeft, -300, 0, false, -2, true },
        { "wheel", UIInterfaceOrientationPortrait, 0, 120, false, 120 },
        { "wheel, sideways", UIInterfaceOrientationLandscapeRight, 0, 90, false, 90 },
        { "set by code", UIInterfaceOrientationPortrait, 0, 0, true, 50 },
        { "turned sideways at the bottom", UIInterfaceOrientationPortrait, 0, 0, false, -2, true, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        showStart(c.orientation);
        UITableView* middle = start->tblConns(1);
        if (c.fromBottom)
            middle->setContentOffset(CGPointMake(0, middle->contentSize().height - middle->bounds().size.height));
        const CGRect frame = middle->convertRectToView(middle->bounds(), nullptr);
        const CGPoint from = CGPointMake(CGRectGetMidX(frame), c.dragBy > 0 ? CGRectGetMinY(frame) + 50 : CGRectGetMaxY(frame) - 50);
        if (c.dragBy != 0)
            drag(from, CGPointMake(from.x, from.y + c.dragBy), 0.5, 20);
        if (c.wheel != 0)
            UIApplication::sharedApplication().injectScrollWheel(from, 0, c.wheel);
        if (c.setByCode)
            start->tblConns(0)->setContentOffset(CGPointMake(0, 50));
        if (c.turned) {
            ASSERT_TRUE(UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientationLandscapeLeft));
        }
        settle();
        const int columns = UIInterfaceOrientationIsLandscape(start->layoutOrientation()) ? 4 : 3;
        const CGFloat bottom = middle->contentSize().height - middle->bounds().size.height;
        const CGFloat y = middle->contentOffset().y;
        if (c.expected == -1)
            EXPECT_GT(y, 100);
        else if (c.expected == -2)
            EXPECT_NEAR(y, bottom, 1);
        else
            EXPECT_NEAR(y, c.expected, 1);
        for (int column = 0; column < columns; ++column)
            EXPECT_EQ(start->tblConns(column)->contentOffset().y, y) << column;
        start->tblConns(0)->setContentOffset(CGPointZero);
        if (c.turned)
            UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientationPortrait);
    }
}

namespace {

// A screen that turns every way, as the app's screens above the start screen do on a pad.
class TurnsEveryWayController : public UIViewController {
public:
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation) override { return true; }
};

}

// The interface turns back to portrait while another screen is on top: turned by the person
// (the screen on top turns every way), or by itself when the screen pushed on top only stands
// upright. Either way the start screen comes back laid out for portrait.
TEST_F(StartScreenLayout, RotationChangesTheColumnsAlsoWhileAnotherScreenIsOnTop)
{
    struct Case {
        const char* name;
        bool onTopTurnsEveryWay;
    };
    const Case cases[] = {
        { "turned by the person", true },
        { "turned for an upright screen", false },
    };
    addConnections(5); // N = 7
    showStart();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientationLandscapeLeft));
        settle();
        EXPECT_EQ(start->layoutOrientation(), UIInterfaceOrientationLandscapeLeft);
        EXPECT_FALSE(start->tblConns(3)->isHidden());
        EXPECT_TRUE(CGRectEqualToRect(start->tblConns(3)->frame(), CGRectMake(755, 55, 231, 655)));
        EXPECT_EQ(start->tblConns(0)->numberOfRowsInSection(0), 2);
        EXPECT_EQ(kindShown(*cellAt(*start, 2, 1)), Kind::logo);
        EXPECT_EQ(kindShown(*cellAt(*start, 3, 1)), Kind::blank);

        navigation->pushViewControllerAnimated(
            c.onTopTurnsEveryWay ? std::make_shared<TurnsEveryWayController>() : std::make_shared<UIViewController>(), false);
        settle();
        if (c.onTopTurnsEveryWay) {
            EXPECT_EQ(UIApplication::sharedApplication().statusBarOrientation(), UIInterfaceOrientationLandscapeLeft);
            ASSERT_TRUE(UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientationPortrait));
            settle();
        }
        EXPECT_EQ(UIApplication::sharedApplication().statusBarOrientation(), UIInterfaceOrientationPortrait);
        navigation->popViewControllerAnimated(false);
        settle();
        EXPECT_EQ(start->layoutOrientation(), UIInterfaceOrientationPortrait);
        EXPECT_TRUE(start->tblConns(3)->isHidden());
        EXPECT_EQ(start->tblConns(0)->numberOfRowsInSection(0), 3);
        EXPECT_EQ(start->tblConns(3)->numberOfRowsInSection(0), 0);
    }

    // Phones stay upright; pads turn every way.
    EXPECT_EQ(start->supportedInterfaceOrientations(), unsigned(UIInterfaceOrientationMaskAll));
    useDevice("iphone");
    EXPECT_EQ(start->supportedInterfaceOrientations(), unsigned(UIInterfaceOrientationMaskPortrait));
    EXPECT_FALSE(start->shouldAutorotateToInterfaceOrientation(UIInterfaceOrientationLandscapeRight));
    EXPECT_TRUE(start->shouldAutorotateToInterfaceOrientation(UIInterfaceOrientationPortraitUpsideDown));
}

TEST_F(StartScreenLayout, ComingBackToTheForegroundShowsConnectionsStoredMeanwhile)
{
    showStart();
    ASSERT_EQ(start->tblConns(1)->numberOfRowsInSection(0), 1);
    addConnections(4); // N = 6: two rows
    EXPECT_EQ(start->tblConns(0)->numberOfRowsInSection(0), 1);
    NSNotificationCenter::defaultCenter().postNotificationName(UIApplicationWillEnterForegroundNotification);
    EXPECT_EQ(start->tblConns(0)->numberOfRowsInSection(0), 2);
    EXPECT_EQ(start->tblConns(2)->numberOfRowsInSection(0), 2);
}

TEST_F(StartScreenLayout, AlignTopPadsByTheFreeLines)
{
    struct Case {
        int lines;
        const char16_t* text;
        int padding;
    };
    const Case cases[] = { { 3, u"short", 2 }, { 2, u"short", 1 }, { 1, u"short", 0 }, { 0, u"short", 0 },
        { 3, u"", 0 }, { 3, u"a rather long name that needs two lines here", 1 } };
    for (const Case& c : cases) {
        UILabel label(CGRectMake(0, 0, 200, 60));
        label.setFont(UIFont::fontWithName("Lexitype Neue", 14));
        label.setNumberOfLines(c.lines);
        label.setLineBreakMode(UILineBreakModeWordWrap);
        label.setText(c.text);
        UILabelVerticalAlign::alignTop(label);
        std::u16string expected = c.text;
        for (int i = 0; i < c.padding; ++i)
            expected += u"\n ";
        EXPECT_EQ(label.text(), expected) << c.lines;
    }
}

TEST_F(StartScreenTest, InterfaceFilesBindToTheirOwnersOnBothDevices)
{
    const std::pair<const char*, const char*> files[] = {
        { "StartView", "StartViewController" },
        { "StartView_iPhone", "StartViewController" },
        { "BookmarkCell", "StartViewController" },
        { "BookmarkCell_iPhone", "StartViewController" },
        { "EditConnectionController", "EditConnectionController" },
        { "EditConnectionController_iPhone", "EditConnectionController" },
    };
    for (const char* device : { "ipad", "iphone" }) {
        useDevice(device);
        for (const auto& [file, ownerClass] : files) {
            const auto owner = UIClassRegistry::shared().classNamed(ownerClass)->make();
            EXPECT_NO_THROW((void)UINib::nibWithNibName(file)->instantiateWithOwner(owner.get()))
                << file << " " << device;
        }
    }
}

TEST_F(StartScreenLayout, Snapshots)
{
    struct Shot {
        const char* device;
        UIInterfaceOrientation orientation;
        const char* name;
    };
    const Shot shots[] = { { "ipad", UIInterfaceOrientationPortrait, "start-ipad" },
        { "ipad", UIInterfaceOrientationLandscapeLeft, "start-ipad-landscape" },
        { "iphone", UIInterfaceOrientationPortrait, "start-iphone" } };
    for (const Shot& shot : shots) {
        TearDown();
        SetUp();
        useDevice(shot.device);
        addConnection("Company web site with a long name", true, "www.example.com", 21, "webmaster", "secret",
            "/", 0, 9000);
        addConnection("Blog", false, "blog.example.org", 22, "anna", "pw", "/", 1, 8000);
        addConnection("Backup", true, "10.0.0.7", 2121, "backup", "", "/", 0, 7000);
        addConnection("Shop", false, "shop.example.net", 21, "shopkeeper", "12345678", "/", 0, 6000);
        addConnection("Intranet", false, "intra", 21, "me", "pw", "/", 0, 5000);
        showStart(shot.orientation);
        ASSERT_TRUE(UIRenderer::writeScreenPNG(snapshotPath(shot.name))) << shot.name;
    }
}

} // namespace
