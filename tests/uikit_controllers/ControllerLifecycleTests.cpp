#include <gmock/gmock.h>

#include <filesystem>

#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIRenderer.h"
#include "tests/uikit_controllers/ControllerTestSupport.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class PresentationTest : public ControllerTest { };

TEST_F(PresentationTest, FormSheetOnThePadIsCentredOverADimmedScreenThatStaysVisible)
{
    auto start = screen("Start");
    showStack(start);
    take();
    auto form = screen("Form");
    form->setModalPresentationStyle(UIModalPresentationFormSheet);
    start->presentModalViewControllerAnimated(form, true);
    EXPECT_THAT(take(), ElementsAre("Form load", "Form willAppear"));
    EXPECT_EQ(form->presentingViewController(), start.get());
    advance(0.5);
    turn();
    EXPECT_THAT(take(), ElementsAre("Form didAppear"));
    EXPECT_EQ(CGRectMake(114, 202, 540, 620), form->view()->frame());
    EXPECT_TRUE(start->isViewVisible());

    // Dismissed through its presenter, from the form's own handler.
    form->presentingViewController()->dismissModalViewControllerAnimated(true);
    form->dismissModalViewControllerAnimated(true); // a second tap while it slides away
    std::weak_ptr<LoggingController> gone = form;
    form.reset();
    EXPECT_THAT(take(), ElementsAre("Form willDisappear"));
    advance(0.5);
    for (int i = 0; i < 3; ++i) {
        turn();
    }
    EXPECT_THAT(take(), ElementsAre("Form didDisappear", "Form dealloc"));
    EXPECT_TRUE(gone.expired());
    EXPECT_EQ(window->subviews().size(), 1u) << "sheet and dimming view gone";
}

TEST_F(PresentationTest, OnThePhoneEverySheetIsFullScreenAndCoversThePresenter)
{
    UIDevice::currentDevice().setProfile(*UIDevice::profileNamed("iphone"));
    auto start = screen("Start");
    showStack(start);
    take();
    auto form = screen("Form");
    form->setModalPresentationStyle(UIModalPresentationFormSheet);
    start->presentModalViewControllerAnimated(form, false);
    EXPECT_THAT(take(),
        ElementsAre(
            "Form load", "Form willAppear", "Start willDisappear", "Start didDisappear", "Form didAppear"));
    EXPECT_EQ(CGRectMake(0, 20, 320, 460), form->view()->frame());
    EXPECT_FALSE(start->isViewVisible());
    // Dismissing from the presented controller itself.
    form->dismissModalViewControllerAnimated(false);
    EXPECT_THAT(take(),
        ElementsAre("Start willAppear", "Form willDisappear", "Form didDisappear", "Start didAppear"));
    EXPECT_TRUE(start->isViewVisible());
    EXPECT_EQ(start->presentedViewController(), nullptr);
}

TEST_F(PresentationTest, FormSheetSnapshotShowsSheetOverDimmedScreen)
{
    auto start = screen("Start");
    showStack(start);
    start->view()->setBackgroundColor(UIColor::whiteColor());
    auto form = screen("Form");
    form->setModalPresentationStyle(UIModalPresentationFormSheet);
    start->presentModalViewControllerAnimated(form, false);
    form->view()->setBackgroundColor(UIColor::colorWithRed(0.30, 0.67, 0.12, 1));
    // Beside the test program, for people to look at.
    const std::string path = (std::filesystem::read_symlink("/proc/self/exe").parent_path()
        / "uikit_controllers-png" / "form-sheet-ipad.png")
                                 .string();
    ASSERT_TRUE(UIRenderer::writeScreenPNG(path));
    CGImageRef shot = UIRenderer::snapshotScreen();
    ASSERT_TRUE(shot);
    // Inside the sheet: its green; around it: the white screen dimmed to grey; on top: the bar.
    const auto sheet = shot->pixelAt(384, 512);
    EXPECT_NEAR(sheet.green, 171, 3);
    EXPECT_NEAR(sheet.red, 77, 3);
    const auto dimmed = shot->pixelAt(50, 512);
    EXPECT_NEAR(dimmed.red, 153, 3);
    EXPECT_EQ(dimmed.red, dimmed.blue);
    EXPECT_EQ(shot->pixelAt(384, 5).red, 0);

    // Turned to landscape, the sheet stays centred upright on the wider screen.
    ASSERT_TRUE(UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientationLandscapeLeft));
    const std::string turned
        = (std::filesystem::path(path).parent_path() / "form-sheet-ipad-landscape.png").string();
    ASSERT_TRUE(UIRenderer::writeScreenPNG(turned));
    CGImageRef landscape = UIRenderer::snapshotScreen();
    ASSERT_EQ(landscape->width(), 1024u);
    EXPECT_NEAR(landscape->pixelAt(512 - 260, 384 + 300).green, 171, 3)
        << "inside, near the sheet's lower left corner";
    EXPECT_NEAR(landscape->pixelAt(512 - 280, 384).red, 153, 3) << "just left of the sheet";
    EXPECT_NEAR(landscape->pixelAt(512, 384 + 320).red, 153, 3) << "just below the sheet";
}

