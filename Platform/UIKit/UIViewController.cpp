#include "Platform/UIKit/UIViewController.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIModalBackdrop.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UINib.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

constexpr double kPresentationDuration = 0.3;
constexpr CGSize kFormSheetSize { 540, 620 };
constexpr CGFloat kDimmingAlpha = 0.4;

bool isPad()
{
    return UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad;
}

UIInterfaceOrientation currentOrientation()
{
    return UIApplication::sharedApplication().statusBarOrientation();
}

// The window a controller's view sits in, going up through the presenting chain.
UIWindow* windowOf(UIViewController& controller)
{
    for (UIViewController* c = &controller; c != nullptr;) {
        if (c->isViewLoaded() && c->view()->window() != nullptr) {
            return c->view()->window();
        }
        c = c->presentingViewController() != nullptr ? c->presentingViewController()
                                                     : c->parentViewController();
    }
    return nullptr;
}

// The root controllers of the visible windows, front window first.
std::vector<std::shared_ptr<UIViewController>> rootControllers()
{
    std::vector<std::shared_ptr<UIViewController>> roots;
    for (const UIWindowRef& window : UIApplication::sharedApplication().windowsFrontToBack()) {
        if (window->rootViewController()) {
            roots.push_back(window->rootViewController());
        }
    }
    return roots;
}

void collectAll(
    const std::shared_ptr<UIViewController>& controller, std::vector<std::shared_ptr<UIViewController>>& into)
{
    if (!controller || std::find(into.begin(), into.end(), controller) != into.end()) {
        return;
    }
    into.push_back(controller);
    for (const auto& child : controller->childViewControllers()) {
        collectAll(child, into);
    }
    collectAll(controller->presentedViewController(), into);
}

UIInterfaceOrientation interfaceOrientationForDevice(UIDeviceOrientation orientation, bool& known)
{
    known = true;
    switch (orientation) {
    case UIDeviceOrientationPortrait:
        return UIInterfaceOrientationPortrait;
    case UIDeviceOrientationPortraitUpsideDown:
        return UIInterfaceOrientationPortraitUpsideDown;
    case UIDeviceOrientationLandscapeLeft:
        return UIInterfaceOrientationLandscapeRight;
    case UIDeviceOrientationLandscapeRight:
        return UIInterfaceOrientationLandscapeLeft;
    default:
        known = false;
        return UIInterfaceOrientationPortrait;
    }
}

// Follows the device once some window shows a controller: the controllers decide the turn.
void observeDeviceOrientation()
{
    // Added afresh each time, so a center reset by tests hears the device again (and no turn
    // refused before is left over).
    UIApplication::sharedApplication().setRefusedDeviceTurn(std::nullopt);
    static const int observer = 0;
    NSNotificationCenter::defaultCenter().removeObserver(&observer, UIDeviceOrientationDidChangeNotification);
    NSNotificationCenter::defaultCenter().addObserver(
        &observer, UIDeviceOrientationDidChangeNotification, nullptr, [](const NSNotification&) {
            bool known = false;
            const UIInterfaceOrientation target
                = interfaceOrientationForDevice(UIDevice::currentDevice().orientation(), known);
            if (known && !UIViewControllerAttemptRotationToOrientation(target)) {
                UIApplication::sharedApplication().setRefusedDeviceTurn(
                    target != currentOrientation() ? std::optional(target) : std::nullopt);
            }
        });
}

} // namespace

UIViewController::UIViewController(std::string nibName)
    : nibName_(std::move(nibName))
    , interfaceOrientation_(currentOrientation())
{
}

UIViewController::~UIViewController()
{
    if (presented_) {
        presented_->presenting_ = nullptr;
    }
    if (view_) {
        view_->setViewController({});
    }
}

const UIViewRef& UIViewController::view()
{
    if (!view_) {
        loadView();
        if (!view_) {
            // A loadView that made nothing still leaves a view, as the platform does.
            setView(std::make_shared<UIView>(
                CGRect { CGPointZero, contentRectInInterface(currentOrientation()).size }));
        }
        viewDidLoad();
    }
    return view_;
}

