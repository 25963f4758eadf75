#include "tests/uikit_controllers/ModalTestSupport.h"

#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIModalChrome.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UITextField.h"
#include "Platform/UIKit/UIViewController.h"

namespace {

class Content : public UIViewController {
public:
    std::vector<std::string> events;
    void viewDidLoad() override
    {
        view()->setBackgroundColor(UIColor::whiteColor());
        setContentSizeForViewInPopover({ 250, 272 });
    }
    void viewWillAppear(bool) override { events.push_back("willAppear"); }
    void viewDidAppear(bool) override { events.push_back("didAppear"); }
    void viewWillDisappear(bool) override { events.push_back("willDisappear"); }
    void viewDidDisappear(bool) override { events.push_back("didDisappear"); }
};

class PopoverRecorder : public UIPopoverControllerDelegate {
public:
    bool allow { true };
    int asked { 0 };
    int dismissed { 0 };
    bool popoverControllerShouldDismissPopover(UIPopoverController*) override
    {
        ++asked;
        return allow;
    }
    void popoverControllerDidDismissPopover(UIPopoverController*) override { ++dismissed; }
};

using Events = std::vector<std::string>;

} // namespace

class Popovers : public ModalTest {
protected:
    void SetUp() override
    {
        ModalTest::SetUp();
        window = makeWindow();
        window->setBackgroundColor(UIColor::colorWithWhite(0.9, 1));
        content = std::make_shared<Content>();
        popover = std::make_shared<UIPopoverController>(content);
        delegate = std::make_shared<PopoverRecorder>();
        popover->setDelegate(delegate);
    }
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<Content> content;
    std::shared_ptr<UIPopoverController> popover;
    std::shared_ptr<PopoverRecorder> delegate;
};

TEST_F(Popovers, ATouchOutsideDismissesAndTellsTheDelegate)
{
    popover->presentPopoverFromRectInView(CGRectMake(100, 60, 1, 1), window.get(), UIPopoverArrowDirectionUp, true);
    ASSERT_TRUE(popover->isPopoverVisible());
    tap(CGPointMake(CGRectGetMidX(popover->panelScreenFrame()), CGRectGetMidY(popover->panelScreenFrame())));
    EXPECT_TRUE(popover->isPopoverVisible()) << "a touch inside stays inside";

    delegate->allow = false;
    tap(CGPointMake(700, 900));
    EXPECT_TRUE(popover->isPopoverVisible()) << "the delegate kept it";
    delegate->allow = true;
    tap(CGPointMake(700, 900));
    EXPECT_FALSE(popover->isPopoverVisible());
    EXPECT_EQ(delegate->asked, 2);
    EXPECT_EQ(delegate->dismissed, 1);

    // By code: no word to the delegate.
    popover->presentPopoverFromRectInView(CGRectMake(100, 60, 1, 1), window.get(), UIPopoverArrowDirectionUp, true);
    popover->dismissPopoverAnimated(true);
    EXPECT_EQ(delegate->dismissed, 1);
    EXPECT_EQ(content->events, (Events { "willAppear", "didAppear", "willDisappear", "didDisappear", "willAppear", "didAppear",
                                         "willDisappear", "didDisappear" }))
        << "every presentation";

    // A delegate that is gone is not asked.
    popover->presentPopoverFromRectInView(CGRectMake(100, 60, 1, 1), window.get(), UIPopoverArrowDirectionUp, true);
    delegate.reset();
    tap(CGPointMake(700, 900));
    EXPECT_FALSE(popover->isPopoverVisible());
}