struct RotationCase {
    const char* name;
    const char* device;
    unsigned mask; // supportedInterfaceOrientations
    unsigned oldMask; // shouldAutorotateToInterfaceOrientation
    bool autorotates;
    UIInterfaceOrientation target;
    bool turns;
};

class RotationTest : public ControllerTest, public ::testing::WithParamInterface<RotationCase> { };

TEST_P(RotationTest, ControllerAnswersDecide)
{
    const RotationCase& c = GetParam();
    UIDevice::currentDevice().setProfile(*UIDevice::profileNamed(c.device));
    auto a = screen("A");
    a->mask = c.mask;
    a->oldMask = c.oldMask;
    a->autorotates = c.autorotates;
    showRoot(a);
    take();
    EXPECT_EQ(UIViewControllerAttemptRotationToOrientation(c.target), c.turns);
    EXPECT_EQ(UIApplication::sharedApplication().statusBarOrientation(),
        c.turns ? c.target : UIInterfaceOrientationPortrait);
    EXPECT_EQ(a->interfaceOrientation(), c.turns ? c.target : UIInterfaceOrientationPortrait);
    if (!c.turns) {
        EXPECT_THAT(take(), IsEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Masks, RotationTest,
    ::testing::Values(RotationCase { "PadAll", "ipad", UIInterfaceOrientationMaskAll,
                          UIInterfaceOrientationMaskAll, true, UIInterfaceOrientationLandscapeLeft, true },
        RotationCase { "PadNoAutorotate", "ipad", UIInterfaceOrientationMaskAll,
            UIInterfaceOrientationMaskAll, false, UIInterfaceOrientationLandscapeLeft, false },
        RotationCase { "PhonePortraitMask", "iphone", UIInterfaceOrientationMaskPortrait,
            UIInterfaceOrientationMaskAll, true, UIInterfaceOrientationLandscapeRight, false },
        // Portrait and upside down answered YES by the old question, but only portrait in the mask.
        RotationCase { "PhoneUpsideDownRefusedByMask", "iphone", UIInterfaceOrientationMaskPortrait,
            UIInterfaceOrientationMaskPortrait | UIInterfaceOrientationMaskPortraitUpsideDown, true,
            UIInterfaceOrientationPortraitUpsideDown, false },
        RotationCase { "OldQuestionRefuses", "ipad", UIInterfaceOrientationMaskAll,
            UIInterfaceOrientationMaskPortrait, true, UIInterfaceOrientationLandscapeRight, false },
        RotationCase { "UpsideDownAllowed", "ipad", UIInterfaceOrientationMaskAll,
            UIInterfaceOrientationMaskAll, true, UIInterfaceOrientationPortraitUpsideDown, true }),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(ControllerTest, RotationTellsEveryVisibleScreenInOrder)
{
    auto start = screen("Start");
    showStack(start);
    auto form = screen("Form");
    form->setModalPresentationStyle(UIModalPresentationFormSheet);
    start->presentModalViewControllerAnimated(form, false);
    take();
    ASSERT_TRUE(UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientationLandscapeRight));
    // The presenting screen stays visible under the form sheet, so it rotates too.
    EXPECT_THAT(take(),
        ElementsAre("Start willRotate 3 from 1", "Form willRotate 3 from 1",
            "Start willAnimate 3 at 3 width 1024", "Form willAnimate 3 at 3 width 540",
            "Start didRotate from 1", "Form didRotate from 1"));
    // The sheet is centred in the landscape interface: in screen points its box turns too.
    EXPECT_EQ(CGRectMake(74, 242, 620, 540), form->view()->frame());
}

TEST_F(ControllerTest, AppMaskRefusesWhatControllersAllow)
{
    struct PortraitOnlyApp : UIApplicationDelegate {
        unsigned applicationSupportedInterfaceOrientationsForWindow(UIApplication&, UIWindow*) override
        {
            return UIInterfaceOrientationMaskPortrait;
        }
    };
    UIApplication::sharedApplication().setDelegate(std::make_shared<PortraitOnlyApp>());
    showStack(screen("A"));
    EXPECT_FALSE(UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientationLandscapeLeft));
}

TEST_F(ControllerTest, CoveredScreenIsBroughtUpToDateBeforeItAppearsAgain)
{
    auto a = screen("A");
    auto navigation = showStack(a);
    navigation->pushViewControllerAnimated(screen("B"), false);
    ASSERT_TRUE(UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientationLandscapeLeft));
    take();
    EXPECT_EQ(a->interfaceOrientation(), UIInterfaceOrientationPortrait) << "a covered screen hears nothing";
    struct Seen {
        UIInterfaceOrientation orientation;
        CGFloat width;
    } seen {};
    navigation->popViewControllerAnimated(false);
    seen = { a->interfaceOrientation(), a->view()->bounds().size.width };
    EXPECT_EQ(seen.orientation, UIInterfaceOrientationLandscapeLeft);
    EXPECT_EQ(seen.width, 1024);
}