void UIViewController::setView(UIViewRef view)
{
    if (view_ == view) {
        return;
    }
    if (view_) {
        view_->setViewController({});
    }
    view_ = std::move(view);
    if (view_) {
        view_->setViewController(weak_from_this());
    }
}

void UIViewController::loadView()
{
    if (nibName_.empty()) {
        setView(std::make_shared<UIView>(
            CGRect { CGPointZero, contentRectInInterface(currentOrientation()).size }));
        return;
    }
    // The file's "view" outlet sets the view; what else it makes lives with the controller.
    std::vector<std::shared_ptr<UIResponder>> objects = UINib::loadNibNamed(nibName_, this);
    std::erase_if(objects, [this](const std::shared_ptr<UIResponder>& object) { return object == view_; });
    interfaceObjects_ = std::move(objects);
}

void UIViewController::declareConnections(UIConnectionTable& table)
{
    table.outletSetter<UIView>("view", [this](const UIViewRef& view) { setView(view); });
}

unsigned UIViewController::supportedInterfaceOrientations()
{
    return isPad() ? UIInterfaceOrientationMaskAll : UIInterfaceOrientationMaskAllButUpsideDown;
}

bool UIViewController::shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation orientation)
{
    return orientation == UIInterfaceOrientationPortrait;
}

UINavigationController* UIViewController::navigationController() const
{
    for (UIViewController* c = parent_; c != nullptr; c = c->parent_) {
        if (auto* navigation = dynamic_cast<UINavigationController*>(c)) {
            return navigation;
        }
    }
    // A controller presented by a screen of a stack belongs to no stack itself.
    return nullptr;
}

bool UIViewController::isViewVisible() const
{
    if (!view_ || view_->window() == nullptr) {
        return false;
    }
    for (const UIView* v = view_.get(); v != nullptr; v = v->superview()) {
        if (v->isHidden()) {
            return false;
        }
    }
    return true;
}

UIResponder* UIViewController::nextResponder() const
{
    if (view_ && view_->superview() != nullptr) {
        return view_->superview();
    }
    return nullptr;
}

bool UIViewController::respondsToAction(const SEL& action) const
{
    return const_cast<UIViewController*>(this)->connections().actionNamed(action) != nullptr;
}

bool UIViewController::performAction(const SEL& action, const void* sender)
{
    const UIConnectionTable::Action* handler = connections().actionNamed(action);
    if (handler == nullptr) {
        return false;
    }
    // Senders of actions are responders (controls, recognizers' views).
    (*handler)(static_cast<UIResponder*>(const_cast<void*>(sender)));
    return true;
}

std::shared_ptr<UIViewController> UIViewController::selfRef()
{
    return std::static_pointer_cast<UIViewController>(shared_from_this());
}

void UIViewController::updateOrientationForAppearance()
{
    const UIInterfaceOrientation now = currentOrientation();
    interfaceOrientation_ = now;
    if (!view_) {
        return;
    }
    if (parent_ != nullptr && parent_->isViewLoaded()) {
        view_->setFrame(parent_->view()->bounds());
    } else if (presenting_ != nullptr) {
        placePresentedView();
    } else if (UIWindow* window = view_->window();
               window != nullptr && window->rootViewController().get() == this) {
        placeInInterface(*view_, contentRectInInterface(now), now);
    }
}

UIViewController* UIViewController::fullScreenPresentation() const
{
    if (presented_ && !presented_->presentsFormSheet()) {
        return presented_.get();
    }
    return nullptr;
}

void UIViewController::collectVisibleControllers(std::vector<std::shared_ptr<UIViewController>>& into)
{
    if (UIViewController* cover = fullScreenPresentation()) {
        cover->collectVisibleControllers(into);
        return;
    }
    into.push_back(selfRef());
    collectVisibleChildren(into);
    if (presented_) {
        presented_->collectVisibleControllers(into);
    }
}

bool UIViewController::allowsInterfaceOrientation(UIInterfaceOrientation orientation)
{
    // The screen in front decides: what this one (or the top of its stack) presents, else this one.
    UIViewController* front = this;
    for (;;) {
        if (front->presented_) {
            front = front->presented_.get();
            continue;
        }
        const auto children = front->childViewControllers();
        if (!children.empty() && children.back()->presented_) {
            front = children.back()->presented_.get();
            continue;
        }
        break;
    }
    return front->shouldAutorotate() && (front->supportedInterfaceOrientations() & (1u << orientation)) != 0
        && front->shouldAutorotateToInterfaceOrientation(orientation);
}

