#include "tests/uikit_controllers/ModalTestSupport.h"

#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UITableView.h"

namespace {

// A cell that shows its row's text, so snapshots show which row is where.
class TextCell : public UITableViewCell {
public:
    using UITableViewCell::UITableViewCell;
    std::string text;
    int reuses { 0 };
    void prepareForReuse() override { ++reuses; }
    void drawRect(CGRect rect) override
    {
        UITableViewCell::drawRect(rect);
        static const UIFontRef font = UIFont::systemFontOfSize(17);
        static const CGColorRef black = CGColorCreateRGBA(0, 0, 0, 1);
        static const CGColorRef white = CGColorCreateRGBA(1, 1, 1, 1);
        UIRenderer::drawTextLine(UIGraphicsGetCurrentContext(), utf8ToUtf16(text), font, isSelected() ? white : black,
                                 CGRectMake(10, 0, bounds().size.width - 20, bounds().size.height - 1), false);
    }
};

// Rows "Row N"; the count is read from `rows`, the cells from `names` (a shorter array gives
// no cell, as a screen that pruned its array does).
class Source : public UITableViewDataSource, public UITableViewDelegate {
public:
    int rows { 0 };
    std::vector<std::string> names;
    int made { 0 };
    std::vector<int> selected;
    std::vector<std::string> scrollEvents;
    // willSelect: none for vetoed rows, another row for redirected ones.
    std::set<int> vetoed;
    std::map<int, int> redirected;

    void fill(int count)
    {
        rows = count;
        names.clear();
        for (int i = 0; i < count; ++i) {
            names.push_back("Row " + std::to_string(i));
        }
    }

    int tableViewNumberOfRowsInSection(UITableView*, int) override { return rows; }
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView* table, const NSIndexPath& path) override
    {
        if (path.row >= int(names.size())) {
            return nullptr;
        }
        auto cell = std::static_pointer_cast<TextCell>(table->dequeueReusableCellWithIdentifier("Text"));
        if (!cell) {
            cell = std::make_shared<TextCell>(UITableViewCellStyleDefault, "Text");
            ++made;
        }
        cell->text = names[std::size_t(path.row)];
        return cell;
    }
    NSIndexPathOptional tableViewWillSelectRowAtIndexPath(UITableView*, const NSIndexPath& path) override
    {
        if (vetoed.count(path.row) != 0) {
            return std::nullopt;
        }
        if (const auto found = redirected.find(path.row); found != redirected.end()) {
            return NSIndexPath::indexPathForRow(found->second, 0);
        }
        return path;
    }
    void tableViewDidSelectRowAtIndexPath(UITableView*, const NSIndexPath& path) override { selected.push_back(path.row); }
    void scrollViewDidScroll(UIScrollView* scrollView) override
    {
        scrollEvents.push_back(scrollView->isDragging() ? "scroll dragging" : "scroll");
    }
    void scrollViewWillBeginDragging(UIScrollView*) override { scrollEvents.push_back("willBeginDragging"); }
};

std::vector<std::string> visibleTexts(const UITableView& table)
{
    std::vector<std::string> texts;
    for (const auto& cell : table.visibleCells()) {
        texts.push_back(std::static_pointer_cast<TextCell>(cell)->text);
    }
    return texts;
}

} // namespace

class TableViews : public ModalTest {
protected:
    void SetUp() override
    {
        ModalTest::SetUp();
        window = makeWindow();
        table = std::make_shared<UITableView>(CGRectMake(0, 0, 320, 440));
        source = std::make_shared<Source>();
        table->setDataSource(source);
        table->setDelegate(source);
        window->addSubview(table);
    }
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<UITableView> table;
    std::shared_ptr<Source> source;
};

TEST_F(TableViews, CountsAreCachedUntilTheNextReload)
{
    source->fill(7);
    table->reloadData();
    EXPECT_EQ(table->numberOfRowsInSection(0), 7);
    source->fill(3);
    EXPECT_EQ(table->numberOfRowsInSection(0), 7) << "the source changed, the table has not reloaded";
    EXPECT_EQ(table->contentSize().height, 7 * 44);
    table->reloadData();
    EXPECT_EQ(table->numberOfRowsInSection(0), 3);
    EXPECT_EQ(table->numberOfRowsInSection(1), 0);
    EXPECT_EQ(table->contentSize().height, 3 * 44);
}

