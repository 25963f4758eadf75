#pragma once

#include <functional>
#include <memory>

#include "Platform/Foundation/NSTimer.h"
#include "Platform/UIKit/UIGestureRecognizerDelegate.h"
#include "Platform/UIKit/UIScrollViewDelegate.h"
#include "Platform/UIKit/UIView.h"

class UIScrollViewPanGestureRecognizer;

// A view that shows part of a larger content: the content offset is the origin of its bounds.
// The user drags it with its own pan recognizer (rubber-banding past the edges when bouncing is
// allowed, springing back on release) or scrolls it with the mouse wheel; code moves it with
// setContentOffset and scrollRectToVisible, either at once or animated on the run-loop clock.
// The delegate hears every offset change. The scroll view is its pan recognizer's delegate;
// subclasses answer the recognizer questions by overriding the delegate operations.
class UIScrollView : public UIView, public UIGestureRecognizerDelegate {
public:
    // Programmatic scroll animations last this long.
    static constexpr double kScrollAnimationDuration = 0.3;

    explicit UIScrollView(CGRect frame = CGRectZero);
    ~UIScrollView() override;

    [[nodiscard]] CGSize contentSize() const { return contentSize_; }
    void setContentSize(CGSize size);
    [[nodiscard]] CGPoint contentOffset() const { return bounds().origin; }
    void setContentOffset(CGPoint offset);
    void setContentOffset(CGPoint offset, bool animated);
    // The largest offset that keeps content on screen (zero when the content fits).
    [[nodiscard]] CGPoint maximumContentOffset() const;
    // Scrolls just enough to show the rectangle (in the scroll view's coordinates), within the
    // content; does nothing when it is already visible.
    void scrollRectToVisible(CGRect rect, bool animated);

    [[nodiscard]] bool bounces() const { return bounces_; }
    void setBounces(bool bounces) { bounces_ = bounces; }
    [[nodiscard]] bool alwaysBounceVertical() const { return alwaysBounceVertical_; }
    void setAlwaysBounceVertical(bool bounce) { alwaysBounceVertical_ = bounce; }
    [[nodiscard]] bool alwaysBounceHorizontal() const { return alwaysBounceHorizontal_; }
    void setAlwaysBounceHorizontal(bool bounce) { alwaysBounceHorizontal_ = bounce; }
    [[nodiscard]] bool isScrollEnabled() const { return scrollEnabled_; }
    void setScrollEnabled(bool enabled);
    [[nodiscard]] bool showsVerticalScrollIndicator() const { return showsVerticalScrollIndicator_; }
    void setShowsVerticalScrollIndicator(bool shows) { showsVerticalScrollIndicator_ = shows; }
    [[nodiscard]] bool showsHorizontalScrollIndicator() const { return showsHorizontalScrollIndicator_; }
    void setShowsHorizontalScrollIndicator(bool shows) { showsHorizontalScrollIndicator_ = shows; }

    // Whether a drag along the axis would move the content (or bounce it).
    [[nodiscard]] bool canScrollVertically() const;
    [[nodiscard]] bool canScrollHorizontally() const;

    // Tracking: a finger is on the content. Dragging: the finger has moved it.
    [[nodiscard]] bool isTracking() const { return tracking_; }
    [[nodiscard]] bool isDragging() const { return dragging_; }
    [[nodiscard]] bool isDecelerating() const { return decelerating_; }
    // Set by the pan recognizer; a touch stops a running scroll animation where it is.
    void setTracking(bool tracking);

    [[nodiscard]] std::shared_ptr<UIScrollViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<UIScrollViewDelegate> delegate) { delegate_ = std::move(delegate); }

    [[nodiscard]] const std::shared_ptr<UIScrollViewPanGestureRecognizer>& panGestureRecognizer() const { return pan_; }

    // Registration with the interface-file class registry (the class and its keys).
    static void registerInterfaceClass(UIClassRegistry& registry);

    // The mouse wheel: moves by the deltas within the content, without bouncing. Answers whether
    // the offset changed.
    bool scrollByWheel(CGFloat dx, CGFloat dy);

    void setBounds(CGRect bounds) override;
    void setFrame(CGRect frame) override;

protected:
    // Every change of the content offset, before the delegate hears of it (a table puts cells on
    // the rows that came into view).
    virtual void contentOffsetDidChange() { }

private:
    void handlePan(UIGestureRecognizer& recognizer);
    void animateOffset(CGPoint target, std::function<void()> arrived);
    void stopAnimation();
    void notifyDidScroll();
    [[nodiscard]] CGPoint clampedOffset(CGPoint offset) const;
    void boundsDidChange(CGRect old);
    void keepOffsetWithinContent();
    [[nodiscard]] CGPoint rubberBandedOffset(CGPoint offset) const;

    CGSize contentSize_ {};
    bool bounces_ { true };
    bool alwaysBounceVertical_ { false };
    bool alwaysBounceHorizontal_ { false };
    bool scrollEnabled_ { true };
    bool showsVerticalScrollIndicator_ { true };
    bool showsHorizontalScrollIndicator_ { true };
    bool tracking_ { false };
    bool dragging_ { false };
    bool decelerating_ { false };
    CGPoint dragStartOffset_ {};
    std::weak_ptr<UIScrollViewDelegate> delegate_;
    std::shared_ptr<UIScrollViewPanGestureRecognizer> pan_;
    PerformHandle animationTimer_;
};
