#pragma once

#include <memory>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/UIKit/Forward.h"
#include "Platform/UIKit/UIPopoverControllerDelegate.h"

class UIModalBackdrop;

enum UIPopoverArrowDirection : unsigned {
    UIPopoverArrowDirectionUp = 1u << 0,
    UIPopoverArrowDirectionDown = 1u << 1,
    UIPopoverArrowDirectionLeft = 1u << 2,
    UIPopoverArrowDirectionRight = 1u << 3,
    UIPopoverArrowDirectionAny = 15u,
    UIPopoverArrowDirectionUnknown = ~0u,
};

// The pad's popover: a content controller's view in a dark panel whose arrow points at a
// rectangle of a view. The panel keeps above the keyboard and is laid out again when the keyboard
// comes or goes and when the interface turns. The arrow takes the first allowed direction (up,
// down, left, right) for which the whole panel fits on screen above the keyboard, else the one
// that shows the most of the content, which is then cut to what fits. The content hears viewWillAppear and viewDidAppear at every
// presentation and the disappearing pair at every dismissal. A touch outside the panel asks the
// delegate, dismisses and tells it; dismissal by code tells nothing. The controller owns its
// content; the delegate is not owned. A popover still shown when its controller goes is taken
// off the screen. Make it with std::make_shared. Main thread only.
class UIPopoverController : public std::enable_shared_from_this<UIPopoverController> {
public:
    // Content that names no size gets this one.
    static constexpr CGSize kDefaultContentSize { 320, 480 };

    explicit UIPopoverController(std::shared_ptr<UIViewController> contentViewController);
    ~UIPopoverController();
    UIPopoverController(const UIPopoverController&) = delete;
    UIPopoverController& operator=(const UIPopoverController&) = delete;

    [[nodiscard]] const std::shared_ptr<UIViewController>& contentViewController() const { return content_; }
    void setContentViewController(std::shared_ptr<UIViewController> controller, bool animated = false);

    // The size set here, else the content's size for popovers, else the default.
    [[nodiscard]] CGSize popoverContentSize() const;
    void setPopoverContentSize(CGSize size, bool animated = false);

    [[nodiscard]] std::shared_ptr<UIPopoverControllerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<UIPopoverControllerDelegate> delegate) { delegate_ = std::move(delegate); }

    // The rectangle is in the view's coordinates; directions are UIPopoverArrowDirection bits.
    // Presenting a shown popover again moves it.
    void presentPopoverFromRectInView(CGRect rect, UIView* view, unsigned arrowDirections, bool animated);
    void dismissPopoverAnimated(bool animated);
    [[nodiscard]] bool isPopoverVisible() const { return panel_ != nullptr; }
    [[nodiscard]] UIPopoverArrowDirection popoverArrowDirection() const { return arrowDirection_; }
    // The panel (arrow included) on the screen; null when not shown.
    [[nodiscard]] CGRect panelScreenFrame() const;

private:
    class Panel;

    void layoutPanel();
    void touchedOutside();
    void takeDown(bool animated);

    std::shared_ptr<UIViewController> content_;
    CGSize contentSize_ {};
    std::weak_ptr<UIPopoverControllerDelegate> delegate_;
    std::shared_ptr<UIModalBackdrop> backdrop_;
    std::shared_ptr<Panel> panel_;
    UIPopoverArrowDirection arrowDirection_ { UIPopoverArrowDirectionUnknown };
    // Where it points: the view (not owned) and the rectangle in it, kept for a turn of the
    // interface.
    std::weak_ptr<UIView> sourceView_;
    CGRect sourceRect_ {};
    unsigned allowedDirections_ { UIPopoverArrowDirectionAny };
};
