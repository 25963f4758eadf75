#include "Platform/UIKit/UINavigationController.h"

#include <algorithm>

#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIView.h"

UINavigationController::UINavigationController() = default;

UINavigationController::UINavigationController(std::shared_ptr<UIViewController> rootViewController)
{
    if (rootViewController) {
        adopt(rootViewController);
    }
}

UINavigationController::~UINavigationController()
{
    for (const auto& controller : stack_) {
        controller->setParentViewController(nullptr);
    }
    for (const auto& weak : leaving_) {
        if (const auto controller = weak.lock(); controller && controller->parentViewController() == this) {
            controller->setParentViewController(nullptr);
        }
    }
}

void UINavigationController::adopt(const std::shared_ptr<UIViewController>& controller)
{
    controller->setParentViewController(this);
    stack_.push_back(controller);
}

std::shared_ptr<UIViewController> UINavigationController::topViewController() const
{
    return stack_.empty() ? nullptr : stack_.back();
}

std::shared_ptr<UIViewController> UINavigationController::visibleViewController() const
{
    std::shared_ptr<UIViewController> visible = topViewController();
    while (visible && visible->presentedViewController()) {
        visible = visible->presentedViewController();
    }
    return visible;
}

void UINavigationController::loadView()
{
    UIViewController::loadView();
    view()->setAutoresizesSubviews(true);
    if (const auto top = topViewController()) {
        const UIViewRef& child = top->view();
        child->setFrame(view()->bounds());
        child->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
        view()->addSubview(child);
    }
}

void UINavigationController::pushViewControllerAnimated(
    std::shared_ptr<UIViewController> controller, bool animated)
{
    if (!controller || std::find(stack_.begin(), stack_.end(), controller) != stack_.end()
        || controller->parentViewController() != nullptr) {
        return;
    }
    std::shared_ptr<UIViewController> outgoing = topViewController();
    adopt(controller);
    showTop(controller, outgoing, animated, true);
}

std::shared_ptr<UIViewController> UINavigationController::popViewControllerAnimated(bool animated)
{
    if (stack_.size() < 2) {
        return nullptr;
    }
    std::shared_ptr<UIViewController> outgoing = stack_.back();
    stack_.pop_back();
    showTop(stack_.back(), outgoing, animated, false);
    return outgoing;
}

std::vector<std::shared_ptr<UIViewController>> UINavigationController::popToRootViewControllerAnimated(
    bool animated)
{
    std::vector<std::shared_ptr<UIViewController>> popped;
    if (stack_.size() < 2) {
        return popped;
    }
    popped.assign(stack_.begin() + 1, stack_.end());
    std::shared_ptr<UIViewController> outgoing = stack_.back();
    stack_.resize(1);
    // The screens between never show: they only leave the stack.
    for (std::size_t i = 0; i + 1 < popped.size(); ++i) {
        popped[i]->setParentViewController(nullptr);
        if (popped[i]->isViewLoaded()) {
            popped[i]->view()->removeFromSuperview();
        }
        UIViewController::releaseLater(popped[i]);
    }
    showTop(stack_.back(), outgoing, animated, false);
    return popped;
}

void UINavigationController::setViewControllersAnimated(
    std::vector<std::shared_ptr<UIViewController>> controllers, bool animated)
{
    std::shared_ptr<UIViewController> outgoing = topViewController();
    for (const auto& old : stack_) {
        if (std::find(controllers.begin(), controllers.end(), old) == controllers.end() && old != outgoing) {
            old->setParentViewController(nullptr);
            UIViewController::releaseLater(old);
        }
    }
    stack_.clear();
    for (const auto& controller : controllers) {
        if (controller && std::find(stack_.begin(), stack_.end(), controller) == stack_.end()) {
            adopt(controller);
        }
    }
    const auto incoming = topViewController();
    const bool outgoingStays = std::find(stack_.begin(), stack_.end(), outgoing) != stack_.end();
    if (incoming != outgoing && incoming) {
        showTop(incoming, outgoing, animated, outgoingStays || !outgoing);
    }
}