// The arrow points at the rectangle; with the keyboard up (raised while the popover shows) the
// panel keeps above it, cut to what fits when it must, and no touch reaches the cut-off part; the
// keyboard gone, the whole content shows again.
TEST_F(Popovers, TheArrowPointsAtTheRectangleAndThePanelKeepsAboveTheKeyboard)
{
    struct Case {
        const char* name;
        CGPoint at; // in the interface
        unsigned directions;
        UIPopoverArrowDirection expected;
        bool keyboard { false };
        UIInterfaceOrientation orientation { UIInterfaceOrientationPortrait };
        CGFloat shownHeight { 272 }; // of the content
    };
    const CGFloat upright = 1024 - 264 - 10; // the usable area's bottom with the keyboard up
    const CGFloat turned = 768 - 352 - 10;
    const Case cases[] = {
        { "up: below the button", { 380, 60 }, UIPopoverArrowDirectionUp, UIPopoverArrowDirectionUp },
        { "left: to the right of the row", { 200, 500 }, UIPopoverArrowDirectionLeft, UIPopoverArrowDirectionLeft },
        { "any near the bottom: above", { 380, 1000 }, UIPopoverArrowDirectionAny, UIPopoverArrowDirectionDown },
        { "up, low, keyboard: cut to fit", { 380, 600 }, UIPopoverArrowDirectionUp, UIPopoverArrowDirectionUp, true,
          UIInterfaceOrientationPortrait, upright - 600 - 35 },
        { "any, low, keyboard: above the anchor", { 380, 600 }, UIPopoverArrowDirectionAny, UIPopoverArrowDirectionDown, true },
        { "left, under the keyboard: pointed at from above it", { 200, 900 }, UIPopoverArrowDirectionLeft,
          UIPopoverArrowDirectionLeft, true },
        { "landscape, up, keyboard: cut to fit", { 900, 200 }, UIPopoverArrowDirectionUp, UIPopoverArrowDirectionUp, true,
          UIInterfaceOrientationLandscapeRight, turned - 200 - 35 },
    };
    auto field = std::make_shared<UITextField>(CGRectMake(0, 0, 100, 30));
    window->addSubview(field);
    UIApplication& app = UIApplication::sharedApplication();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        app.setStatusBarOrientation(c.orientation);
        const bool turnedScreen = UIInterfaceOrientationIsLandscape(c.orientation);
        // Screen rectangles as seen upright in the interface.
        auto size = [&](CGRect r) { return turnedScreen ? CGSizeMake(r.size.height, r.size.width) : r.size; };
        const CGPoint at = UIModalChrome::screenPointFromInterface(c.at);
        popover->presentPopoverFromRectInView(CGRectMake(at.x, at.y, 0, 0), window.get(), c.directions, false);
        if (c.keyboard) {
            ASSERT_TRUE(field->becomeFirstResponder());
            ASSERT_TRUE(app.isKeyboardVisible());
        }
        EXPECT_EQ(popover->popoverArrowDirection(), c.expected);
        const CGRect panel = popover->panelScreenFrame();
        const bool vertical = c.expected <= 2;
        EXPECT_EQ(size(panel), CGSizeMake(250 + 16 + (vertical ? 0 : 19), c.shownHeight + 16 + (vertical ? 19 : 0)));
        if (!turnedScreen) {
            const CGFloat tipX = c.expected == UIPopoverArrowDirectionLeft ? CGRectGetMinX(panel) : at.x;
            EXPECT_NEAR(tipX, c.expected == UIPopoverArrowDirectionLeft ? at.x : CGRectGetMidX(panel), 1);
        }
        if (c.keyboard) {
            EXPECT_TRUE(CGRectIsEmpty(CGRectIntersection(panel, app.keyboardFrame()))) << "the panel ends above the keyboard";
            if (c.shownHeight < 272 && !turnedScreen) {
                const UIApplication::Hit below = app.hitTestScreenPoint(CGPointMake(CGRectGetMidX(panel), CGRectGetMaxY(panel) + 4));
                EXPECT_TRUE(below.view && !below.view->isDescendantOfView(content->view().get())) << "the cut-off content takes no touch";
            }
            field->resignFirstResponder();
            EXPECT_EQ(size(popover->panelScreenFrame()).height - (popover->popoverArrowDirection() <= 2 ? 19 : 0), 272 + 16)
                << "the whole content once the keyboard goes";
        }
        popover->dismissPopoverAnimated(false);
    }
    app.setStatusBarOrientation(UIInterfaceOrientationPortrait);
}

TEST_F(Popovers, Snapshots)
{
    for (const char* device : { "ipad", "iphone" }) {
        SCOPED_TRACE(device);
        useDevice(device);
        window->setFrame(UIScreen::mainScreen().bounds());
        popover->setPopoverContentSize({ 207, 40 });
        popover->presentPopoverFromRectInView(CGRectMake(40, 120, 1, 1), window.get(), UIPopoverArrowDirectionLeft, false);
        ASSERT_TRUE(UIRenderer::writeScreenPNG(snapshotPath(std::string("popover-") + device)));
        const CGImageRef shot = UIRenderer::snapshotScreen();
        const CGRect panel = popover->panelScreenFrame();
        const Pixel contentPixel = pixelAt(shot, { CGRectGetMidX(panel) + 9, CGRectGetMidY(panel) });
        const Pixel border = pixelAt(shot, { CGRectGetMaxX(panel) - 4, CGRectGetMidY(panel) });
        const Pixel arrow = pixelAt(shot, { CGRectGetMinX(panel) + 6, CGRectGetMidY(panel) });
        EXPECT_EQ(contentPixel.r, 255) << "the white content";
        EXPECT_LT(border.r, 60) << "the dark border";
        EXPECT_LT(arrow.r, 80) << "the arrow at the tip's height";
        popover->dismissPopoverAnimated(false);
    }
}
