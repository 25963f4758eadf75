#include "Platform/UIKit/UIScrollView.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIScrollViewPanGestureRecognizer.h"

namespace {

// Animation steps of a programmatic scroll: 60 per second.
constexpr double kScrollAnimationStep = 1.0 / 60.0;
// While rubber-banding, the content follows the finger at this fraction past the edge.
constexpr CGFloat kRubberBandFactor = 0.5;

CGFloat easeOut(CGFloat t)
{
    return 1 - (1 - t) * (1 - t);
}

} // namespace

UIScrollView::UIScrollView(CGRect frame) : UIView(frame)
{
    // Scrolled content never draws beyond the view: table and text views rely on it so a row
    // scrolled past the top does not cover the screen's header.
    setClipsToBounds(true);
    pan_ = std::make_shared<UIScrollViewPanGestureRecognizer>([](UIGestureRecognizer& recognizer) {
        // The recognizer's view is this scroll view while it is attached.
        if (auto* scrollView = dynamic_cast<UIScrollView*>(recognizer.view())) {
            scrollView->handlePan(recognizer);
        }
    });
    pan_->setDelegate(this);
    addGestureRecognizer(pan_);
}

UIScrollView::~UIScrollView()
{
    if (animationTimer_) {
        animationTimer_->invalidate();
    }
    if (pan_) {
        pan_->setDelegate(nullptr);
    }
}

void UIScrollView::setContentSize(CGSize size)
{
    contentSize_ = { std::max<CGFloat>(0, size.width), std::max<CGFloat>(0, size.height) };
}

CGPoint UIScrollView::maximumContentOffset() const
{
    const CGSize visible = bounds().size;
    return { std::max<CGFloat>(0, contentSize_.width - visible.width), std::max<CGFloat>(0, contentSize_.height - visible.height) };
}

CGPoint UIScrollView::clampedOffset(CGPoint offset) const
{
    const CGPoint most = maximumContentOffset();
    return { std::clamp<CGFloat>(offset.x, 0, most.x), std::clamp<CGFloat>(offset.y, 0, most.y) };
}

CGPoint UIScrollView::rubberBandedOffset(CGPoint offset) const
{
    const CGPoint clamped = clampedOffset(offset);
    CGPoint result = clamped;
    if (bounces_ && canScrollHorizontally()) {
        result.x = clamped.x + (offset.x - clamped.x) * kRubberBandFactor;
    }
    if (bounces_ && canScrollVertically()) {
        result.y = clamped.y + (offset.y - clamped.y) * kRubberBandFactor;
    }
    return result;
}

bool UIScrollView::canScrollVertically() const
{
    return scrollEnabled_ && (contentSize_.height > bounds().size.height || (bounces_ && alwaysBounceVertical_));
}

bool UIScrollView::canScrollHorizontally() const
{
    return scrollEnabled_ && (contentSize_.width > bounds().size.width || (bounces_ && alwaysBounceHorizontal_));
}

void UIScrollView::setScrollEnabled(bool enabled)
{
    scrollEnabled_ = enabled;
    pan_->setEnabled(enabled);
}

void UIScrollView::setBounds(CGRect newBounds)
{
    const CGRect old = bounds();
    UIView::setBounds(newBounds);
    boundsDidChange(old);
}

void UIScrollView::setFrame(CGRect frame)
{
    const CGRect old = bounds();
    UIView::setFrame(frame);
    boundsDidChange(old);
}

void UIScrollView::boundsDidChange(CGRect old)
{
    if (!(bounds().size == old.size)) {
        keepOffsetWithinContent();
    }
    if (!(bounds().origin == old.origin)) {
        notifyDidScroll();
    }
}

// A view made larger (a turn, a keyboard going away) would otherwise keep an offset past its new
// end and show a blank stretch with content hidden above it. A finger on the content or a running
// scroll keeps its offset: their own end brings it back within.
void UIScrollView::keepOffsetWithinContent()
{
    if (tracking_ || dragging_ || animationTimer_) {
        return;
    }
    const CGRect b = bounds();
    const CGPoint within = clampedOffset(b.origin);
    if (!(within == b.origin)) {
        UIView::setBounds({ within, b.size });
    }
}

