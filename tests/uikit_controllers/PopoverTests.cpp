#include "tests/uikit_controllers/ModalTestSupport.h"

#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UIScreen.h"
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

TEST_F(Popovers, TheArrowPointsAtTheRectangle)
{
    struct Case {
        const char* name;
        CGRect rect;
        unsigned directions;
        UIPopoverArrowDirection expected;
    };
    const Case cases[] = {
        { "up: below the button", CGRectMake(380, 60, 1, 1), UIPopoverArrowDirectionUp, UIPopoverArrowDirectionUp },
        { "left: to the right of the row", CGRectMake(200, 500, 1, 1), UIPopoverArrowDirectionLeft, UIPopoverArrowDirectionLeft },
        { "any near the bottom: above", CGRectMake(380, 1000, 1, 1), UIPopoverArrowDirectionAny, UIPopoverArrowDirectionDown },
    };
    for (const Case& c : cases) {
        popover->presentPopoverFromRectInView(c.rect, window.get(), c.directions, false);
        EXPECT_EQ(popover->popoverArrowDirection(), c.expected) << c.name;
        const CGRect panel = popover->panelScreenFrame();
        EXPECT_EQ(panel.size, CGSizeMake(250 + 16 + (c.expected <= 2 ? 0 : 19), 272 + 16 + (c.expected <= 2 ? 19 : 0))) << c.name;
        const CGFloat tipX = c.expected == UIPopoverArrowDirectionLeft ? CGRectGetMinX(panel) : CGRectGetMidX(c.rect);
        EXPECT_NEAR(tipX, c.expected == UIPopoverArrowDirectionLeft ? CGRectGetMaxX(c.rect) : CGRectGetMidX(panel), 1) << c.name;
        popover->dismissPopoverAnimated(false);
    }
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
