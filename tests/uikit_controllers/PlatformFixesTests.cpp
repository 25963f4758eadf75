#include "tests/uikit_controllers/ModalTestSupport.h"

#include <functional>

#include "Host/HostSession.h"
#include "Host/ScriptDriver.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIModalChrome.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UITextField.h"
#include "Platform/UIKit/UIViewController.h"
#include "Platform/UIKit/UIVisibleText.h"

namespace {

class Content : public UIViewController {
public:
    void viewDidLoad() override
    {
        setContentSizeForViewInPopover({ 250, 200 });
        auto label = std::make_shared<UILabel>(CGRectMake(10, 10, 200, 30));
        label->setText(u"Recent Folders");
        view()->addSubview(label);
    }
};

// Counts the fingers that lift on it.
class TapCounter : public UIView {
public:
    using UIView::UIView;
    int taps { 0 };
    void touchesEnded(const UITouchSet&, UIEvent*) override { ++taps; }
};

std::vector<std::u16string> textsOnScreen()
{
    std::vector<std::u16string> texts;
    for (const auto& visible : UIVisibleText::onScreen()) {
        texts.push_back(visible.text);
    }
    return texts;
}

} // namespace

class PlatformFixes : public ModalTest {
protected:
    void SetUp() override
    {
        ModalTest::SetUp();
        window = makeWindow();
        // Behind every panel, a label with the same text as the panel's title.
        auto label = std::make_shared<UILabel>(CGRectMake(20, 400, 300, 30));
        label->setText(u"Error");
        window->addSubview(label);
    }
    std::shared_ptr<UIAlertView> makeAlert()
    {
        return std::make_shared<UIAlertView>("Error", "You entered an invalid password!", std::weak_ptr<UIAlertViewDelegate>(), "Cancel",
                                             std::vector<std::string> { "OK" });
    }
    std::shared_ptr<UIActionSheet> makeSheet()
    {
        return std::make_shared<UIActionSheet>("Error", std::weak_ptr<UIActionSheetDelegate>(), "Cancel", "Delete",
                                               std::vector<std::string> { "Go To Line" });
    }
    // The panel's rectangle as the interface shows it, and whether it lies centred across it.
    static bool centredAcross(const UIView& panel)
    {
        const CGRect r = UIModalChrome::interfaceRectOfView(panel, panel.bounds());
        return std::abs(CGRectGetMidX(r) - UIModalChrome::interfaceBounds().size.width / 2) < 1 && r.size.width < r.size.height * 4;
    }
    std::shared_ptr<UIWindow> window;
};

TEST_F(PlatformFixes, PanelTextsAreVisibleFrontMostFirst)
{
    struct Case {
        const char* device;
        const char* panel;
        std::vector<std::u16string> texts;
        bool labelBehindShows; // no veil over the window's label
    };
    const Case cases[] = {
        { "ipad", "alert", { u"Error", u"You entered an invalid password!", u"Cancel", u"OK" }, false },
        { "iphone", "sheet", { u"Error", u"Delete", u"Go To Line", u"Cancel" }, false },
        { "ipad", "sheet", { u"Error", u"Delete", u"Go To Line" }, true },
        { "ipad", "popover", { u"Recent Folders" }, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.device) + " " + c.panel);
        useDevice(c.device);
        window->setFrame(UIScreen::mainScreen().bounds());
        auto alert = makeAlert();
        auto sheet = makeSheet();
        auto popover = std::make_shared<UIPopoverController>(std::make_shared<Content>());
        const std::string panel = c.panel;
        if (panel == "alert") {
            alert->show();
        } else if (panel == "sheet") {
            sheet->showInView(window.get());
        } else {
            popover->presentPopoverFromRectInView(CGRectMake(100, 60, 1, 1), window.get(), UIPopoverArrowDirectionUp, false);
        }
        advance(0.5);
        const auto onScreen = UIVisibleText::onScreen();
        ASSERT_EQ(onScreen.size(), c.texts.size() + (c.labelBehindShows ? 1 : 0));
        // The panel's texts all come before the window's label.
        std::vector<std::u16string> front;
        for (std::size_t i = 0; i < c.texts.size(); ++i) {
            front.push_back(onScreen[i].text);
        }
        std::sort(front.begin(), front.end());
        auto wanted = c.texts;
        std::sort(wanted.begin(), wanted.end());
        EXPECT_EQ(front, wanted);
        if (!c.labelBehindShows) {
            EXPECT_EQ(UIVisibleText::findHidden(u"Error").hiddenBecause.find("covered by the veil"), 0u) << "behind the veil";
        } else {
            EXPECT_EQ(onScreen.back().text, u"Error") << "the window's label last";
        }
        if (c.labelBehindShows && panel != "popover") {
            EXPECT_NE(UIVisibleText::find(u"Error").view.get(), onScreen.back().view.get()) << "the panel's title is found first";
        }
        resetModals();
        popover->dismissPopoverAnimated(false);
        EXPECT_EQ(textsOnScreen(), std::vector<std::u16string> { u"Error" });
    }
}