void UIScrollView::notifyDidScroll()
{
    contentOffsetDidChange();
    if (const auto delegate = delegate_.lock()) {
        delegate->scrollViewDidScroll(this);
    }
}

void UIScrollView::setContentOffset(CGPoint offset)
{
    stopAnimation();
    const CGRect b = bounds();
    setBounds({ offset, b.size });
}

void UIScrollView::setContentOffset(CGPoint offset, bool animated)
{
    if (!animated) {
        setContentOffset(offset);
        return;
    }
    if (offset == contentOffset()) {
        stopAnimation();
        return;
    }
    animateOffset(offset, [this] {
        if (const auto delegate = delegate_.lock()) {
            delegate->scrollViewDidEndScrollingAnimation(this);
        }
    });
}

void UIScrollView::scrollRectToVisible(CGRect rect, bool animated)
{
    if (CGRectIsNull(rect)) {
        return;
    }
    const CGRect target = CGRectStandardize(rect);
    const CGRect visible = bounds();
    CGPoint offset = visible.origin;
    // Along each axis: a rectangle above (or left of) the visible part comes to its top edge, one
    // below to its bottom edge, one taller than the view to its top edge.
    const auto axis = [](CGFloat targetMin, CGFloat targetLength, CGFloat visibleMin, CGFloat visibleLength) {
        if (targetMin < visibleMin || targetLength > visibleLength) {
            return targetMin;
        }
        if (targetMin + targetLength > visibleMin + visibleLength) {
            return targetMin + targetLength - visibleLength;
        }
        return visibleMin;
    };
    offset.x = axis(target.origin.x, target.size.width, visible.origin.x, visible.size.width);
    offset.y = axis(target.origin.y, target.size.height, visible.origin.y, visible.size.height);
    offset = clampedOffset(offset);
    if (offset == visible.origin) {
        // Visible where it is now: a scroll still running (to an earlier target) would take it away.
        stopAnimation();
        return;
    }
    setContentOffset(offset, animated);
}

void UIScrollView::animateOffset(CGPoint target, std::function<void()> arrived)
{
    stopAnimation();
    const CGPoint from = contentOffset();
    const double start = RunLoop::main().now();
    // The timer holds the scroll view weakly: a view that goes away ends its animation.
    std::weak_ptr<UIScrollView> weak = std::static_pointer_cast<UIScrollView>(weak_from_this().lock());
    if (weak.expired()) {
        // Not a shared view (still being made): no clock to animate on, so arrive at once.
        const CGRect b = bounds();
        UIView::setBounds({ target, b.size });
        notifyDidScroll();
        if (arrived) {
            arrived();
        }
        return;
    }
    animationTimer_ = Timer::scheduledTimer(kScrollAnimationStep, true, [weak, from, target, start, arrived](Timer& timer) {
        const auto self = weak.lock();
        if (!self) {
            timer.invalidate();
            return;
        }
        const double t = std::clamp((RunLoop::main().now() - start) / kScrollAnimationDuration, 0.0, 1.0);
        const CGFloat e = easeOut(t);
        const CGRect b = self->bounds();
        self->UIView::setBounds({ { from.x + (target.x - from.x) * e, from.y + (target.y - from.y) * e }, b.size });
        self->notifyDidScroll();
        if (t >= 1) {
            timer.invalidate();
            self->animationTimer_.reset();
            if (arrived) {
                arrived();
            }
        }
    });
}

void UIScrollView::stopAnimation()
{
    if (animationTimer_) {
        animationTimer_->invalidate();
        animationTimer_.reset();
        decelerating_ = false;
    }
}

void UIScrollView::setTracking(bool tracking)
{
    if (tracking && !tracking_) {
        stopAnimation();
    }
    tracking_ = tracking;
}