TEST_F(TableViews, OnlyRowsOnScreenHoldCellsAndScrolledCellsAreReused)
{
    source->fill(5000);
    table->reloadData();
    EXPECT_EQ(table->visibleCells().size(), 10u);
    EXPECT_EQ(source->made, 10);
    EXPECT_EQ(visibleTexts(*table).front(), "Row 0");

    // Down by one row and a bit: row 0 leaves, rows 10 and 11 come, in row 0's old cell first.
    table->setContentOffset({ 0, 50 });
    EXPECT_EQ(visibleTexts(*table).front(), "Row 1");
    EXPECT_EQ(visibleTexts(*table).back(), "Row 11");
    EXPECT_LE(source->made, 12);

    // Far down: still one screen of cells, all reused.
    const int madeBefore = source->made;
    for (CGFloat y = 0; y < 44 * 4000; y += 440) {
        table->setContentOffset({ 0, y });
    }
    table->setContentOffset({ 0, 44 * 2500 });
    EXPECT_EQ(source->made, madeBefore);
    EXPECT_EQ(visibleTexts(*table).front(), "Row 2500");
    EXPECT_EQ(table->visibleCells().size(), 10u);
    EXPECT_LE(table->subviews().size(), 12u) << "cells scrolled away leave the table";
    const auto first = table->visibleCells().front();
    EXPECT_EQ(table->indexPathForCell(first.get()), NSIndexPath::indexPathForRow(2500, 0));
    EXPECT_EQ(table->cellForRowAtIndexPath(NSIndexPath::indexPathForRow(2500, 0)), first);
    EXPECT_FALSE(table->indexPathForCell(nullptr).has_value());
    EXPECT_EQ(table->rectForRowAtIndexPath(NSIndexPath::indexPathForRow(2500, 0)), CGRectMake(0, 110000, 320, 44));
}

TEST_F(TableViews, DequeueAnswersNoneWhenThePoolIsEmpty)
{
    EXPECT_EQ(table->dequeueReusableCellWithIdentifier("Text"), nullptr);
    source->fill(3);
    table->reloadData();
    EXPECT_EQ(table->dequeueReusableCellWithIdentifier("Text"), nullptr) << "all three cells are on screen";
    source->fill(1);
    table->reloadData();
    // A reload hands every cell back; the one row took one, two wait.
    EXPECT_NE(table->dequeueReusableCellWithIdentifier("Text"), nullptr);
    EXPECT_NE(table->dequeueReusableCellWithIdentifier("Text"), nullptr);
    EXPECT_EQ(table->dequeueReusableCellWithIdentifier("Text"), nullptr);
    EXPECT_EQ(table->dequeueReusableCellWithIdentifier("Other"), nullptr);
}

TEST_F(TableViews, RowsWithoutACellStayBlank)
{
    source->fill(30);
    table->reloadData();
    // The screen prunes its array while the table still counts 30 rows.
    source->names.resize(12);
    table->setContentOffset({ 0, 44 * 8 });
    EXPECT_EQ(table->numberOfRowsInSection(0), 30);
    const auto texts = visibleTexts(*table);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front(), "Row 8");
    EXPECT_EQ(texts.back(), "Row 11");
    EXPECT_EQ(table->cellForRowAtIndexPath(NSIndexPath::indexPathForRow(13, 0)), nullptr);
    EXPECT_EQ(table->indexPathsForVisibleRows().size(), 10u) << "blank rows still count as on screen";
    EXPECT_NO_THROW((void)UIRenderer::snapshotView(*table));
}

TEST_F(TableViews, SelectionGoesThroughWillSelect)
{
    source->fill(8);
    source->vetoed = { 0 };
    source->redirected = { { 3, 4 } };
    table->reloadData();
    struct Case {
        const char* name;
        int tappedRow;
        std::vector<int> didSelect;
        std::optional<int> selectedRow;
    };
    const Case cases[] = {
        { "plain row", 2, { 2 }, 2 },
        { "vetoed row keeps the old selection", 0, {}, 2 },
        { "redirected row", 3, { 4 }, 4 },
        { "last row", 7, { 7 }, 7 },
    };
    for (const Case& c : cases) {
        source->selected.clear();
        tap(CGPointMake(100, 44 * c.tappedRow + 20));
        EXPECT_EQ(source->selected, c.didSelect) << c.name;
        ASSERT_EQ(table->indexPathForSelectedRow().has_value(), c.selectedRow.has_value()) << c.name;
        EXPECT_EQ(table->indexPathForSelectedRow()->row, *c.selectedRow) << c.name;
        const auto cell = table->cellForRowAtIndexPath(*table->indexPathForSelectedRow());
        EXPECT_TRUE(cell && cell->isSelected()) << c.name;
    }
    table->deselectRowAtIndexPath(NSIndexPath::indexPathForRow(7, 0), true);
    EXPECT_FALSE(table->indexPathForSelectedRow().has_value());
    EXPECT_FALSE(table->cellForRowAtIndexPath(NSIndexPath::indexPathForRow(7, 0))->isSelected());

    // Switched off, or below the last row, or dragged: nothing is selected.
    source->selected.clear();
    table->setAllowsSelection(false);
    tap(CGPointMake(100, 44 * 5 + 20));
    table->setAllowsSelection(true);
    tap(CGPointMake(100, 44 * 9 + 20));
    drag(CGPointMake(100, 44 * 5 + 20), CGPointMake(100, 44 * 2), 0.2);
    EXPECT_TRUE(source->selected.empty());
}

