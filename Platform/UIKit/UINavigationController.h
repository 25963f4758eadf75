#pragma once

#include <memory>
#include <vector>

#include "Platform/UIKit/UIViewController.h"

// A stack of screens, the top one shown filling the controller's view; no navigation bar is
// shown. Push slides the newcomer in from the right, pop slides the top out to the right (the
// platform's slide, on the run-loop clock). The newcomer's viewDidLoad and viewWillAppear run
// before push returns; a popped controller is released on a later turn. Rotation calls go on to
// the top controller (it is on screen with the navigation controller), and the older rotation
// question is the top controller's; the application gives other answers for shouldAutorotate
// and supportedInterfaceOrientations through a subclass that it registers under this class's
// name, so the main interface file makes it. Main thread only.
class UINavigationController : public UIViewController {
public:
    static constexpr double kSlideDuration = 0.35;

    UINavigationController();
    explicit UINavigationController(std::shared_ptr<UIViewController> rootViewController);
    ~UINavigationController() override;

    void pushViewControllerAnimated(std::shared_ptr<UIViewController> controller, bool animated);
    // Answers the popped controller (null when only the root is left).
    std::shared_ptr<UIViewController> popViewControllerAnimated(bool animated);
    std::vector<std::shared_ptr<UIViewController>> popToRootViewControllerAnimated(bool animated);

    [[nodiscard]] std::shared_ptr<UIViewController> topViewController() const;
    // The top controller, or what it presents modally.
    [[nodiscard]] std::shared_ptr<UIViewController> visibleViewController() const;
    [[nodiscard]] const std::vector<std::shared_ptr<UIViewController>>& viewControllers() const
    {
        return stack_;
    }
    void setViewControllersAnimated(
        std::vector<std::shared_ptr<UIViewController>> controllers, bool animated);

    // UIViewController
    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    [[nodiscard]] bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation orientation) override;
    [[nodiscard]] UIViewController* fullScreenPresentation() const override;
    [[nodiscard]] std::vector<std::shared_ptr<UIViewController>> childViewControllers() const override
    {
        return stack_;
    }

    // Registration with the interface-file class registry (keys of the class).
    static void registerInterfaceClass(UIClassRegistry& registry);

protected:
    void collectVisibleChildren(std::vector<std::shared_ptr<UIViewController>>& into) override;

private:
    void showTop(const std::shared_ptr<UIViewController>& incoming,
        const std::shared_ptr<UIViewController>& outgoing, bool animated, bool forward);
    void adopt(const std::shared_ptr<UIViewController>& controller);
    void finishTransition(const std::shared_ptr<UIViewController>& incoming,
        const std::shared_ptr<UIViewController>& outgoing, bool animated, bool outgoingLeaves);

    std::vector<std::shared_ptr<UIViewController>> stack_;
    // Popped controllers still sliding out: their back-reference is cleared when the slide ends
    // or when this controller goes first.
    std::vector<std::weak_ptr<UIViewController>> leaving_;
    bool appeared_ { false };
};
