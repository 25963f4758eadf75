#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/UIKit/Forward.h"
#include "Platform/UIKit/UIInterfaceOrientation.h"
#include "Platform/UIKit/UIInterfaceOwner.h"
#include "Platform/UIKit/UIResponder.h"

class UIClassRegistry;
class UINavigationController;

inline constexpr char UIApplicationDidReceiveMemoryWarningNotification[]
    = "UIApplicationDidReceiveMemoryWarningNotification";

enum UIModalTransitionStyle : int {
    UIModalTransitionStyleCoverVertical = 0,
    UIModalTransitionStyleFlipHorizontal = 1,
    UIModalTransitionStyleCrossDissolve = 2,
    UIModalTransitionStylePartialCurl = 3,
};

enum UIModalPresentationStyle : int {
    UIModalPresentationFullScreen = 0,
    UIModalPresentationPageSheet = 1,
    UIModalPresentationFormSheet = 2,
    UIModalPresentationCurrentContext = 3,
};

// One screen: its view, loaded lazily from an interface file (the owner's outlets and actions
// bound, then viewDidLoad) or made plainly by loadView; its appearance steps; its answers to
// rotation; modal presentation. Controllers are shared objects (std::make_shared): the window,
// the navigation controller and a presenting controller own what they show. A controller that
// leaves the screen (popped, dismissed) is released only on a later turn of the run loop, so a
// screen may pop itself from its own handler; its deferred work must hold it weakly.
// Main thread only.
class UIViewController : public UIResponder, public UIInterfaceOwner {
public:
    // The view comes from the interface file "<nibName>.json" of the bundle's "Interface"
    // folder, whose owner is this controller; an empty name gives a plain view.
    explicit UIViewController(std::string nibName = {});
    ~UIViewController() override;

    [[nodiscard]] const std::string& nibName() const { return nibName_; }

    // The view, loaded on first use (loadView, then viewDidLoad), never from a constructor (the
    // file may refer to its owner, which must be shared by then). A failing interface file
    // raises the loader's NamedException and leaves the view unloaded.
    [[nodiscard]] const UIViewRef& view();
    [[nodiscard]] bool isViewLoaded() const { return view_ != nullptr; }
    void setView(UIViewRef view);
    // Loads the interface file (its "view" outlet becomes the view) or makes a plain view of
    // the application frame's size.
    virtual void loadView();

    // Steps the screens override; the platform's own steps do nothing.
    virtual void viewDidLoad() { }
    virtual void viewDidUnload() { }
    virtual void viewWillAppear(bool animated) { }
    virtual void viewDidAppear(bool animated) { }
    virtual void viewWillDisappear(bool animated) { }
    virtual void viewDidDisappear(bool animated) { }
    virtual void didReceiveMemoryWarning() { }