CGRect UIViewController::contentRectInInterface(UIInterfaceOrientation orientation)
{
    const CGSize display = UIRenderer::displaySize(orientation);
    const CGFloat top
        = UIApplication::sharedApplication().isStatusBarHidden() ? 0 : UIApplication::kStatusBarHeight;
    return CGRectMake(0, top, display.width, display.height - top);
}

void UIViewController::placeInInterface(UIView& view, CGRect displayRect, UIInterfaceOrientation orientation)
{
    // Display points back to screen points: a rotation (and shift) for the orientation.
    const CGAffineTransform toScreen
        = CGAffineTransformInvert(UIRenderer::screenToDisplayTransform(orientation));
    CGAffineTransform rotation = toScreen;
    rotation.tx = 0;
    rotation.ty = 0;
    view.setTransform(rotation);
    view.setBounds(CGRect { CGPointZero, displayRect.size });
    view.setCenter(CGPointApplyAffineTransform(
        CGPointMake(CGRectGetMidX(displayRect), CGRectGetMidY(displayRect)), toScreen));
}

bool UIViewController::presentsFormSheet() const
{
    return isPad()
        && (modalPresentationStyle_ == UIModalPresentationFormSheet
            || modalPresentationStyle_ == UIModalPresentationPageSheet);
}

void UIViewController::placePresentedView()
{
    const UIInterfaceOrientation orientation = currentOrientation();
    const CGRect content = contentRectInInterface(orientation);
    if (presentsFormSheet()) {
        const CGSize display = UIRenderer::displaySize(orientation);
        if (dimmingView_) {
            placeInInterface(*dimmingView_, CGRect { CGPointZero, display }, orientation);
        }
        const CGRect sheet = CGRectMake(std::round((display.width - kFormSheetSize.width) / 2),
            std::round((display.height - kFormSheetSize.height) / 2), kFormSheetSize.width,
            kFormSheetSize.height);
        placeInInterface(*view_, sheet, orientation);
    } else {
        placeInInterface(*view_, content, orientation);
    }
}

void UIViewController::presentModalViewControllerAnimated(
    std::shared_ptr<UIViewController> controller, bool animated)
{
    presentViewControllerAnimated(std::move(controller), animated);
}

void UIViewController::dismissModalViewControllerAnimated(bool animated)
{
    dismissViewControllerAnimated(animated);
}

void UIViewController::presentViewControllerAnimated(
    std::shared_ptr<UIViewController> controller, bool animated, std::function<void()> completion)
{
    if (!controller || presented_ || controller->presenting_ != nullptr || controller.get() == this) {
        return;
    }
    UIWindow* window = windowOf(*this);
    const bool sheet = controller->presentsFormSheet();
    // What a full-screen presentation covers, as it is on screen now.
    std::vector<std::shared_ptr<UIViewController>> covered;
    if (!sheet) {
        collectVisibleControllers(covered);
    }
    presented_ = controller;
    controller->presenting_ = this;
    controller->updateOrientationForAppearance();
    UIViewControllerFitOrientationSoon();
    const UIViewRef& view = controller->view();
    const UIInterfaceOrientation orientation = currentOrientation();
    if (window != nullptr) {
        if (sheet) {
            controller->dimmingView_ = std::make_shared<UIView>();
            controller->dimmingView_->setBackgroundColor(UIColor::colorWithWhite(0, 1));
            controller->dimmingView_->setAlpha(animated ? 0 : kDimmingAlpha);
            window->addSubview(controller->dimmingView_);
        }
        window->addSubview(view);
        controller->placePresentedView();
    }
    controller->viewWillAppear(animated);
    for (const auto& c : covered) {
        c->viewWillDisappear(animated);
    }

    std::weak_ptr<UIViewController> weakPresenter = selfRef();
    auto finish = [weakPresenter, controller, covered, animated, completion = std::move(completion)](bool) {
        auto presenter = weakPresenter.lock();
        if (!presenter || presenter->presented_ != controller || controller->dismissing_) {
            return;
        }
        for (const auto& c : covered) {
            // Covered screens leave the window's drawing: only the root view is hidden.
            c->viewDidDisappear(animated);
        }
        if (!controller->presentsFormSheet()) {
            if (UIWindow* w = controller->view()->window(); w != nullptr && w->rootViewController()) {
                if (const UIViewRef& root = w->rootViewController()->view(); root != controller->view()) {
                    root->setHidden(true);
                }
            }
        }
        controller->viewDidAppear(animated);
        if (completion) {
            completion();
        }
    };
    if (animated && window != nullptr) {
        // Cover vertical: from below the bottom edge up to its place.
        const CGPoint end = view->center();
        const CGSize display = UIRenderer::displaySize(orientation);
        const CGAffineTransform toScreen
            = CGAffineTransformInvert(UIRenderer::screenToDisplayTransform(orientation));
        CGAffineTransform down = toScreen;
        down.tx = 0;
        down.ty = 0;
        const CGPoint offset = CGPointApplyAffineTransform(CGPointMake(0, display.height), down);
        view->setCenter(CGPointMake(end.x + offset.x, end.y + offset.y));
        UIViewRef dimming = controller->dimmingView_;
        auto pause = std::make_shared<UIInteractionPause>();
        UIView::animateWithDuration(
            kPresentationDuration,
            [view, end, dimming] {
                view->setCenter(end);
                if (dimming) {
                    dimming->setAlpha(kDimmingAlpha);
                }
            },
            [finish, pause](bool finished) {
                pause->end();
                finish(finished);
            });
    } else {
        finish(true);
    }
}