void UINavigationController::showTop(const std::shared_ptr<UIViewController>& incoming,
    const std::shared_ptr<UIViewController>& outgoing, bool animated, bool forward)
{
    const bool outgoingLeaves = outgoing && std::find(stack_.begin(), stack_.end(), outgoing) == stack_.end();
    if (!isViewLoaded()) {
        // The views come when this controller's view is loaded; a leaving one goes now.
        if (outgoingLeaves) {
            outgoing->setParentViewController(nullptr);
            UIViewController::releaseLater(outgoing);
        }
        return;
    }
    const UIViewRef& container = view();
    // A newcomer on top that does not allow the orientation turns the interface once it is in.
    UIViewControllerFitOrientationSoon();
    incoming->updateOrientationForAppearance();
    const UIViewRef& incomingView = incoming->view(); // loads it: viewDidLoad runs now
    incomingView->setFrame(container->bounds());
    incomingView->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    if (forward || !outgoing || !outgoing->isViewLoaded()
        || outgoing->view()->superview() != container.get()) {
        container->addSubview(incomingView);
    } else {
        container->insertSubviewBelowSubview(incomingView, outgoing->view().get());
    }
    if (outgoingLeaves) {
        leaving_.push_back(outgoing);
    }
    const bool onScreen = appeared_;
    if (onScreen) {
        if (outgoing) {
            outgoing->viewWillDisappear(animated);
        }
        incoming->viewWillAppear(animated);
    }
    if (!onScreen || !animated || !outgoing || !outgoing->isViewLoaded()) {
        finishTransition(incoming, outgoing, onScreen && animated, outgoingLeaves);
        return;
    }
    // The platform's slide: the newcomer from the right on a push, the leaver to the right on a pop.
    const CGFloat width = container->bounds().size.width;
    const UIViewRef outgoingView = outgoing->view();
    const CGPoint home = incomingView->center();
    const CGPoint outgoingHome = outgoingView->center();
    if (forward) {
        incomingView->setCenter(CGPointMake(home.x + width, home.y));
    } else {
        incomingView->setCenter(CGPointMake(home.x - width / 3, home.y));
    }
    std::weak_ptr<UINavigationController> weakSelf
        = std::static_pointer_cast<UINavigationController>(shared_from_this());
    auto pause = std::make_shared<UIInteractionPause>();
    UIView::animateWithDuration(
        kSlideDuration,
        [incomingView, outgoingView, home, outgoingHome, width, forward] {
            incomingView->setCenter(home);
            outgoingView->setCenter(
                CGPointMake(forward ? outgoingHome.x - width / 3 : outgoingHome.x + width, outgoingHome.y));
        },
        [weakSelf, incoming, outgoing, outgoingHome, outgoingLeaves, pause](bool) {
            pause->end();
            if (outgoing->isViewLoaded()) {
                outgoing->view()->setCenter(outgoingHome);
            }
            auto self = weakSelf.lock();
            if (!self) {
                return;
            }
            self->finishTransition(incoming, outgoing, true, outgoingLeaves);
        });
}

void UINavigationController::finishTransition(const std::shared_ptr<UIViewController>& incoming,
    const std::shared_ptr<UIViewController>& outgoing, bool animated, bool outgoingLeaves)
{
    // Another push or pop may have followed meanwhile: only the controller no longer on top
    // loses its view.
    const bool outgoingCovered = outgoing && outgoing != topViewController();
    if (outgoingCovered && outgoing->isViewLoaded() && outgoing->view()->superview() == view().get()) {
        outgoing->view()->removeFromSuperview();
    }
    if (appeared_) {
        if (outgoingCovered) {
            outgoing->viewDidDisappear(animated);
        }
        if (incoming == topViewController()) {
            incoming->viewDidAppear(animated);
        }
    }
    if (outgoingLeaves) {
        std::erase_if(leaving_, [&outgoing](const std::weak_ptr<UIViewController>& weak) {
            const auto controller = weak.lock();
            return !controller || controller == outgoing;
        });
        outgoing->setParentViewController(nullptr);
        UIViewController::releaseLater(outgoing);
    }
}

void UINavigationController::viewWillAppear(bool animated)
{
    appeared_ = true;
    if (const auto top = topViewController()) {
        top->updateOrientationForAppearance();
        const UIViewRef& child = top->view();
        if (child->superview() != view().get()) {
            child->setFrame(view()->bounds());
            child->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
            view()->addSubview(child);
        }
        top->viewWillAppear(animated);
    }
}

void UINavigationController::viewDidAppear(bool animated)
{
    if (const auto top = topViewController()) {
        top->viewDidAppear(animated);
    }
}

void UINavigationController::viewWillDisappear(bool animated)
{
    if (const auto top = topViewController()) {
        top->viewWillDisappear(animated);
    }
}

void UINavigationController::viewDidDisappear(bool animated)
{
    appeared_ = false;
    if (const auto top = topViewController()) {
        top->viewDidDisappear(animated);
    }
}

bool UINavigationController::shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation orientation)
{
    const auto top = topViewController();
    return top ? top->shouldAutorotateToInterfaceOrientation(orientation)
               : UIViewController::shouldAutorotateToInterfaceOrientation(orientation);
}

UIViewController* UINavigationController::fullScreenPresentation() const
{
    if (UIViewController* own = UIViewController::fullScreenPresentation()) {
        return own;
    }
    const auto top = topViewController();
    return top ? top->fullScreenPresentation() : nullptr;
}

void UINavigationController::collectVisibleChildren(std::vector<std::shared_ptr<UIViewController>>& into)
{
    if (const auto top = topViewController()) {
        top->collectVisibleControllers(into);
    }
}

void UINavigationController::registerInterfaceClass(UIClassRegistry& registry)
{
    registry.registerClass("UINavigationController", "UIViewController",
        [] { return std::make_shared<UINavigationController>(); });
}