    [[nodiscard]] const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }

    // Rotation. The interface orientation is the one the controller's view was last laid out
    // for. The platform's answers: rotate (YES), every orientation but upside down on the phone
    // and all on the pad, and only portrait for the older question.
    [[nodiscard]] UIInterfaceOrientation interfaceOrientation() const { return interfaceOrientation_; }
    [[nodiscard]] virtual bool shouldAutorotate() { return true; }
    [[nodiscard]] virtual unsigned supportedInterfaceOrientations();
    [[nodiscard]] virtual bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation orientation);
    virtual void willRotateToInterfaceOrientationDuration(UIInterfaceOrientation orientation, double duration)
    {
    }
    virtual void willAnimateRotationToInterfaceOrientationDuration(
        UIInterfaceOrientation orientation, double duration)
    {
    }
    virtual void didRotateFromInterfaceOrientation(UIInterfaceOrientation fromOrientation) { }

    // Containment: the navigation controller whose stack holds this controller, the controller
    // that presented this one modally, and the one this one presents.
    [[nodiscard]] UINavigationController* navigationController() const;
    [[nodiscard]] UIViewController* parentViewController() const { return parent_; }
    [[nodiscard]] UIViewController* presentingViewController() const { return presenting_; }
    [[nodiscard]] const std::shared_ptr<UIViewController>& presentedViewController() const
    {
        return presented_;
    }
    [[nodiscard]] const std::shared_ptr<UIViewController>& modalViewController() const { return presented_; }

    // Modal presentation. Cover vertical slides up from the bottom edge. On the pad a form sheet
    // is 540 x 620 points, centred over a dimmed screen that stays visible beneath; on the phone
    // every style is full screen. The newcomer's viewDidLoad and viewWillAppear run before
    // present returns. Dismissing from the presented controller dismisses itself.
    [[nodiscard]] UIModalTransitionStyle modalTransitionStyle() const { return modalTransitionStyle_; }
    void setModalTransitionStyle(UIModalTransitionStyle style) { modalTransitionStyle_ = style; }
    [[nodiscard]] UIModalPresentationStyle modalPresentationStyle() const { return modalPresentationStyle_; }
    void setModalPresentationStyle(UIModalPresentationStyle style) { modalPresentationStyle_ = style; }
    void presentModalViewControllerAnimated(std::shared_ptr<UIViewController> controller, bool animated);
    void dismissModalViewControllerAnimated(bool animated);
    void presentViewControllerAnimated(
        std::shared_ptr<UIViewController> controller, bool animated, std::function<void()> completion = {});
    void dismissViewControllerAnimated(bool animated, std::function<void()> completion = {});

    // Size of the view when shown in a popover (zero: the popover's default).
    [[nodiscard]] CGSize contentSizeForViewInPopover() const { return contentSizeForViewInPopover_; }
    void setContentSizeForViewInPopover(CGSize size) { contentSizeForViewInPopover_ = size; }

    // The objects of the loaded interface file besides the view, kept alive with the controller.
    [[nodiscard]] const std::vector<std::shared_ptr<UIResponder>>& interfaceObjects() const
    {
        return interfaceObjects_;
    }

    // Whether the view is in a window and shown (for the script driver and rotation).
    [[nodiscard]] bool isViewVisible() const;

    // The controllers this one contains (a navigation controller's stack).
    [[nodiscard]] virtual std::vector<std::shared_ptr<UIViewController>> childViewControllers() const
    {
        return {};
    }

    // Registration with the interface-file class registry (the class and its keys).
    static void registerInterfaceClass(UIClassRegistry& registry);

    // UIResponder: after the view comes its superview; actions are the declared ones.
    [[nodiscard]] UIResponder* nextResponder() const override;
    [[nodiscard]] bool respondsToAction(const SEL& action) const override;
    bool performAction(const SEL& action, const void* sender) override;

    // The controller as a shared pointer (controllers are made shared).
    [[nodiscard]] std::shared_ptr<UIViewController> selfRef();

    // Platform internals for the containers, the window and the rotation of the interface.
    // Brings the view up to date with the application's orientation before it appears again:
    // its interface orientation is set and, when it is the window's root, its bounds.
    void updateOrientationForAppearance();
    void setInterfaceOrientation(UIInterfaceOrientation orientation) { interfaceOrientation_ = orientation; }
    void setParentViewController(UIViewController* parent) { parent_ = parent; }
    // The controllers whose views are on screen for this one, in the order rotation tells them
    // (this one first, then what it shows inside it, then what it presents over itself).
    void collectVisibleControllers(std::vector<std::shared_ptr<UIViewController>>& into);
    // The full-screen presentation that covers this controller's view, if any.
    [[nodiscard]] virtual UIViewController* fullScreenPresentation() const;
    // Whether this controller, or the one presented over it, allows the orientation.
    [[nodiscard]] bool allowsInterfaceOrientation(UIInterfaceOrientation orientation);
    // Places a view at a rectangle of the interface as shown (display points, y downward) for
    // the orientation: bounds, centre and rotation in the window's (the screen's) coordinates.
    static void placeInInterface(UIView& view, CGRect displayRect, UIInterfaceOrientation orientation);
    // The interface's full-screen content rectangle (below the status bar) for the orientation.
    [[nodiscard]] static CGRect contentRectInInterface(UIInterfaceOrientation orientation);

    // Keeps a controller alive until a later turn of the main run loop, so one that leaves the
    // screen from inside its own handler is not destroyed under it.
    static void releaseLater(std::shared_ptr<UIViewController> controller);

protected:
    // UIInterfaceOwner: the outlet "view".
    void declareConnections(UIConnectionTable& table) override;
    // The child controllers shown inside this one's view, for rotation and appearance.
    virtual void collectVisibleChildren(std::vector<std::shared_ptr<UIViewController>>& into) { }

private:
    [[nodiscard]] bool presentsFormSheet() const;
    void placePresentedView();

    std::string nibName_;
    std::string title_;
    UIViewRef view_;
    std::vector<std::shared_ptr<UIResponder>> interfaceObjects_;
    UIInterfaceOrientation interfaceOrientation_ { UIInterfaceOrientationPortrait };
    UIViewController* parent_ { nullptr }; // not owned: the parent owns this controller and clears it
    UIViewController* presenting_ { nullptr }; // not owned: the presenter owns this controller and clears it
    std::shared_ptr<UIViewController> presented_;
    UIViewRef dimmingView_; // behind a form sheet
    UIModalTransitionStyle modalTransitionStyle_ { UIModalTransitionStyleCoverVertical };
    UIModalPresentationStyle modalPresentationStyle_ { UIModalPresentationFullScreen };
    CGSize contentSizeForViewInPopover_ {};
    bool dismissing_ { false }; // a dismissal of this controller is under way
};

// Turns the interface towards the device's orientation when the window's root controller and
// the application allow it: every controller on screen hears will rotate, the status bar and
// the views take the new orientation, then will animate and did rotate. Answers whether the
// interface turned. Controllers call it through the rotation observer; the host when the device
// turns.
bool UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientation orientation, double duration = 0.3);
// When the screen in front does not allow the interface's orientation (a portrait-only screen
// comes back on top of one turned to landscape, or the application starts in landscape), turns
// the interface to one it allows: the device's when allowed, else portrait, landscape right,
// landscape left, upside down. Soon: on the next turn of the main run loop, once the screens
// have changed places; several requests make one turn.
void UIViewControllerFitOrientationSoon();
// Whether any window shows a root view controller, which then decides the interface's turns.
bool UIViewControllerManagesRotation();
// The controllers whose views are on screen, front window first, each window's in rotation order.
std::vector<std::shared_ptr<UIViewController>> UIViewControllersOnScreen();
// The view an interface file bound to the outlet of that name of a controller on screen,
// searched from the screen in front (the last shown) back; null when none has it. For the
// script driver, which taps by outlet name.
UIViewRef UIViewControllerOutletOnScreen(const std::string& name);
// Sends didReceiveMemoryWarning to every controller of the windows (stacks and presented ones)
// and posts UIApplicationDidReceiveMemoryWarningNotification.
void UIApplicationSimulateMemoryWarning();