void UIViewController::dismissViewControllerAnimated(bool animated, std::function<void()> completion)
{
    // Sent to the presented controller, the presenter dismisses it.
    if (!presented_ && presenting_ != nullptr) {
        presenting_->dismissViewControllerAnimated(animated, std::move(completion));
        return;
    }
    if (!presented_ || presented_->dismissing_) {
        return;
    }
    std::shared_ptr<UIViewController> leaving = presented_;
    leaving->dismissing_ = true;
    UIViewControllerFitOrientationSoon();
    // What the leaving controller presents goes with it.
    if (leaving->presented_) {
        leaving->dismissViewControllerAnimated(false);
    }
    const bool sheet = leaving->presentsFormSheet();
    std::vector<std::shared_ptr<UIViewController>> uncovered;
    if (!sheet) {
        presented_.reset();
        collectVisibleControllers(uncovered);
        presented_ = leaving;
        if (UIWindow* w = windowOf(*this); w != nullptr && w->rootViewController()) {
            w->rootViewController()->view()->setHidden(false);
        }
        for (const auto& c : uncovered) {
            c->updateOrientationForAppearance();
            c->viewWillAppear(animated);
        }
    }
    leaving->viewWillDisappear(animated);

    std::weak_ptr<UIViewController> weakPresenter = selfRef();
    auto finish = [weakPresenter, leaving, uncovered, animated, completion = std::move(completion)](bool) {
        if (leaving->view_) {
            leaving->view_->removeFromSuperview();
        }
        if (leaving->dimmingView_) {
            leaving->dimmingView_->removeFromSuperview();
            leaving->dimmingView_.reset();
        }
        leaving->viewDidDisappear(animated);
        for (const auto& c : uncovered) {
            c->viewDidAppear(animated);
        }
        if (auto presenter = weakPresenter.lock(); presenter && presenter->presented_ == leaving) {
            presenter->presented_.reset();
        }
        leaving->presenting_ = nullptr;
        leaving->dismissing_ = false;
        // Only now is the screen beneath in front: it takes the way the device is held, which
        // the leaving screen may have refused.
        UIViewControllerFitOrientationSoon();
        if (completion) {
            completion();
        }
        UIViewController::releaseLater(leaving);
    };
    if (animated && leaving->view_ && leaving->view_->window() != nullptr) {
        const UIInterfaceOrientation orientation = currentOrientation();
        const CGSize display = UIRenderer::displaySize(orientation);
        CGAffineTransform down = CGAffineTransformInvert(UIRenderer::screenToDisplayTransform(orientation));
        down.tx = 0;
        down.ty = 0;
        const CGPoint offset = CGPointApplyAffineTransform(CGPointMake(0, display.height), down);
        UIViewRef view = leaving->view_;
        UIViewRef dimming = leaving->dimmingView_;
        const CGPoint start = view->center();
        auto pause = std::make_shared<UIInteractionPause>();
        UIView::animateWithDuration(
            kPresentationDuration,
            [view, start, offset, dimming] {
                view->setCenter(CGPointMake(start.x + offset.x, start.y + offset.y));
                if (dimming) {
                    dimming->setAlpha(0);
                }
            },
            [finish, pause](bool finished) {
                pause->end();
                finish(finished);
            });
    } else {
        finish(true);
    }
}