TEST_F(ControllerTest, DeviceTurnGoesThroughTheControllers)
{
    auto a = screen("A");
    a->mask = UIInterfaceOrientationMaskPortrait;
    showRoot(a);
    UIDevice::currentDevice().setOrientation(UIDeviceOrientationLandscapeLeft);
    EXPECT_EQ(UIApplication::sharedApplication().statusBarOrientation(), UIInterfaceOrientationPortrait);
    a->mask = UIInterfaceOrientationMaskAll;
    UIDevice::currentDevice().setOrientation(UIDeviceOrientationPortrait);
    UIDevice::currentDevice().setOrientation(UIDeviceOrientationLandscapeLeft);
    // Device left is interface right.
    EXPECT_EQ(
        UIApplication::sharedApplication().statusBarOrientation(), UIInterfaceOrientationLandscapeRight);
}

TEST_F(ControllerTest, AScreenPushedWhileTheDeviceIsTurnedComesUpTurnedWhereItCan)
{
    auto upright = screen("Folder");
    upright->mask = UIInterfaceOrientationMaskPortrait;
    upright->oldMask = UIInterfaceOrientationMaskPortrait;
    auto navigation = showStack(upright);
    UIDevice::currentDevice().setOrientation(UIDeviceOrientationPortrait);
    UIDevice::currentDevice().setOrientation(UIDeviceOrientationLandscapeLeft);
    ASSERT_EQ(UIApplication::sharedApplication().statusBarOrientation(), UIInterfaceOrientationPortrait);
    auto turning = screen("Editor");
    navigation->pushViewControllerAnimated(turning, false);
    advance(0.5);
    EXPECT_EQ(turning->interfaceOrientation(), UIInterfaceOrientationLandscapeRight);
    navigation->popViewControllerAnimated(false);
    advance(0.5);
    EXPECT_EQ(upright->interfaceOrientation(), UIInterfaceOrientationPortrait) << "back upright under a turned device";
    navigation->pushViewControllerAnimated(turning, false);
    advance(0.5);
    EXPECT_EQ(turning->interfaceOrientation(), UIInterfaceOrientationLandscapeRight) << "and turned again";
}

} // namespace
