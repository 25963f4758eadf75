#include "tests/uikit/UIKitTestSupport.h"

#include <memory>

// An animation whose completion holds its own view must not keep that view alive once the view
// leaves the window: the animation stops unfinished and lets go of the completion.
TEST_F(UIKitTest, AnimationsStopWhenTheirViewLeavesTheWindow)
{
    enum class Leave { RemovedFromWindow, MovedOutOfTheWindow, SuperviewDestroyed, MovedWithinTheWindow };
    struct Case {
        const char* name;
        Leave leave;
        bool stops;
    };
    const Case cases[] = {
        { "removed from the window", Leave::RemovedFromWindow, true },
        { "moved into a view outside any window", Leave::MovedOutOfTheWindow, true },
        { "its superview destroyed outside any window", Leave::SuperviewDestroyed, true },
        { "moved within the window", Leave::MovedWithinTheWindow, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto window = makeWindow();
        auto container = std::make_shared<UIView>(CGRectMake(0, 0, 200, 200));
        auto other = std::make_shared<UIView>(CGRectMake(0, 0, 200, 200));
        auto outside = std::make_shared<UIView>(CGRectMake(0, 0, 200, 200));
        window->addSubview(container);
        window->addSubview(other);
        auto moving = std::make_shared<UIView>(CGRectMake(0, 0, 100, 100));
        auto inner = std::make_shared<UIView>(CGRectMake(0, 0, 50, 50));
        moving->addSubview(inner);
        // A view outside any window still loses its animations when its superview goes.
        (c.leave == Leave::SuperviewDestroyed ? outside : container)->addSubview(moving);

        struct Outcome {
            int completions { 0 };
            bool finished { false };
        };
        // Shared, so a completion that outlives this case (the fault) writes nowhere stale.
        const auto outcome = std::make_shared<Outcome>();
        int& completions = outcome->completions;
        bool& finished = outcome->finished;
        // Each completion holds its view, as a screen's slide holds its controllers.
        UIView::animateWithDuration(
            1.0, [&] { moving->setAlpha(0.5); },
            [outcome, moving](bool f) {
                ++outcome->completions;
                outcome->finished = f;
            });
        UIView::animateWithDuration(
            1.0, [&] { inner->setCenter(CGPointMake(40, 40)); }, [inner](bool) {});
        const std::weak_ptr<UIView> weakMoving = moving;
        const std::weak_ptr<UIView> weakInner = inner;

        switch (c.leave) {
        case Leave::RemovedFromWindow:
            moving->removeFromSuperview();
            break;
        case Leave::MovedOutOfTheWindow:
            outside->addSubview(moving);
            break;
        case Leave::SuperviewDestroyed:
            moving.reset(); // only the completions hold them once their superview goes
            inner.reset();
            outside.reset();
            break;
        case Leave::MovedWithinTheWindow:
            other->addSubview(moving);
            break;
        }
        turn();
        if (!c.stops) {
            EXPECT_EQ(completions, 0);
            EXPECT_FALSE(moving->layer()->animationKeys().empty());
            advance(1.1);
            turn();
            EXPECT_EQ(completions, 1);
            EXPECT_TRUE(finished);
            continue;
        }
        EXPECT_EQ(completions, 1);
        EXPECT_FALSE(finished);
        if (auto held = weakMoving.lock()) {
            EXPECT_TRUE(held->layer()->animationKeys().empty());
        }
        if (auto held = weakInner.lock()) {
            EXPECT_TRUE(held->layer()->animationKeys().empty()) << "a subview's animation stops with it";
        }
        moving.reset();
        inner.reset();
        outside.reset();
        container.reset();
        EXPECT_TRUE(weakMoving.expired());
        EXPECT_TRUE(weakInner.expired());
    }
}