void UIViewController::releaseLater(std::shared_ptr<UIViewController> controller)
{
    if (!controller) {
        return;
    }
    // Two turns: the one that runs queued work now may be the one whose handler let it go.
    dispatchAsyncMain([controller = std::move(controller)]() mutable {
        dispatchAsyncMain([controller = std::move(controller)]() mutable { controller.reset(); });
    });
}

void UIViewController::registerInterfaceClass(UIClassRegistry& registry)
{
    registry.registerClass("UIViewController", "", [] { return std::make_shared<UIViewController>(); },
        {
            { "title",
                uiProperty<UIViewController, std::string>(UIPropertyType::String,
                    [](UIViewController& c, const std::string& v) { c.setTitle(v); }) },
            { "nibName",
                uiProperty<UIViewController, std::string>(UIPropertyType::String,
                    [](UIViewController& c, const std::string& v) { c.nibName_ = v; }) },
            { "contentSizeForViewInPopover",
                uiProperty<UIViewController, CGSize>(UIPropertyType::Size,
                    [](UIViewController& c, const CGSize& v) { c.setContentSizeForViewInPopover(v); }) },
        });
}

// UIWindow's root controller lives with the controllers.
void UIWindow::setRootViewController(std::shared_ptr<UIViewController> controller)
{
    if (controller == rootViewController_) {
        return;
    }
    std::shared_ptr<UIViewController> old = std::move(rootViewController_);
    if (old) {
        old->viewWillDisappear(false);
        if (old->isViewLoaded()) {
            old->view()->removeFromSuperview();
        }
        old->viewDidDisappear(false);
    }
    rootViewController_ = controller;
    if (controller) {
        observeDeviceOrientation();
        controller->updateOrientationForAppearance();
        const UIViewRef& view = controller->view();
        const UIInterfaceOrientation orientation = currentOrientation();
        UIViewController::placeInInterface(
            *view, UIViewController::contentRectInInterface(orientation), orientation);
        addSubview(view);
        controller->viewWillAppear(false);
        controller->viewDidAppear(false);
        UIViewControllerFitOrientationSoon();
    }
    UIViewController::releaseLater(std::move(old));
}

bool UIViewControllerManagesRotation()
{
    return !rootControllers().empty();
}

bool UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientation orientation, double duration)
{
    UIApplication& app = UIApplication::sharedApplication();
    const UIInterfaceOrientation from = app.statusBarOrientation();
    const std::vector<std::shared_ptr<UIViewController>> roots = rootControllers();
    if (roots.empty() || orientation == from) {
        return false;
    }
    UIWindow* keyWindow = app.keyWindow().get();
    std::shared_ptr<UIViewController> root = keyWindow != nullptr && keyWindow->rootViewController()
        ? keyWindow->rootViewController()
        : roots.front();
    unsigned mask = UIInterfaceOrientationMaskAll;
    if (const auto& delegate = app.delegate()) {
        mask = delegate->applicationSupportedInterfaceOrientationsForWindow(
            app, root->isViewLoaded() ? root->view()->window() : nullptr);
    }
    if ((mask & (1u << orientation)) == 0 || !root->allowsInterfaceOrientation(orientation)) {
        return false;
    }
    std::vector<std::shared_ptr<UIViewController>> visible;
    for (const auto& r : roots) {
        r->collectVisibleControllers(visible);
    }
    for (const auto& c : visible) {
        c->willRotateToInterfaceOrientationDuration(orientation, duration);
    }
    app.setStatusBarOrientation(orientation);
    for (const auto& r : roots) {
        r->updateOrientationForAppearance();
    }
    for (const auto& c : visible) {
        c->updateOrientationForAppearance();
    }
    for (const auto& c : visible) {
        c->willAnimateRotationToInterfaceOrientationDuration(orientation, duration);
    }
    // Any turn ends a refused one.
    app.setRefusedDeviceTurn(std::nullopt);
    for (const auto& c : visible) {
        c->didRotateFromInterfaceOrientation(from);
    }
    UIModalBackdrop::relayoutShown();
    return true;
}

