#pragma once

#include <memory>
#include <string>

#include "Classes/Controller/RatingPrompt.h"
#include "Classes/LexiphantAppDelegate.h"
#include "Classes/LexiphantClasses.h"
#include "Classes/Others/ConnectionManager.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIApplicationMain.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIWindow.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/uikit/UIKitTestSupport.h"

// Stands in for the start screen, which is built apart from the launch.
class StubStartScreen : public UIViewController { };

// A fresh home (no settings, no store) and the application's classes, with the start screen
// stubbed; launch() runs the application's own main interface file and launch.
class LaunchTest : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        NSUserDefaults::resetStandardUserDefaults();
        ConnectionManager::resetSharedManagerForTesting();
        UIImage::clearNamedCache();
        registerLexiphantClasses();
        UIClassRegistry& registry = UIClassRegistry::shared();
        if (const auto* start = registry.classNamed("StartViewController"))
            savedStart_ = std::make_unique<UIClassRegistry::ClassInfo>(*start);
        registry.registerClass("StartViewController", "UIViewController", [] { return std::make_shared<StubStartScreen>(); });
        RatingPrompt::Configuration rating;
        rating.testRequestURL = "http://127.0.0.1:9/";
        rating.version = "1.0";
        RatingPrompt::setConfigurationForTesting(rating);
    }
    void TearDown() override
    {
        RatingPrompt::waitForCountingForTesting();
        RatingPrompt::setConfigurationForTesting(std::nullopt);
        closeApplication();
        UIAlertView::resetForTesting();
        if (savedStart_)
            UIClassRegistry::shared().registerClass(savedStart_->name, savedStart_->superclass, savedStart_->make,
                                                    savedStart_->properties);
        ConnectionManager::resetSharedManagerForTesting();
        NSUserDefaults::resetStandardUserDefaults();
        UIImage::clearNamedCache();
        UIKitTest::TearDown();
    }

    NSUserDefaults& defaults() { return NSUserDefaults::standardUserDefaults(); }

    // Loads the main interface file and launches, as the platform's main does.
    std::shared_ptr<LexiphantAppDelegate> launch()
    {
        auto delegate = std::dynamic_pointer_cast<LexiphantAppDelegate>(UIApplicationLoadMainInterface());
        EXPECT_TRUE(delegate) << "the main interface file makes the app delegate";
        if (!delegate)
            return nullptr;
        delegate_ = delegate;
        UIApplication::sharedApplication().setDelegate(delegate);
        UIApplication::sharedApplication().launch();
        settle();
        return delegate;
    }
    // The process ends and starts again: the settings are read back from their file.
    std::shared_ptr<LexiphantAppDelegate> relaunch()
    {
        RatingPrompt::waitForCountingForTesting();
        closeApplication();
        UIAlertView::resetForTesting();
        UIApplication::sharedApplication().resetForTesting();
        NSUserDefaults::resetStandardUserDefaults();
        return launch();
    }
    void closeApplication()
    {
        if (delegate_ && delegate_->window())
            delegate_->window()->setRootViewController(nullptr);
        delegate_.reset();
    }
    // Lets slides and alert animations end.
    void settle()
    {
        advance(1);
        turn();
    }
    [[nodiscard]] std::shared_ptr<UIViewController> topScreen() const
    {
        return delegate_ && delegate_->navController() ? delegate_->navController()->topViewController() : nullptr;
    }
    // A finger on the middle of a view on screen.
    void tapView(const UIView& view)
    {
        const CGRect r = view.convertRectToView(view.bounds(), nullptr);
        tap({ r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2 });
        turn();
    }
    void tapAlertButton(int index)
    {
        auto alert = UIAlertView::visibleAlert();
        ASSERT_TRUE(alert);
        const CGRect r = alert->screenRectForButtonAtIndex(index);
        tap({ r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2 });
        settle();
    }

    TempDir home_;
    ScopedEnv env_ { "LEXIPHANT_HOME", home_.path() };
    std::shared_ptr<LexiphantAppDelegate> delegate_;

private:
    std::unique_ptr<UIClassRegistry::ClassInfo> savedStart_;
};
