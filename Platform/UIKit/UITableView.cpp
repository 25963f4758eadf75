#include "Platform/UIKit/UITableView.h"

#include <algorithm>
#include <cmath>

#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UITouch.h"

CGFloat UITableViewDelegate::tableViewHeightForRowAtIndexPath(UITableView* tableView, const NSIndexPath&)
{
    return tableView != nullptr ? tableView->rowHeight() : UITableView::kDefaultRowHeight;
}

// Below the last row the plain style goes on drawing separators at the row pitch, down to the
// foot of the visible area. This view covers that stretch; it draws in its own coordinates, so
// scrolling only moves it.
class UITableView::SeparatorFiller : public UIView {
public:
    using UIView::UIView;

    void configure(CGFloat pitch, UIColorRef color)
    {
        if (pitch != pitch_ || color != color_) {
            pitch_ = pitch;
            color_ = std::move(color);
            setNeedsDisplay();
        }
    }

    void drawRect(CGRect) override
    {
        CGContextRef context = UIGraphicsGetCurrentContext();
        if (context == nullptr || !color_ || !(pitch_ >= 1)) {
            return;
        }
        const CGRect b = bounds();
        CGContextSetFillColorWithColor(context, color_->CGColor());
        for (CGFloat y = pitch_ - 1; y < b.size.height; y += pitch_) {
            CGContextFillRect(context, CGRectMake(0, y, b.size.width, 1));
        }
    }

private:
    CGFloat pitch_ { 0 };
    UIColorRef color_;
};

UITableView::UITableView(CGRect frame, UITableViewStyle style)
    : UIScrollView(frame)
    , style_(style)
    , separatorColor_(UIColor::colorWithRed(0.88, 0.88, 0.88, 1))
    , filler_(std::make_shared<SeparatorFiller>(CGRectZero))
{
    setBackgroundColor(UIColor::whiteColor());
    setAlwaysBounceVertical(true);
    filler_->setUserInteractionEnabled(false);
    filler_->setHidden(true);
    addSubview(filler_);
}

UITableView::~UITableView() = default;

void UITableView::setDataSource(std::weak_ptr<UITableViewDataSource> dataSource)
{
    dataSource_ = std::move(dataSource);
    loaded_ = false;
    setNeedsLayout();
}

void UITableView::setDelegate(std::weak_ptr<UITableViewDelegate> delegate)
{
    UIScrollView::setDelegate(std::weak_ptr<UIScrollViewDelegate>(delegate));
    delegate_ = std::move(delegate);
    loaded_ = false;
    setNeedsLayout();
}

// ---- Data -------------------------------------------------------------------------------------

void UITableView::loadCounts()
{
    loaded_ = true;
    const auto source = dataSource_.lock();
    sections_ = source ? std::max(0, source->numberOfSectionsInTableView(this)) : 0;
    const int rows = source && sections_ > 0 ? std::max(0, source->tableViewNumberOfRowsInSection(this, 0)) : 0;
    const auto delegate = delegate_.lock();
    rowTops_.assign(std::size_t(rows) + 1, 0);
    CGFloat y = 0;
    for (int row = 0; row < rows; ++row) {
        rowTops_[std::size_t(row)] = y;
        CGFloat height = delegate ? delegate->tableViewHeightForRowAtIndexPath(this, NSIndexPath::indexPathForRow(row, 0))
                                  : rowHeight_;
        if (!(height >= 0) || !std::isfinite(height)) {
            height = 0;
        }
        y += height;
    }
    rowTops_.back() = y;
    setContentSize({ bounds().size.width, y });
}

void UITableView::ensureLoaded()
{
    if (!loaded_) {
        loadCounts();
    }
}

void UITableView::reloadData()
{
    recycleAll();
    if (selected_) {
        selected_.reset();
    }
    cellsRequested_ = 0;
    loadCounts();
    tileRows();
}

int UITableView::numberOfSections()
{
    ensureLoaded();
    return sections_;
}

int UITableView::numberOfRowsInSection(int section)
{
    ensureLoaded();
    return section == 0 && sections_ > 0 ? totalRows() : 0;
}

// ---- Geometry ---------------------------------------------------------------------------------