namespace {

// Whether the front screen of the key window (else the front window) and the application allow
// the orientation; no screen at all allows everything.
bool frontScreenAllows(UIApplication& app, UIInterfaceOrientation orientation)
{
    const std::vector<std::shared_ptr<UIViewController>> roots = rootControllers();
    if (roots.empty()) {
        return true;
    }
    UIWindow* keyWindow = app.keyWindow().get();
    const std::shared_ptr<UIViewController> root
        = keyWindow != nullptr && keyWindow->rootViewController() ? keyWindow->rootViewController() : roots.front();
    unsigned mask = UIInterfaceOrientationMaskAll;
    if (const auto& delegate = app.delegate()) {
        mask = delegate->applicationSupportedInterfaceOrientationsForWindow(
            app, root->isViewLoaded() ? root->view()->window() : nullptr);
    }
    return (mask & (1u << orientation)) != 0 && root->allowsInterfaceOrientation(orientation);
}

void fitOrientationToFrontScreen()
{
    UIApplication& app = UIApplication::sharedApplication();
    const UIInterfaceOrientation now = app.statusBarOrientation();
    if (const auto held = app.refusedDeviceTurn(); held && *held != now && frontScreenAllows(app, *held)) {
        UIViewControllerAttemptRotationToOrientation(*held, 0);
        return;
    }
    if (frontScreenAllows(app, now)) {
        return;
    }
    bool known = false;
    const UIInterfaceOrientation device = interfaceOrientationForDevice(UIDevice::currentDevice().orientation(), known);
    std::vector<UIInterfaceOrientation> candidates;
    if (known) {
        candidates.push_back(device);
    }
    candidates.insert(candidates.end(), { UIInterfaceOrientationPortrait, UIInterfaceOrientationLandscapeRight,
                                          UIInterfaceOrientationLandscapeLeft, UIInterfaceOrientationPortraitUpsideDown });
    for (const UIInterfaceOrientation candidate : candidates) {
        if (candidate != now && frontScreenAllows(app, candidate)) {
            UIViewControllerAttemptRotationToOrientation(candidate, 0);
            if (known && candidate != device) {
                app.setRefusedDeviceTurn(device); // as if the device had turned since
            }
            return;
        }
    }
}

} // namespace

void UIViewControllerFitOrientationSoon()
{
    // Not coalesced: a flag would stay set when a reset run loop drops the work; a second fit
    // finds nothing to do.
    dispatchAsyncMain(fitOrientationToFrontScreen);
}

void UIApplicationSimulateMemoryWarning()
{
    std::vector<std::shared_ptr<UIViewController>> all;
    for (const auto& root : rootControllers()) {
        collectAll(root, all);
    }
    for (const auto& c : all) {
        c->didReceiveMemoryWarning();
    }
    NSNotificationCenter::defaultCenter().postNotificationName(
        UIApplicationDidReceiveMemoryWarningNotification, &UIApplication::sharedApplication());
}

std::vector<std::shared_ptr<UIViewController>> UIViewControllersOnScreen()
{
    std::vector<std::shared_ptr<UIViewController>> visible;
    for (const auto& root : rootControllers()) {
        root->collectVisibleControllers(visible);
    }
    return visible;
}

UIViewRef UIViewControllerOutletOnScreen(const std::string& name)
{
    for (const auto& root : rootControllers()) {
        std::vector<std::shared_ptr<UIViewController>> visible;
        root->collectVisibleControllers(visible);
        // Within a window, what was presented last lies in front.
        for (auto c = visible.rbegin(); c != visible.rend(); ++c) {
            if (auto view = std::dynamic_pointer_cast<UIView>((*c)->boundOutlet(name))) {
                return view;
            }
        }
    }
    return nullptr;
}