TEST_F(TableViews, AGoneDelegateIsNotAsked)
{
    source->fill(4);
    table->reloadData();
    auto keepSource = std::make_shared<Source>(*source);
    table->setDataSource(keepSource);
    source.reset();
    tap(CGPointMake(100, 44 + 20));
    EXPECT_EQ(table->indexPathForSelectedRow(), NSIndexPath::indexPathForRow(1, 0)) << "no delegate: the row is selected";
}

TEST_F(TableViews, TheDelegateHearsScrollingByTheUserAndByCode)
{
    source->fill(100);
    table->reloadData();
    table->setContentOffset({ 0, 100 });
    EXPECT_EQ(source->scrollEvents, std::vector<std::string> { "scroll" });
    source->scrollEvents.clear();
    drag(CGPointMake(100, 400), CGPointMake(100, 200), 0.2);
    ASSERT_FALSE(source->scrollEvents.empty());
    EXPECT_EQ(source->scrollEvents.front(), "willBeginDragging");
    EXPECT_EQ(source->scrollEvents.back(), "scroll dragging");
    EXPECT_EQ(visibleTexts(*table).front(), "Row " + std::to_string(int(table->contentOffset().y) / 44));
}

TEST_F(TableViews, InterfaceFilesSetTheKeys)
{
    auto& registry = UIClassRegistry::shared();
    ASSERT_TRUE(registry.isKindOf("UITableView", "UIScrollView"));
    auto cell = std::static_pointer_cast<UITableViewCell>(registry.classNamed("UITableViewCell")->make());
    registry.propertyOf("UITableViewCell", "reuseIdentifier")->set(*cell, std::string("DirListIdent"));
    registry.propertyOf("UITableViewCell", "selectionStyle")->set(*cell, 0L);
    EXPECT_EQ(cell->reuseIdentifier(), "DirListIdent");
    EXPECT_EQ(cell->selectionStyle(), UITableViewCellSelectionStyleNone);

    auto made = std::static_pointer_cast<UITableView>(registry.classNamed("UITableView")->make());
    registry.propertyOf("UITableView", "rowHeight")->set(*made, 170.0);
    registry.propertyOf("UITableView", "allowsSelection")->set(*made, false);
    registry.propertyOf("UITableView", "separatorStyle")->set(*made, 0L);
    registry.propertyOf("UITableView", "dataSource")->set(*made, std::static_pointer_cast<UIResponder>(table));
    EXPECT_EQ(made->rowHeight(), 170);
    EXPECT_FALSE(made->allowsSelection());
    EXPECT_EQ(made->separatorStyle(), UITableViewCellSeparatorStyleNone);
    EXPECT_EQ(made->dataSource(), nullptr) << "a table is no data source";
}

TEST_F(TableViews, SnapshotShowsRowsSeparatorsAndTheSelection)
{
    for (const char* device : { "iphone", "ipad" }) {
        SCOPED_TRACE(device);
        useDevice(device);
        const CGSize screen = UIScreen::mainScreen().bounds().size;
        window->setFrame(CGRectMake(0, 0, screen.width, screen.height));
        table->setFrame(CGRectMake(0, 20, screen.width, screen.height - 20));
        source->fill(6);
        table->reloadData();
        table->selectRowAtIndexPath(NSIndexPath::indexPathForRow(1, 0), false);
        ASSERT_TRUE(UIRenderer::writeScreenPNG(snapshotPath(std::string("table-") + device)));
        const CGImageRef shot = UIRenderer::snapshotScreen();
        const CGFloat x = screen.width - 30;
        const Pixel row = pixelAt(shot, { x, 20 + 20 });
        const Pixel separator = pixelAt(shot, { x, 20 + 43 });
        const Pixel selected = pixelAt(shot, { x, 20 + 44 + 20 });
        const Pixel emptySeparator = pixelAt(shot, { x, 20 + 44 * 9 + 43 });
        const Pixel emptyRow = pixelAt(shot, { x, 20 + 44 * 9 + 20 });
        EXPECT_EQ(row.r, 255);
        EXPECT_NEAR(separator.r, 224, 2) << "the plain style's grey line";
        EXPECT_GT(selected.b, 200);
        EXPECT_LT(selected.r, 60) << "blue selection";
        EXPECT_NEAR(emptySeparator.r, 224, 2) << "separators go on below the last row";
        EXPECT_EQ(emptyRow.r, 255);
    }
}
