#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/CoreGraphics/CGAffineTransform.h"
#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/Forward.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIResponder.h"

enum UIViewAutoresizing : unsigned {
    UIViewAutoresizingNone = 0,
    UIViewAutoresizingFlexibleLeftMargin = 1,
    UIViewAutoresizingFlexibleWidth = 2,
    UIViewAutoresizingFlexibleRightMargin = 4,
    UIViewAutoresizingFlexibleTopMargin = 8,
    UIViewAutoresizingFlexibleHeight = 16,
    UIViewAutoresizingFlexibleBottomMargin = 32,
};

enum UIViewAnimationOptions : unsigned {
    UIViewAnimationOptionAllowUserInteraction = 1u << 1,
    UIViewAnimationOptionBeginFromCurrentState = 1u << 2,
    UIViewAnimationOptionCurveEaseInOut = 0u << 16,
    UIViewAnimationOptionCurveEaseIn = 1u << 16,
    UIViewAnimationOptionCurveEaseOut = 2u << 16,
    UIViewAnimationOptionCurveLinear = 3u << 16,
};

// How a view fits its content (an image view's picture) into its bounds.
enum UIViewContentMode : int {
    UIViewContentModeScaleToFill = 0,
    UIViewContentModeScaleAspectFit = 1,
    UIViewContentModeScaleAspectFill = 2,
    UIViewContentModeRedraw = 3,
    UIViewContentModeCenter = 4,
    UIViewContentModeTop = 5,
    UIViewContentModeBottom = 6,
    UIViewContentModeLeft = 7,
    UIViewContentModeRight = 8,
    UIViewContentModeTopLeft = 9,
    UIViewContentModeTopRight = 10,
    UIViewContentModeBottomLeft = 11,
    UIViewContentModeBottomRight = 12,
};

enum UIViewAnimationCurve : int {
    UIViewAnimationCurveEaseInOut = 0,
    UIViewAnimationCurveEaseIn = 1,
    UIViewAnimationCurveEaseOut = 2,
    UIViewAnimationCurveLinear = 3,
};

// A rectangle of the interface: geometry, hierarchy, drawing, hit testing and coordinate
// conversion. Its look lives in its layer (bounds, centre as position, transform, alpha as
// opacity, hidden, clipping as masksToBounds, geometry flipping), which the renderer reads; a
// layer whose geometry is flipped turns the view's coordinate space (its drawing and its
// subviews' frames) against its superview's: origin at the bottom left and y upward inside an
// ordinary superview. An unflipped subview of a flipped view keeps its own space y-downward
// (the full rule is CALayer::isGeometryFlipped's).
// Views are shared objects: make them with
// std::make_shared. A superview owns its subviews; the back-references are plain pointers that
// the owner clears. Main thread only.
class UIView : public UIResponder {
public:
    explicit UIView(CGRect frame = CGRectZero);
    ~UIView() override;

    // Geometry. Setting a new size resizes autoresizing subviews at once and asks for
    // layoutSubviews on the next layout pass; a setting that keeps the size does not.
    [[nodiscard]] CGRect frame() const;
    virtual void setFrame(CGRect frame);
    [[nodiscard]] CGRect bounds() const { return layer_->bounds(); }
    virtual void setBounds(CGRect bounds);
    [[nodiscard]] CGPoint center() const { return layer_->position(); }
    void setCenter(CGPoint center);
    [[nodiscard]] CGAffineTransform transform() const;
    void setTransform(CGAffineTransform transform);

    // Look.
    [[nodiscard]] CGFloat alpha() const { return layer_->opacity(); }
    void setAlpha(CGFloat alpha);
    [[nodiscard]] bool isHidden() const { return layer_->isHidden(); }
    virtual void setHidden(bool hidden);
    [[nodiscard]] const UIColorRef& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(UIColorRef color);
    [[nodiscard]] bool clipsToBounds() const { return layer_->masksToBounds(); }
    void setClipsToBounds(bool clips);
    [[nodiscard]] bool isOpaque() const { return opaque_; }
    void setOpaque(bool opaque) { opaque_ = opaque; }
    [[nodiscard]] const std::shared_ptr<CALayer>& layer() const { return layer_; }
    [[nodiscard]] UIViewContentMode contentMode() const { return contentMode_; }
    void setContentMode(UIViewContentMode mode);

    [[nodiscard]] bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
    [[nodiscard]] int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    // This view or the first descendant (depth first, in subview order) with the tag.
    [[nodiscard]] UIView* viewWithTag(int tag);

