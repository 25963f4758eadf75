#include <gmock/gmock.h>

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "tests/uikit_controllers/ControllerTestSupport.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class NavigationTest : public ControllerTest { };

TEST_F(NavigationTest, RootShowsItsFirstScreenFillingTheContentArea)
{
    auto a = screen("A");
    auto navigation = showStack(a);
    EXPECT_THAT(take(), ElementsAre("A load", "A willAppear", "A didAppear"));
    EXPECT_EQ(a->navigationController(), navigation.get());
    EXPECT_TRUE(a->isViewVisible());
    // Below the 20-point status bar, in the window's coordinates.
    EXPECT_EQ(CGRectMake(0, 20, 768, 1004), navigation->view()->frame());
    EXPECT_EQ(CGRectMake(0, 0, 768, 1004), a->view()->frame());
}

TEST_F(NavigationTest, PushRunsLoadAndAppearBeforeQueuedDeliveriesAndFinishesAfterTheSlide)
{
    auto a = screen("A");
    auto navigation = showStack(a);
    take();
    auto b = screen("B");
    dispatchAsyncMain([this] { log->push_back("delivery"); });
    navigation->pushViewControllerAnimated(b, true);
    EXPECT_THAT(take(), ElementsAre("B load", "A willDisappear", "B willAppear"));
    EXPECT_EQ(navigation->topViewController(), b);
    turn();
    EXPECT_THAT(take(), ElementsAre("delivery"));
    advance(UINavigationController::kSlideDuration + 0.05);
    turn();
    EXPECT_THAT(take(), ElementsAre("A didDisappear", "B didAppear"));
    EXPECT_FALSE(a->isViewVisible());
    EXPECT_EQ(CGRectMake(0, 0, 768, 1004), b->view()->frame());
}

TEST_F(NavigationTest, ScreenPoppingItselfFromItsHandlerLivesOnUntilALaterTurn)
{
    auto navigation = showStack(screen("A"));
    std::weak_ptr<LoggingController> b;
    {
        auto pushed = screen("B");
        b = pushed;
        navigation->pushViewControllerAnimated(pushed, false);
    }
    take();
    // The handler of B pops B and keeps using itself afterwards.
    dispatchAsyncMain([&b] {
        auto self = b.lock();
        ASSERT_TRUE(self);
        self->navigationController()->popViewControllerAnimated(true);
        self->setTitle("still here");
    });
    turn();
    EXPECT_THAT(take(), ElementsAre("B willDisappear", "A willAppear"));
    EXPECT_FALSE(b.expired());
    advance(UINavigationController::kSlideDuration + 0.05);
    for (int i = 0; i < 3; ++i) {
        turn();
    }
    EXPECT_TRUE(b.expired());
    EXPECT_THAT(take(), ElementsAre("B didDisappear", "A didAppear", "B dealloc"));
    // Nothing later reaches the gone screen.
    advance(1);
    EXPECT_THAT(take(), IsEmpty());
}

TEST_F(NavigationTest, PopRightAfterPushLeavesTheRightViewOnScreen)
{
    auto a = screen("A");
    auto navigation = showStack(a);
    auto b = screen("B");
    navigation->pushViewControllerAnimated(b, true);
    navigation->popViewControllerAnimated(true);
    advance(1);
    turn();
    EXPECT_EQ(navigation->topViewController(), a);
    EXPECT_TRUE(a->isViewVisible());
    EXPECT_FALSE(b->isViewVisible());
    EXPECT_EQ(a->view()->center(), CGPointMake(384, 502));
    EXPECT_EQ(navigation->popViewControllerAnimated(false), nullptr) << "the root stays";
}

TEST_F(NavigationTest, PushBeforeTheStackIsOnScreenOnlyStacks)
{
    // As at launch: the first screen is pushed, then the stack becomes the window's root.
    auto navigation = std::make_shared<UINavigationController>();
    auto a = screen("A");
    navigation->pushViewControllerAnimated(a, true);
    EXPECT_THAT(take(), IsEmpty());
    window = makeWindow();
    window->setRootViewController(navigation);
    EXPECT_THAT(take(), ElementsAre("A load", "A willAppear", "A didAppear"));
}

