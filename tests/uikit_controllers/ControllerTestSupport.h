#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Platform/Foundation/NSBundle.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIViewController.h"
#include "tests/support/ScopedEnv.h"
#include "tests/uikit/UIKitTestSupport.h"

// The main bundle is another folder while in scope; the real one comes back afterwards.
class BundleOverride {
public:
    explicit BundleOverride(const std::string& path)
        : env_(std::make_unique<ScopedEnv>("LEXIPHANT_BUNDLE", path))
    {
        NSBundle::resetMainBundleForTesting();
    }
    ~BundleOverride()
    {
        env_.reset();
        NSBundle::resetMainBundleForTesting();
    }

private:
    std::unique_ptr<ScopedEnv> env_;
};

// What the controllers of one test heard, in order: "A load", "B willAppear", "A rotate 3"...
using EventLog = std::vector<std::string>;

// A screen that writes each step it hears into the log, under its name.
class LoggingController : public UIViewController {
public:
    LoggingController(std::string name, std::shared_ptr<EventLog> log, std::string nibName = {})
        : UIViewController(std::move(nibName))
        , name_(std::move(name))
        , log_(std::move(log))
    {
    }
    ~LoggingController() override { note("dealloc"); }

    void viewDidLoad() override { note("load"); }
    void viewWillAppear(bool) override { note("willAppear"); }
    void viewDidAppear(bool) override { note("didAppear"); }
    void viewWillDisappear(bool) override { note("willDisappear"); }
    void viewDidDisappear(bool) override { note("didDisappear"); }
    void didReceiveMemoryWarning() override { note("memoryWarning"); }
    void viewDidUnload() override { note("unload"); }

    unsigned supportedInterfaceOrientations() override { return mask; }
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o) override
    {
        return (oldMask & (1u << o)) != 0;
    }
    bool shouldAutorotate() override { return autorotates; }
    void willRotateToInterfaceOrientationDuration(UIInterfaceOrientation o, double) override
    {
        note("willRotate " + std::to_string(o) + " from " + std::to_string(interfaceOrientation()));
    }
    void willAnimateRotationToInterfaceOrientationDuration(UIInterfaceOrientation o, double) override
    {
        note("willAnimate " + std::to_string(o) + " at " + std::to_string(interfaceOrientation()) + " width "
            + std::to_string(int(view()->bounds().size.width)));
    }
    void didRotateFromInterfaceOrientation(UIInterfaceOrientation from) override
    {
        note("didRotate from " + std::to_string(from));
    }

    unsigned mask { UIInterfaceOrientationMaskAll };
    unsigned oldMask { UIInterfaceOrientationMaskAll };
    bool autorotates { true };

private:
    void note(const std::string& what) { log_->push_back(name_ + " " + what); }
    std::string name_;
    std::shared_ptr<EventLog> log_;
};

class ControllerTest : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        log = std::make_shared<EventLog>();
    }
    void TearDown() override
    {
        if (window) {
            window->setRootViewController(nullptr);
        }
        window.reset();
        UIKitTest::TearDown();
    }

    std::shared_ptr<LoggingController> screen(const std::string& name)
    {
        return std::make_shared<LoggingController>(name, log);
    }
    // A window on screen whose root is a navigation controller holding `first`.
    std::shared_ptr<UINavigationController> showStack(const std::shared_ptr<UIViewController>& first)
    {
        window = makeWindow(UIScreen::mainScreen().bounds());
        auto navigation = std::make_shared<UINavigationController>(first);
        window->setRootViewController(navigation);
        return navigation;
    }
    // A window on screen whose root is the controller itself.
    void showRoot(const std::shared_ptr<UIViewController>& root)
    {
        window = makeWindow(UIScreen::mainScreen().bounds());
        window->setRootViewController(root);
    }
    // The log since the last call.
    EventLog take()
    {
        EventLog taken = *log;
        log->clear();
        return taken;
    }

    std::shared_ptr<EventLog> log;
    std::shared_ptr<UIWindow> window;
};