    [[nodiscard]] unsigned autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }
    [[nodiscard]] bool autoresizesSubviews() const { return autoresizesSubviews_; }
    void setAutoresizesSubviews(bool autoresizes) { autoresizesSubviews_ = autoresizes; }

    // Hierarchy. Subviews are drawn in order, the last on top.
    [[nodiscard]] UIView* superview() const { return superview_; }
    [[nodiscard]] const std::vector<UIViewRef>& subviews() const { return subviews_; }
    [[nodiscard]] UIWindow* window() const;
    void addSubview(const UIViewRef& view);
    void insertSubviewAtIndex(const UIViewRef& view, std::size_t index);
    void insertSubviewAboveSubview(const UIViewRef& view, const UIView* sibling);
    void insertSubviewBelowSubview(const UIViewRef& view, const UIView* sibling);
    void bringSubviewToFront(const UIView* view);
    void sendSubviewToBack(const UIView* view);
    void exchangeSubviewAtIndexWithSubviewAtIndex(std::size_t index1, std::size_t index2);
    // A view that is, or holds, the first responder gives the role up first.
    void removeFromSuperview();
    [[nodiscard]] bool isDescendantOfView(const UIView* view) const;

    // Hierarchy notices, for subclasses.
    virtual void willMoveToSuperview(UIView* newSuperview) { }
    virtual void didMoveToSuperview() { }
    virtual void willMoveToWindow(UIWindow* newWindow) { }
    virtual void didMoveToWindow() { }
    virtual void didAddSubview(UIView* subview) { }
    virtual void willRemoveSubview(UIView* subview) { }

    // Layout: layoutSubviews runs on the next layout pass (a turn of the main run loop) after
    // setNeedsLayout, or at once through layoutIfNeeded, parents before children.
    virtual void layoutSubviews() { }
    void setNeedsLayout();
    void layoutIfNeeded();
    [[nodiscard]] bool needsLayout() const { return needsLayout_; }
    // Lays out every view waiting for it (what the layout pass does).
    static void layoutPendingViews();

    // Drawing. drawRect draws the view's own content in its coordinates (the current context of
    // UIGraphicsGetCurrentContext); displayInContext runs it into a context whose user space is
    // the view's bounds with y downward, flipping first when the view's space runs upward
    // (CALayer::contentsAreFlipped).
    // The background colour, border and subviews are the renderer's.
    virtual void drawRect(CGRect rect);
    void setNeedsDisplay();
    void setNeedsDisplayInRect(CGRect rect);
    [[nodiscard]] bool needsDisplay() const { return needsDisplay_; }
    void displayInContext(CGContextRef context);
    // Draws the part of the content within rect (view coordinates; clipped to it unless it is
    // the whole bounds) into a context laid out as for displayInContext, and takes that part off
    // what remains to redraw: how the renderer brings the backing store up to date.
    void displayRectInContext(CGContextRef context, CGRect rect);
    // What waits to be redrawn, in the view's coordinates: null when nothing; the bounds after
    // setNeedsDisplay (and before the first drawing); the union of the rectangles asked for
    // through setNeedsDisplayInRect otherwise.
    [[nodiscard]] CGRect invalidRect() const;
    // The renderer's cached picture of what drawRect drew (the backing store). It is redrawn only
    // where invalidRect says, or wholly when the size changes; it goes with the view.
    struct BackingStore {
        virtual ~BackingStore() = default;
    };
    [[nodiscard]] BackingStore* backingStore() const { return backingStore_.get(); }
    // Whether the last drawing reached UIView's own drawRect (which draws nothing): a plain view,
    // or a subclass that called up to it.
    [[nodiscard]] bool lastDrawReachedBaseDrawRect() const { return reachedBaseDrawRect_; }
    void setBackingStore(std::unique_ptr<BackingStore> store) { backingStore_ = std::move(store); }
    // Grows with every change that may alter what the screen shows (geometry, look, hierarchy,
    // redraw requests), so the host draws a frame only when something changed.
    [[nodiscard]] static std::uint64_t displayGeneration();
    // For what is drawn outside any view (the edit menu): moves the generation on.
    static void markScreenChanged();

    // Hit testing: the deepest visible, interactive, not nearly transparent (alpha below 0.01)
    // view that contains the point (in this view's coordinates), the last subview first.
    [[nodiscard]] virtual UIViewRef hitTest(CGPoint point, UIEvent* event);
    [[nodiscard]] virtual bool pointInside(CGPoint point, UIEvent* event) const;

    // The text a person reads in this view itself (a label's text, a button's title, an alert's
    // message), empty for none; the script driver and tests find views by it (UIVisibleText).
    [[nodiscard]] virtual std::u16string visibleText() const { return {}; }
    // Where that text's glyphs stand, in the view's bounds coordinates (a short text in a wide
    // label covers only part of it); the whole bounds unless the view knows better.
    [[nodiscard]] virtual CGRect visibleTextRect() const { return bounds(); }
    // The lines of a text view a person sees, each with its rectangle in the view's bounds
    // coordinates, top line first; views that are not text views have none.
    struct TextLine {
        std::u16string text;
        CGRect rect {};
    };
    [[nodiscard]] virtual std::vector<TextLine> visibleTextLines() const { return {}; }
    // Whether the view's own drawing hides what lies behind it (its frame): a background or an
    // image that cannot be read through. A clear view only shows its subviews.
    [[nodiscard]] virtual bool hidesWhatIsBehind() const;

    // Conversion between the coordinates of two views (null: this view's window, or the root of
    // its tree outside a window), through flipped layers, transforms and scroll offsets.
    [[nodiscard]] CGPoint convertPointToView(CGPoint point, const UIView* view) const;
    [[nodiscard]] CGPoint convertPointFromView(CGPoint point, const UIView* view) const;
    [[nodiscard]] CGRect convertRectToView(CGRect rect, const UIView* view) const;
    [[nodiscard]] CGRect convertRectFromView(CGRect rect, const UIView* view) const;
    // From this view's coordinates to its superview's (to the screen for a window).
    [[nodiscard]] CGAffineTransform transformToSuperview() const;
    // From this view's coordinates to the screen (through the root of its tree).
    [[nodiscard]] CGAffineTransform transformToScreen() const;

    // Gesture recognizers, asked in the order they were added.
    void addGestureRecognizer(const UIGestureRecognizerRef& recognizer);
    void removeGestureRecognizer(const UIGestureRecognizer* recognizer);
    [[nodiscard]] const std::vector<UIGestureRecognizerRef>& gestureRecognizers() const { return gestureRecognizers_; }

    // Responder: the view's controller (set by the controller that owns it), else its superview.
    [[nodiscard]] UIResponder* nextResponder() const override;
    void setViewController(std::weak_ptr<UIResponder> controller) { viewController_ = std::move(controller); }
    // Only a view in a window becomes first responder.
    bool becomeFirstResponder() override;

    // Animations on the run-loop clock: the changes that the block makes to frame, bounds,
    // centre, transform and alpha become the end values of layer animations of the duration; the
    // completion runs after the last ends (finished NO when one was replaced or removed before
    // its end) and, when nothing was animated, on the next turn of the run loop.
    static void animateWithDuration(double duration, const std::function<void()>& animations,
                                    std::function<void(bool)> completion = {});
    static void animateWithDuration(double duration, double delay, unsigned options, const std::function<void()>& animations,
                                    std::function<void(bool)> completion);
    // The older form: changes between begin and commit are animated.
    static void beginAnimations(const std::string& animationID = {}, void* context = nullptr);
    static void setAnimationDuration(double duration);
    static void setAnimationDelay(double delay);
    static void setAnimationCurve(UIViewAnimationCurve curve);
    static void setAnimationBeginsFromCurrentState(bool fromCurrentState);
    static void commitAnimations();
    static void setAnimationsEnabled(bool enabled);
    [[nodiscard]] static bool areAnimationsEnabled();

    // Registration with the interface-file class registry (the class and its keys).
    static void registerInterfaceClass(UIClassRegistry& registry);