TEST_F(NavigationTest, PopToRootReleasesEveryScreenAbove)
{
    auto navigation = showStack(screen("A"));
    navigation->pushViewControllerAnimated(screen("B"), false);
    navigation->pushViewControllerAnimated(screen("C"), false);
    take();
    EXPECT_EQ(navigation->popToRootViewControllerAnimated(false).size(), 2u);
    for (int i = 0; i < 3; ++i) {
        turn();
    }
    EXPECT_THAT(take(),
        ElementsAre(
            "C willDisappear", "A willAppear", "C didDisappear", "A didAppear", "B dealloc", "C dealloc"));
}

TEST_F(NavigationTest, MemoryWarningReachesEveryScreenAndUnloadsNothing)
{
    auto a = screen("A");
    auto navigation = showStack(a);
    navigation->pushViewControllerAnimated(screen("B"), false);
    take();
    UIApplicationSimulateMemoryWarning();
    EXPECT_THAT(take(), ElementsAre("A memoryWarning", "B memoryWarning"));
    EXPECT_TRUE(a->isViewLoaded());
}

// The application's own navigation controller, registered under the platform's name, is what
// interface files make.
class RotationRulesNavigation : public UINavigationController {
public:
    bool shouldAutorotate() override { return false; }
};

TEST_F(NavigationTest, ApplicationSubclassReplacesTheRegisteredClass)
{
    UIClassRegistry& registry = UIClassRegistry::shared();
    const UIClassRegistry::Factory platform = registry.classNamed("UINavigationController")->make;
    registry.registerClass("UINavigationController", "UIViewController",
        [] { return std::make_shared<RotationRulesNavigation>(); });
    auto made = registry.classNamed("UINavigationController")->make();
    EXPECT_NE(dynamic_cast<RotationRulesNavigation*>(made.get()), nullptr);
    EXPECT_TRUE(registry.isKindOf("UINavigationController", "UIViewController"));
    registry.registerClass("UINavigationController", "UIViewController", platform);
}

} // namespace

namespace {

// The platform's stack answers the older rotation question with its top screen's answer, and
// the newer ones with its own defaults, which an application's subclass replaces.
TEST_F(NavigationTest, StackAsksItsTopOnlyTheOlderRotationQuestion)
{
    auto a = screen("A");
    a->mask = UIInterfaceOrientationMaskPortrait;
    a->oldMask = UIInterfaceOrientationMaskAll & ~UIInterfaceOrientationMaskLandscapeLeft;
    showStack(a);
    EXPECT_FALSE(UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientationLandscapeLeft));
    EXPECT_TRUE(UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientationLandscapeRight))
        << "the stack's own mask";
}

} // namespace

namespace {

// A view that counts the touches that reach it.
class TouchCounter : public UIView {
public:
    using UIView::UIView;
    int touches { 0 };
    void touchesBegan(const UITouchSet&, UIEvent*) override { ++touches; }
};

} // namespace

// While a screen slides in or out (push, pop, present, dismiss) a tap reaches nothing; once the
// slide has ended, taps work again.
TEST_F(NavigationTest, TapsDuringAnySlideReachNothing)
{
    auto a = screen("A");
    auto navigation = showStack(a);
    auto counter = std::make_shared<TouchCounter>(CGRectMake(0, 0, 768, 1004));
    a->view()->addSubview(counter);
    const CGPoint middle = CGPointMake(384, 500);
    const std::vector<std::pair<const char*, std::function<void()>>> slides {
        { "push", [&] { navigation->pushViewControllerAnimated(screen("B"), true); } },
        { "pop", [&] { navigation->popViewControllerAnimated(true); } },
        { "present", [&] { a->presentViewControllerAnimated(screen("C"), true, nullptr); } },
        { "dismiss", [&] { a->dismissViewControllerAnimated(true, nullptr); } },
    };
    for (const auto& [name, slide] : slides) {
        SCOPED_TRACE(name);
        slide();
        advance(0.05);
        EXPECT_TRUE(UIApplication::sharedApplication().isIgnoringInteractionEvents());
        const int before = counter->touches;
        tap(middle);
        EXPECT_EQ(counter->touches, before);
        advance(1);
        EXPECT_FALSE(UIApplication::sharedApplication().isIgnoringInteractionEvents());
    }
    tap(middle);
    EXPECT_EQ(counter->touches, 1) << "back on A, a tap reaches it";
}