void UITableView::setRowHeight(CGFloat height)
{
    if (!(height >= 0) || height == rowHeight_) {
        return;
    }
    rowHeight_ = height;
    if (loaded_) {
        recycleAll();
        loadCounts();
        tileRows();
    }
}

CGRect UITableView::rectForRowAtIndexPath(const NSIndexPath& indexPath)
{
    ensureLoaded();
    if (indexPath.section != 0 || indexPath.row < 0 || indexPath.row >= totalRows()) {
        return CGRectZero;
    }
    const auto row = std::size_t(indexPath.row);
    return CGRectMake(0, rowTops_[row], bounds().size.width, rowTops_[row + 1] - rowTops_[row]);
}

int UITableView::rowAtContentY(CGFloat y) const
{
    const auto above = std::upper_bound(rowTops_.begin(), rowTops_.end(), y);
    return int(above - rowTops_.begin()) - 1;
}

NSIndexPathOptional UITableView::indexPathForRowAtPoint(CGPoint point)
{
    ensureLoaded();
    if (totalRows() == 0 || point.y < 0 || point.y >= rowTops_.back()) {
        return std::nullopt;
    }
    const int row = std::clamp(rowAtContentY(point.y), 0, totalRows() - 1);
    return NSIndexPath::indexPathForRow(row, 0);
}

// ---- Separators -------------------------------------------------------------------------------

void UITableView::setSeparatorStyle(UITableViewCellSeparatorStyle style)
{
    separatorStyle_ = style == UITableViewCellSeparatorStyleNone ? UITableViewCellSeparatorStyleNone
                                                                 : UITableViewCellSeparatorStyleSingleLine;
    for (const auto& [row, cell] : visible_) {
        if (cell) {
            applySeparator(*cell);
        }
    }
    placeFiller();
}

void UITableView::setSeparatorColor(UIColorRef color)
{
    separatorColor_ = std::move(color);
    setSeparatorStyle(separatorStyle_);
}

void UITableView::applySeparator(UITableViewCell& cell) const { cell.setSeparator(separatorStyle_, separatorColor_); }

void UITableView::placeFiller()
{
    const CGRect b = bounds();
    const CGFloat foot = rowTops_.back();
    const CGFloat visibleFoot = b.origin.y + b.size.height;
    if (separatorStyle_ == UITableViewCellSeparatorStyleNone || !(rowHeight_ >= 1) || visibleFoot <= foot) {
        filler_->setHidden(true);
        return;
    }
    // Whole row pitches, so the frame's height changes (and the lines redraw) only a pitch at a time.
    const CGFloat height = std::ceil((visibleFoot - foot) / rowHeight_) * rowHeight_;
    filler_->configure(rowHeight_, separatorColor_);
    filler_->setFrame(CGRectMake(0, foot, b.size.width, height));
    filler_->setHidden(false);
}

// ---- Cells ------------------------------------------------------------------------------------

UITableViewCellRef UITableView::dequeueReusableCellWithIdentifier(const std::string& identifier)
{
    const auto found = reusePool_.find(identifier);
    if (found == reusePool_.end() || found->second.empty()) {
        return nullptr;
    }
    UITableViewCellRef cell = std::move(found->second.back());
    found->second.pop_back();
    cell->prepareForReuse();
    return cell;
}

void UITableView::recycle(const UITableViewCellRef& cell)
{
    if (!cell) {
        return;
    }
    if (cell->superview() == this) {
        cell->removeFromSuperview();
    }
    cell->setSelected(false, false);
    cell->setHighlighted(false, false);
    if (!cell->reuseIdentifier().empty()) {
        reusePool_[cell->reuseIdentifier()].push_back(cell);
    }
}

void UITableView::recycleAll()
{
    auto cells = std::move(visible_);
    visible_.clear();
    for (const auto& [row, cell] : cells) {
        recycle(cell);
    }
}