TEST_F(PlatformFixes, ResetTakesEveryPanelOffTheScreenAndTapsReachTheWindowAgain)
{
    auto counter = std::make_shared<TapCounter>(CGRectMake(0, 0, 768, 1024));
    window->addSubview(counter);
    const std::vector<std::function<void()>> shows = {
        [&] { makeAlert()->show(); },
        [&] {
            makeAlert()->show();
            makeAlert()->show();
        },
        [&] { makeSheet()->showInView(window.get()); },
        [&] {
            useDevice("iphone");
            makeSheet()->showInView(window.get());
        },
    };
    for (std::size_t i = 0; i < shows.size(); ++i) {
        SCOPED_TRACE(i);
        useDevice("ipad");
        shows[i]();
        advance(0.5);
        ASSERT_GT(UIApplication::sharedApplication().windowsFrontToBack().size(), 1u);
        resetModals();
        turn();
        EXPECT_EQ(UIApplication::sharedApplication().windowsFrontToBack(), std::vector<UIWindowRef> { window });
        counter->taps = 0;
        tap(CGPointMake(384, 900));
        EXPECT_EQ(counter->taps, 1);
    }
}

TEST_F(PlatformFixes, PanelsFollowTheInterfaceWhenItTurns)
{
    UIApplication& app = UIApplication::sharedApplication();
    struct Case {
        const char* device;
        bool alert;
        bool turnFirst;
        bool keyboard { false };
    };
    const Case cases[] = {
        { "ipad", true, false },
        { "ipad", true, true },
        { "ipad", false, false }, // centred on the turned view, not where it was
        { "ipad", false, true, true }, // above the keyboard, where it fits
        { "iphone", false, false },
        { "iphone", false, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.device) + (c.alert ? " alert" : " sheet") + (c.turnFirst ? " turned first" : ""));
        useDevice(c.device);
        app.setStatusBarOrientation(UIInterfaceOrientationPortrait);
        auto alert = makeAlert();
        auto sheet = makeSheet();
        if (c.turnFirst) {
            app.setStatusBarOrientation(UIInterfaceOrientationLandscapeRight);
        }
        auto field = std::make_shared<UITextField>(CGRectMake(0, 0, 100, 30));
        window->addSubview(field);
        if (c.keyboard) {
            ASSERT_TRUE(field->becomeFirstResponder());
        }
        if (c.alert) {
            alert->show();
        } else {
            sheet->showInView(window.get());
        }
        advance(0.5);
        if (!c.turnFirst) {
            app.setStatusBarOrientation(UIInterfaceOrientationLandscapeRight);
            advance(0.5);
        }
        const UIView& panel = c.alert ? static_cast<const UIView&>(*alert) : *sheet;
        EXPECT_TRUE(centredAcross(panel));
        if (c.keyboard) {
            EXPECT_TRUE(CGRectIsEmpty(CGRectIntersection(UIModalChrome::screenRectOfView(panel, panel.bounds()), app.keyboardFrame())));
        }
        if (!c.alert && std::string(c.device) == "iphone") {
            // The phone's sheet spans the interface's width at its bottom.
            const CGRect r = UIModalChrome::interfaceRectOfView(panel, panel.bounds());
            EXPECT_NEAR(r.size.width, UIModalChrome::interfaceBounds().size.width, 1);
            EXPECT_NEAR(CGRectGetMaxY(r), UIModalChrome::interfaceBounds().size.height, 1);
        }
        // A tap where the interface shows the cancel button reaches it.
        const CGPoint cancel = c.alert ? CGPointMake(CGRectGetMidX(alert->screenRectForButtonAtIndex(0)),
                                                     CGRectGetMidY(alert->screenRectForButtonAtIndex(0)))
                                       : *sheet->screenPointForButtonAtIndex(sheet->cancelButtonIndex());
        tap(cancel);
        advance(0.5);
        EXPECT_FALSE(c.alert ? alert->isVisible() : sheet->isVisible());
        field->resignFirstResponder();
        field->removeFromSuperview();
        resetModals();
    }
}