void UIScrollView::handlePan(UIGestureRecognizer& recognizer)
{
    auto& pan = static_cast<UIPanGestureRecognizer&>(recognizer);
    switch (pan.state()) {
    case UIGestureRecognizerStateBegan:
        stopAnimation();
        dragging_ = true;
        dragStartOffset_ = contentOffset();
        if (const auto delegate = delegate_.lock()) {
            delegate->scrollViewWillBeginDragging(this);
        }
        [[fallthrough]];
    case UIGestureRecognizerStateChanged: {
        const CGPoint t = pan.translationInView(this);
        CGPoint wanted = dragStartOffset_;
        if (canScrollHorizontally()) {
            wanted.x -= t.x;
        }
        if (canScrollVertically()) {
            wanted.y -= t.y;
        }
        const CGRect b = bounds();
        setBounds({ rubberBandedOffset(wanted), b.size });
        break;
    }
    case UIGestureRecognizerStateEnded:
    case UIGestureRecognizerStateCancelled: {
        dragging_ = false;
        const CGPoint rest = clampedOffset(contentOffset());
        const bool decelerate = !(rest == contentOffset());
        if (const auto delegate = delegate_.lock()) {
            delegate->scrollViewDidEndDraggingWillDecelerate(this, decelerate);
        }
        if (decelerate) {
            if (const auto delegate = delegate_.lock()) {
                delegate->scrollViewWillBeginDecelerating(this);
            }
            animateOffset(rest, [this] {
                decelerating_ = false;
                if (const auto delegate = delegate_.lock()) {
                    delegate->scrollViewDidEndDecelerating(this);
                }
            });
            decelerating_ = animationTimer_ != nullptr;
        }
        break;
    }
    default:
        break;
    }
}

bool UIScrollView::scrollByWheel(CGFloat dx, CGFloat dy)
{
    if (!scrollEnabled_) {
        return false;
    }
    CGPoint wanted = contentOffset();
    if (contentSize_.width > bounds().size.width) {
        wanted.x += dx;
    }
    if (contentSize_.height > bounds().size.height) {
        wanted.y += dy;
    }
    const CGPoint target = clampedOffset(wanted);
    if (target == contentOffset()) {
        return false;
    }
    setContentOffset(target);
    return true;
}

// Interface files.

void UIScrollView::registerInterfaceClass(UIClassRegistry& registry)
{
    using T = UIPropertyType;
    registry.registerClass(
        "UIScrollView", "UIView", [] { return std::make_shared<UIScrollView>(); },
        {
            { "contentSize", uiProperty<UIScrollView, CGSize>(T::Size, [](UIScrollView& v, const CGSize& s) { v.setContentSize(s); }) },
            { "scrollEnabled", uiProperty<UIScrollView, bool>(T::Bool, [](UIScrollView& v, bool b) { v.setScrollEnabled(b); }) },
            { "bounces", uiProperty<UIScrollView, bool>(T::Bool, [](UIScrollView& v, bool b) { v.setBounces(b); }) },
            { "alwaysBounceVertical",
              uiProperty<UIScrollView, bool>(T::Bool, [](UIScrollView& v, bool b) { v.setAlwaysBounceVertical(b); }) },
            { "alwaysBounceHorizontal",
              uiProperty<UIScrollView, bool>(T::Bool, [](UIScrollView& v, bool b) { v.setAlwaysBounceHorizontal(b); }) },
            { "showsVerticalScrollIndicator",
              uiProperty<UIScrollView, bool>(T::Bool, [](UIScrollView& v, bool b) { v.setShowsVerticalScrollIndicator(b); }) },
            { "showsHorizontalScrollIndicator",
              uiProperty<UIScrollView, bool>(T::Bool, [](UIScrollView& v, bool b) { v.setShowsHorizontalScrollIndicator(b); }) },
            { "delegate", uiProperty<UIScrollView, std::shared_ptr<UIResponder>>(
                              T::Object,
                              [](UIScrollView& v, const std::shared_ptr<UIResponder>& d) {
                                  auto delegate = std::dynamic_pointer_cast<UIScrollViewDelegate>(d);
                                  if (d && !delegate) {
                                      throw std::invalid_argument("the object is not a UIScrollViewDelegate");
                                  }
                                  v.setDelegate(delegate);
                              }) },
        });
}