void UITableView::tileRows()
{
    if (tiling_) {
        // A source that reloads or scrolls from inside cellForRow: go round once more.
        tileAgain_ = true;
        return;
    }
    ensureLoaded();
    tiling_ = true;
    int rounds = 0;
    do {
        tileAgain_ = false;
        const CGRect b = bounds();
        const CGFloat foot = rowTops_.back();
        int first = 0, last = -1;
        if (totalRows() > 0 && b.size.height > 0 && b.origin.y + b.size.height > 0 && b.origin.y < foot) {
            first = std::clamp(rowAtContentY(std::max<CGFloat>(0, b.origin.y)), 0, totalRows() - 1);
            last = std::clamp(rowAtContentY(std::nextafter(b.origin.y + b.size.height, -INFINITY)), 0, totalRows() - 1);
        }
        for (auto it = visible_.begin(); it != visible_.end();) {
            if (it->first < first || it->first > last) {
                const UITableViewCellRef cell = it->second;
                it = visible_.erase(it);
                recycle(cell);
            } else {
                ++it;
            }
        }
        const auto source = dataSource_.lock();
        const auto delegate = delegate_.lock();
        for (int row = first; row <= last && !tileAgain_; ++row) {
            if (visible_.count(row) != 0) {
                continue;
            }
            const NSIndexPath path = NSIndexPath::indexPathForRow(row, 0);
            UITableViewCellRef cell;
            if (source) {
                ++cellsRequested_;
                cell = source->tableViewCellForRowAtIndexPath(this, path);
            }
            if (tileAgain_) {
                recycle(cell);
                break;
            }
            // The same cell answered for two rows keeps the later one.
            if (cell) {
                for (auto& [otherRow, other] : visible_) {
                    if (other == cell) {
                        other.reset();
                    }
                }
            }
            visible_[row] = cell;
            if (!cell) {
                continue;
            }
            const auto r = std::size_t(row);
            cell->setFrame(CGRectMake(0, rowTops_[r], b.size.width, rowTops_[r + 1] - rowTops_[r]));
            applySeparator(*cell);
            cell->setSelected(selected_ && *selected_ == path, false);
            if (delegate) {
                delegate->tableViewWillDisplayCellForRowAtIndexPath(this, cell.get(), path);
            }
            insertSubviewBelowSubview(cell, filler_.get());
        }
        // A width change reaches the cells already on screen.
        for (const auto& [row, cell] : visible_) {
            if (cell && cell->frame().size.width != b.size.width) {
                const auto r = std::size_t(row);
                cell->setFrame(CGRectMake(0, rowTops_[r], b.size.width, rowTops_[r + 1] - rowTops_[r]));
            }
        }
    } while (tileAgain_ && ++rounds < 4);
    tiling_ = false;
    placeFiller();
}

UITableViewCellRef UITableView::cellForRowAtIndexPath(const NSIndexPath& indexPath) const
{
    if (indexPath.section != 0) {
        return nullptr;
    }
    const auto found = visible_.find(indexPath.row);
    return found == visible_.end() ? nullptr : found->second;
}

NSIndexPathOptional UITableView::indexPathForCell(const UITableViewCell* cell) const
{
    if (cell == nullptr) {
        return std::nullopt;
    }
    for (const auto& [row, shown] : visible_) {
        if (shown.get() == cell) {
            return NSIndexPath::indexPathForRow(row, 0);
        }
    }
    return std::nullopt;
}

std::vector<UITableViewCellRef> UITableView::visibleCells() const
{
    std::vector<UITableViewCellRef> cells;
    for (const auto& [row, cell] : visible_) {
        if (cell) {
            cells.push_back(cell);
        }
    }
    return cells;
}

std::vector<NSIndexPath> UITableView::indexPathsForVisibleRows() const
{
    std::vector<NSIndexPath> paths;
    for (const auto& [row, cell] : visible_) {
        paths.push_back(NSIndexPath::indexPathForRow(row, 0));
    }
    return paths;
}

void UITableView::layoutSubviews()
{
    UIScrollView::layoutSubviews();
    ensureLoaded();
    if (contentSize().width != bounds().size.width) {
        setContentSize({ bounds().size.width, rowTops_.back() });
    }
    tileRows();
}

void UITableView::contentOffsetDidChange() { tileRows(); }

// ---- Selection --------------------------------------------------------------------------------

void UITableView::setAllowsSelection(bool allows)
{
    allowsSelection_ = allows;
    if (!allows) {
        touchRow_.reset();
    }
}

