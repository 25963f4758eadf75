#include "Platform/UIKit/UIPopoverController.h"

#include <cairo.h>

#include <algorithm>
#include <optional>

#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIModalBackdrop.h"
#include "Platform/UIKit/UIModalChrome.h"
#include "Platform/UIKit/UIViewController.h"

namespace {

// Above the application's windows and the keyboard, as action sheets.
constexpr UIWindowLevel kPopoverLevel = UIWindowLevelNormal + 1;
// The panel keeps this far from the screen's edges (and below the status bar).
constexpr CGFloat kScreenMargin = 10;
constexpr CGFloat kContentRadius = 4;

using UIModalChrome::kPopoverArrowHeight;
using UIModalChrome::kPopoverBorder;

} // namespace

// The dark body with its arrow; the content's view lies inside the border.
class UIPopoverController::Panel : public UIView {
public:
    using UIView::UIView;
    unsigned arrow { 0 };
    CGPoint tip {};

    void drawRect(CGRect) override
    {
        if (CGContextRef context = UIGraphicsGetCurrentContext()) {
            UIModalChrome::drawPopoverBody(context->cairo(), bounds(), arrow, tip);
        }
    }
    [[nodiscard]] bool hidesWhatIsBehind() const override { return true; }
    // The panel takes its own touches, so they are not touches outside.
    void touchesBegan(const UITouchSet&, UIEvent*) override { }
    void touchesMoved(const UITouchSet&, UIEvent*) override { }
    void touchesEnded(const UITouchSet&, UIEvent*) override { }
    void touchesCancelled(const UITouchSet&, UIEvent*) override { }
};

UIPopoverController::UIPopoverController(std::shared_ptr<UIViewController> contentViewController)
    : content_(std::move(contentViewController))
{
}

UIPopoverController::~UIPopoverController()
{
    if (panel_) {
        panel_->removeFromSuperview();
    }
    if (backdrop_) {
        backdrop_->close();
    }
}

void UIPopoverController::setContentViewController(std::shared_ptr<UIViewController> controller, bool animated)
{
    if (controller == content_) {
        return;
    }
    const bool shown = isPopoverVisible();
    if (shown && content_ && content_->isViewLoaded()) {
        content_->viewWillDisappear(animated);
        content_->view()->removeFromSuperview();
        content_->viewDidDisappear(animated);
    }
    content_ = std::move(controller);
    if (shown && content_) {
        (void)content_->view();
        content_->viewWillAppear(animated);
        layoutPanel();
        content_->viewDidAppear(animated);
    }
}

CGSize UIPopoverController::popoverContentSize() const
{
    if (contentSize_.width > 0 && contentSize_.height > 0) {
        return contentSize_;
    }
    if (content_) {
        const CGSize own = content_->contentSizeForViewInPopover();
        if (own.width > 0 && own.height > 0) {
            return own;
        }
    }
    return kDefaultContentSize;
}

void UIPopoverController::setPopoverContentSize(CGSize size, bool)
{
    contentSize_ = size;
    if (isPopoverVisible()) {
        layoutPanel();
    }
}

CGRect UIPopoverController::panelScreenFrame() const
{
    return panel_ ? UIModalChrome::screenRectOfView(*panel_, panel_->bounds()) : CGRectNull;
}

void UIPopoverController::presentPopoverFromRectInView(CGRect rect, UIView* view, unsigned arrowDirections, bool animated)
{
    sourceView_ = view != nullptr ? std::static_pointer_cast<UIView>(view->shared_from_this()) : nullptr;
    sourceRect_ = rect;
    allowedDirections_ = (arrowDirections & UIPopoverArrowDirectionAny) != 0 ? (arrowDirections & UIPopoverArrowDirectionAny)
                                                                             : unsigned(UIPopoverArrowDirectionAny);
    if (content_) {
        // The content's view loads first: its viewDidLoad may name its size.
        (void)content_->view();
    }
    const bool moving = isPopoverVisible();
    if (!moving) {
        std::weak_ptr<UIPopoverController> weak = weak_from_this();
        backdrop_ = std::make_shared<UIModalBackdrop>(kPopoverLevel, UIModalBackdrop::Dim::None, [weak] {
            if (const auto popover = weak.lock()) {
                popover->touchedOutside();
            }
        });
        backdrop_->setRelayout([weak] {
            if (const auto popover = weak.lock(); popover && popover->isPopoverVisible()) {
                popover->layoutPanel();
            }
        });
        backdrop_->present();
        panel_ = std::make_shared<Panel>(CGRectZero);
        panel_->setOpaque(false);
        backdrop_->interfaceView()->addSubview(panel_);
        if (content_) {
            content_->viewWillAppear(animated);
        }
    }
    layoutPanel();
    if (!moving && content_) {
        content_->viewDidAppear(animated);
    }
}