protected:
    // Lets an open animation block record the value a layer property had before a change.
    void willChangeAnimatable(const char* keyPath);
    // The view as a shared pointer (views are made shared).
    [[nodiscard]] UIViewRef selfRef();

private:
    void resizeSubviewsWithOldSize(CGSize oldSize);
    void autoresizeInSuperviewWithOldSize(CGSize oldSuperSize, CGSize newSuperSize);
    void boundsSizeDidChange(CGSize oldSize);
    void attachSubview(const UIViewRef& view, std::size_t index);
    void notifyWillMoveToWindow(UIWindow* window);
    void notifyDidMoveToWindow();
    void resignFirstResponderInSubtree();
    void markDescendantNeedsLayout();
    [[nodiscard]] UIView* rootView() const;
    // transformToSuperview, given which way the superview's space runs.
    [[nodiscard]] CGAffineTransform placeInSuperview(bool superviewRunsUpward) const;

    std::shared_ptr<CALayer> layer_ { std::make_shared<CALayer>() };
    UIView* superview_ { nullptr }; // not owned: the superview owns this view and clears it
    std::vector<UIViewRef> subviews_;
    std::vector<UIGestureRecognizerRef> gestureRecognizers_;
    std::weak_ptr<UIResponder> viewController_;
    UIColorRef backgroundColor_;
    bool opaque_ { true };
    bool userInteractionEnabled_ { true };
    int tag_ { 0 };
    unsigned autoresizingMask_ { UIViewAutoresizingNone };
    bool autoresizesSubviews_ { true };
    bool needsLayout_ { false };
    bool descendantNeedsLayout_ { false };
    bool needsDisplay_ { true };
    CGRect dirtyRect_ { CGRectNull }; // partial redraw requests while needsDisplay_ is false
    std::unique_ptr<BackingStore> backingStore_;
    bool reachedBaseDrawRect_ { false };
    UIViewContentMode contentMode_ { UIViewContentModeScaleToFill };
};