void UITableView::selectRowAtIndexPath(const NSIndexPathOptional& indexPath, bool animated)
{
    if (selected_ && (!indexPath || *selected_ != *indexPath)) {
        deselectRowAtIndexPath(*selected_, animated);
    }
    if (!indexPath || indexPath->section != 0 || indexPath->row < 0 || indexPath->row >= numberOfRowsInSection(0)) {
        return;
    }
    selected_ = indexPath;
    if (const auto cell = cellForRowAtIndexPath(*indexPath)) {
        cell->setSelected(true, animated);
    }
}

void UITableView::deselectRowAtIndexPath(const NSIndexPath& indexPath, bool animated)
{
    if (!selected_ || *selected_ != indexPath) {
        return;
    }
    selected_.reset();
    if (const auto cell = cellForRowAtIndexPath(indexPath)) {
        cell->setSelected(false, animated);
    }
}

void UITableView::selectRowByUser(const NSIndexPath& indexPath)
{
    NSIndexPathOptional target = indexPath;
    if (const auto delegate = delegate_.lock()) {
        target = delegate->tableViewWillSelectRowAtIndexPath(this, indexPath);
    }
    if (!target || !allowsSelection_) {
        return;
    }
    if (selected_ && *selected_ != *target) {
        const NSIndexPath old = *selected_;
        deselectRowAtIndexPath(old, false);
        if (const auto delegate = delegate_.lock()) {
            delegate->tableViewDidDeselectRowAtIndexPath(this, old);
        }
    }
    selectRowAtIndexPath(target, false);
    if (!selected_ || *selected_ != *target) {
        return; // a row the table does not have
    }
    if (const auto delegate = delegate_.lock()) {
        delegate->tableViewDidSelectRowAtIndexPath(this, *target);
    }
}

void UITableView::touchesBegan(const UITouchSet& touches, UIEvent* event)
{
    touchRow_.reset();
    if (allowsSelection_ && touches.size() == 1 && !isDragging()) {
        touchRow_ = indexPathForRowAtPoint(touches.front()->locationInView(this));
    }
}

void UITableView::touchesMoved(const UITouchSet&, UIEvent*) { }

void UITableView::touchesEnded(const UITouchSet& touches, UIEvent* event)
{
    const NSIndexPathOptional began = touchRow_;
    touchRow_.reset();
    if (!began || !allowsSelection_ || isDragging() || touches.empty()) {
        return;
    }
    const NSIndexPathOptional lifted = indexPathForRowAtPoint(touches.front()->locationInView(this));
    if (lifted && *lifted == *began) {
        selectRowByUser(*lifted);
    }
}

void UITableView::touchesCancelled(const UITouchSet&, UIEvent*) { touchRow_.reset(); }

// ---- Interface files --------------------------------------------------------------------------

void UITableView::registerInterfaceClass(UIClassRegistry& registry)
{
    using Ref = std::shared_ptr<UIResponder>;
    registry.registerClass(
        "UITableView", "UIScrollView", [] { return std::make_shared<UITableView>(); },
        {
            { "rowHeight", uiProperty<UITableView, double>(UIPropertyType::Number,
                                                            [](UITableView& table, double height) { table.setRowHeight(height); }) },
            { "separatorStyle", uiProperty<UITableView, long>(UIPropertyType::Integer,
                                                               [](UITableView& table, long style) {
                                                                   table.setSeparatorStyle(UITableViewCellSeparatorStyle(style));
                                                               }) },
            { "separatorColor", uiProperty<UITableView, UIColorRef>(UIPropertyType::Color,
                                                                     [](UITableView& table, const UIColorRef& color) {
                                                                         table.setSeparatorColor(color);
                                                                     }) },
            { "allowsSelection", uiProperty<UITableView, bool>(UIPropertyType::Bool,
                                                                [](UITableView& table, bool allows) { table.setAllowsSelection(allows); }) },
            // References must adopt the protocol; one that does not is left unset.
            { "dataSource", uiProperty<UITableView, Ref>(UIPropertyType::Object,
                                                          [](UITableView& table, const Ref& object) {
                                                              table.setDataSource(std::dynamic_pointer_cast<UITableViewDataSource>(object));
                                                          }) },
            { "delegate", uiProperty<UITableView, Ref>(UIPropertyType::Object,
                                                        [](UITableView& table, const Ref& object) {
                                                            table.setDelegate(std::dynamic_pointer_cast<UITableViewDelegate>(object));
                                                        }) },
        });
}