void UIPopoverController::layoutPanel()
{
    if (!panel_) {
        return;
    }
    const CGRect area = UIModalChrome::interfaceBounds();
    const CGRect usable = CGRectMake(kScreenMargin, kScreenMargin + 20, area.size.width - 2 * kScreenMargin,
                                     area.size.height - 2 * kScreenMargin - 20);
    const auto view = sourceView_.lock();
    const CGRect anchor = view && view->window() != nullptr ? UIModalChrome::interfaceRectOfView(*view, sourceRect_)
                                                            : CGRectMake(CGRectGetMidX(area), CGRectGetMidY(area), 0, 0);
    const CGSize content = popoverContentSize();
    struct Placement {
        unsigned direction;
        CGRect frame;
        CGPoint tip; // in the interface
    };
    auto place = [&](unsigned direction) {
        const bool vertical = direction == UIPopoverArrowDirectionUp || direction == UIPopoverArrowDirectionDown;
        const CGFloat w = content.width + 2 * kPopoverBorder + (vertical ? 0 : kPopoverArrowHeight);
        const CGFloat h = content.height + 2 * kPopoverBorder + (vertical ? kPopoverArrowHeight : 0);
        Placement p { direction, {}, {} };
        switch (direction) {
        case UIPopoverArrowDirectionUp: p.tip = { CGRectGetMidX(anchor), CGRectGetMaxY(anchor) }; p.frame = CGRectMake(p.tip.x - w / 2, p.tip.y, w, h); break;
        case UIPopoverArrowDirectionDown: p.tip = { CGRectGetMidX(anchor), CGRectGetMinY(anchor) }; p.frame = CGRectMake(p.tip.x - w / 2, p.tip.y - h, w, h); break;
        case UIPopoverArrowDirectionLeft: p.tip = { CGRectGetMaxX(anchor), CGRectGetMidY(anchor) }; p.frame = CGRectMake(p.tip.x, p.tip.y - h / 2, w, h); break;
        default: p.tip = { CGRectGetMinX(anchor), CGRectGetMidY(anchor) }; p.frame = CGRectMake(p.tip.x - w, p.tip.y - h / 2, w, h); break;
        }
        // Slide along the arrow's side to stay on screen.
        if (vertical) {
            p.frame.origin.x = std::clamp(p.frame.origin.x, CGRectGetMinX(usable), std::max(CGRectGetMinX(usable), CGRectGetMaxX(usable) - w));
        } else {
            p.frame.origin.y = std::clamp(p.frame.origin.y, CGRectGetMinY(usable), std::max(CGRectGetMinY(usable), CGRectGetMaxY(usable) - h));
        }
        return p;
    };
    std::optional<Placement> chosen;
    CGFloat bestArea = -1;
    for (unsigned direction : { 1u, 2u, 4u, 8u }) {
        if ((allowedDirections_ & direction) == 0) {
            continue;
        }
        const Placement p = place(direction);
        if (CGRectContainsRect(usable, p.frame)) {
            chosen = p;
            break;
        }
        const CGRect visible = CGRectIntersection(usable, p.frame);
        const CGFloat shown = CGRectIsNull(visible) ? 0 : visible.size.width * visible.size.height;
        if (shown > bestArea) {
            bestArea = shown;
            chosen = p;
        }
    }
    const Placement p = chosen.value_or(place(UIPopoverArrowDirectionUp));
    arrowDirection_ = UIPopoverArrowDirection(p.direction);
    panel_->setFrame(p.frame);
    panel_->arrow = p.direction;
    panel_->tip = CGPointMake(p.tip.x - p.frame.origin.x, p.tip.y - p.frame.origin.y);
    panel_->setNeedsDisplay();
    if (content_) {
        const UIViewRef& contentView = content_->view();
        const CGFloat x = kPopoverBorder + (p.direction == UIPopoverArrowDirectionLeft ? kPopoverArrowHeight : 0);
        const CGFloat y = kPopoverBorder + (p.direction == UIPopoverArrowDirectionUp ? kPopoverArrowHeight : 0);
        contentView->setFrame(CGRectMake(x, y, content.width, content.height));
        contentView->setClipsToBounds(true);
        contentView->layer()->setCornerRadius(kContentRadius);
        if (contentView->superview() != panel_.get()) {
            panel_->addSubview(contentView);
        }
    }
}

void UIPopoverController::touchedOutside()
{
    if (!isPopoverVisible()) {
        return;
    }
    auto keep = shared_from_this();
    if (const auto delegate = delegate_.lock(); delegate && !delegate->popoverControllerShouldDismissPopover(this)) {
        return;
    }
    takeDown(true);
    if (const auto delegate = delegate_.lock()) {
        delegate->popoverControllerDidDismissPopover(this);
    }
}

void UIPopoverController::dismissPopoverAnimated(bool animated)
{
    if (isPopoverVisible()) {
        takeDown(animated);
    }
}

void UIPopoverController::takeDown(bool animated)
{
    const auto content = content_;
    if (content && content->isViewLoaded()) {
        content->viewWillDisappear(animated);
    }
    const auto panel = std::move(panel_);
    panel_.reset();
    if (content && content->isViewLoaded() && content->view()->superview() == panel.get()) {
        content->view()->removeFromSuperview();
    }
    panel->removeFromSuperview();
    if (const auto backdrop = std::move(backdrop_)) {
        backdrop_.reset();
        backdrop->close();
    }
    if (content && content->isViewLoaded()) {
        content->viewDidDisappear(animated);
    }
}