TEST_F(PlatformFixes, ThePlatformRegistersItsControlsForInterfaceFiles)
{
    for (const char* name : { "UITextField", "UITextView", "UISwitch", "UISegmentedControl", "UIActivityIndicatorView", "UIProgressView",
                              "UIWebView" }) {
        SCOPED_TRACE(name);
        const auto* entry = UIClassRegistry::shared().classNamed(name);
        ASSERT_NE(entry, nullptr);
    }
}

TEST_F(PlatformFixes, ModalPlacingMatchesTheControllers)
{
    for (const auto orientation : { UIInterfaceOrientationPortrait, UIInterfaceOrientationLandscapeRight,
                                    UIInterfaceOrientationLandscapeLeft, UIInterfaceOrientationPortraitUpsideDown }) {
        SCOPED_TRACE(int(orientation));
        UIApplication::sharedApplication().setStatusBarOrientation(orientation);
        UIView modal(CGRectZero), controller(CGRectZero);
        const CGRect rect = CGRectMake(30, 40, 200, 100);
        UIModalChrome::placeInInterface(modal, rect);
        UIViewController::placeInInterface(controller, rect, orientation);
        EXPECT_TRUE(CGRectEqualToRect(modal.frame(), controller.frame()));
        EXPECT_TRUE(CGRectEqualToRect(UIModalChrome::interfaceRectOfView(modal, modal.bounds()), rect));
    }
}

namespace {

class TurningRoot : public UIViewController {
public:
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation) override { return true; }
};

} // namespace

TEST_F(PlatformFixes, AScriptSeesAnAlertAndTurnsItWithTheScreen)
{
    window->setRootViewController(std::make_shared<TurningRoot>());
    HostSession session;
    ScriptDriver driver(session);
    auto alert = makeAlert();
    alert->show();
    const auto outcome = driver.runText("assertVisible You entered an invalid password!\nrotate landscape\nwaitFor OK 1\n", "alert");
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(UIApplication::sharedApplication().statusBarOrientation(), UIInterfaceOrientationLandscapeRight);
    EXPECT_TRUE(centredAcross(*alert));
    EXPECT_TRUE(UIRenderer::writeScreenPNG(snapshotPath("alert-turned-ipad")));
    const auto answered = driver.runText("answerAlert OK\n", "answer");
    EXPECT_TRUE(answered.ok) << answered.error;

    // A pad sheet centred on the screen's view follows the view, laid out only after the turn.
    auto sheet = makeSheet();
    sheet->showInView(window->rootViewController()->view().get());
    const auto turned = driver.runText("rotate portrait\nwaitFor Go To Line 1\n", "sheet");
    ASSERT_TRUE(turned.ok) << turned.error;
    EXPECT_TRUE(centredAcross(*sheet));
}
