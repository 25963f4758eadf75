#include "tests/uikit/UIKitTestSupport.h"

#include <cmath>

#include "Platform/UIKit/UILongPressGestureRecognizer.h"
#include "Platform/UIKit/UIPanGestureRecognizer.h"
#include "Platform/UIKit/UISwipeGestureRecognizer.h"
#include "Platform/UIKit/UITapGestureRecognizer.h"

namespace {

constexpr CGPoint kCentre { 200, 200 };

// Answers its recognizer questions from plain flags.
class ScriptedDelegate : public UIGestureRecognizerDelegate {
public:
    bool shouldBegin { true };
    bool shouldReceive { true };
    bool simultaneous { false };
    bool gestureRecognizerShouldBegin(UIGestureRecognizer*) override { return shouldBegin; }
    bool gestureRecognizerShouldReceiveTouch(UIGestureRecognizer*, UITouch*) override { return shouldReceive; }
    bool gestureRecognizerShouldRecognizeSimultaneouslyWithGestureRecognizer(UIGestureRecognizer*, UIGestureRecognizer*) override
    {
        return simultaneous;
    }
};

} // namespace

class Gestures : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        window = makeWindow();
        view = std::make_shared<CountingView>(CGRectMake(0, 0, 400, 400));
        window->addSubview(view);
    }

    template <class Recognizer>
    std::shared_ptr<Recognizer> add(StateLog& log)
    {
        auto recognizer = std::make_shared<Recognizer>(log.action());
        view->addGestureRecognizer(recognizer);
        return recognizer;
    }

    std::shared_ptr<UIWindow> window;
    std::shared_ptr<CountingView> view;
};

TEST_F(Gestures, TapAndDoubleTapOnOneView)
{
    // As the code view sets them up: the double tap first, no failure requirement between them.
    StateLog doubleLog;
    StateLog singleLog;
    add<UITapGestureRecognizer>(doubleLog)->setNumberOfTapsRequired(2);
    add<UITapGestureRecognizer>(singleLog);

    tap(kCentre);
    advance(0.5);
    EXPECT_EQ(singleLog.states, std::vector<int> { UIGestureRecognizerStateEnded });
    EXPECT_TRUE(doubleLog.states.empty());

    // A double tap: the single tap fires on the first tap only, the double tap on the second.
    singleLog.states.clear();
    tap(kCentre);
    EXPECT_EQ(singleLog.states.size(), 1u);
    advance(0.1);
    tap({ kCentre.x + 5, kCentre.y });
    EXPECT_EQ(singleLog.states.size(), 1u);
    EXPECT_EQ(doubleLog.states, std::vector<int> { UIGestureRecognizerStateEnded });
    advance(1);

    // A second tap after the interval is two single taps.
    singleLog.states.clear();
    doubleLog.states.clear();
    tap(kCentre);
    advance(0.4);
    tap(kCentre);
    EXPECT_EQ(singleLog.states.size(), 2u);
    EXPECT_TRUE(doubleLog.states.empty());
    advance(1);

    // So is a second tap too far from the first.
    singleLog.states.clear();
    tap(kCentre);
    advance(0.1);
    tap({ kCentre.x + 100, kCentre.y });
    EXPECT_EQ(singleLog.states.size(), 2u);
    EXPECT_TRUE(doubleLog.states.empty());
}

TEST_F(Gestures, SingleTapWaitingForDoubleTapToFail)
{
    StateLog doubleLog;
    StateLog singleLog;
    auto doubleTap = add<UITapGestureRecognizer>(doubleLog);
    doubleTap->setNumberOfTapsRequired(2);
    add<UITapGestureRecognizer>(singleLog)->requireGestureRecognizerToFail(doubleTap);

    tap(kCentre);
    EXPECT_TRUE(singleLog.states.empty()) << "waits for the double tap to fail";
    advance(kUIMultiTapInterval + 0.01);
    EXPECT_EQ(singleLog.states, std::vector<int> { UIGestureRecognizerStateEnded });
    advance(1);

    singleLog.states.clear();
    tap(kCentre);
    advance(0.1);
    tap(kCentre);
    advance(1);
    EXPECT_EQ(doubleLog.states.size(), 1u);
    EXPECT_TRUE(singleLog.states.empty());
}

TEST_F(Gestures, LongPressDurations)
{
    struct Case {
        double minimum;
        double holdBeforeMove;
        CGFloat moveBy;
        std::vector<int> states;
        bool tapFires;
    };
    const Case cases[] = {
        // Held past the duration: began while still down, changed by the move, ended at lift-off.
        { 0.5, 0.6, 5, { 1, 2, 3 }, false },
        // Lifted too early: no press, a tap instead.
        { 0.5, 0.3, 0, {}, true },
        // Moved too far before the duration: no press (and no tap).
        { 0.5, 0.2, 15, {}, false },
        // Within the allowed movement before the duration: still a press.
        { 0.5, 0.2, 8, { 1, 3 }, false },
        // Duration 0: began at touch-down; the tap never gets the touch.
        { 0.0, 0.05, 0, { 1, 3 }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.minimum << " / " << c.holdBeforeMove << " / " << c.moveBy);
        StateLog pressLog;
        StateLog tapLog;
        auto press = add<UILongPressGestureRecognizer>(pressLog);
        press->setMinimumPressDuration(c.minimum);
        auto tapRecognizer = add<UITapGestureRecognizer>(tapLog);

        down(kCentre);
        if (c.minimum == 0) {
            EXPECT_EQ(pressLog.states, std::vector<int> { 1 }) << "begins at touch-down";
        }
        advance(c.holdBeforeMove);
        if (c.moveBy != 0) {
            move({ kCentre.x + c.moveBy, kCentre.y });
            if (c.holdBeforeMove < c.minimum) {
                advance(c.minimum);
            }
        }
        up({ kCentre.x + c.moveBy, kCentre.y });
        advance(1);
        EXPECT_EQ(pressLog.states, c.states);
        EXPECT_EQ(!tapLog.states.empty(), c.tapFires);
        view->removeGestureRecognizer(press.get());
        view->removeGestureRecognizer(tapRecognizer.get());
    }
}

TEST_F(Gestures, LongPressBeginsAtItsDurationWhileHeld)
{
    StateLog log;
    add<UILongPressGestureRecognizer>(log);
    down(kCentre);
    advance(0.45);
    EXPECT_TRUE(log.states.empty());
    advance(0.1);
    EXPECT_EQ(log.states, std::vector<int> { UIGestureRecognizerStateBegan });
    up(kCentre);
    EXPECT_EQ(log.states.back(), UIGestureRecognizerStateEnded);
}

TEST_F(Gestures, SwipesByDirection)
{
    StateLog right, left, up, downLog;
    add<UISwipeGestureRecognizer>(right)->setDirection(UISwipeGestureRecognizerDirectionRight);
    add<UISwipeGestureRecognizer>(left)->setDirection(UISwipeGestureRecognizerDirectionLeft);
    add<UISwipeGestureRecognizer>(up)->setDirection(UISwipeGestureRecognizerDirectionUp);
    add<UISwipeGestureRecognizer>(downLog)->setDirection(UISwipeGestureRecognizerDirectionDown);
    struct Case {
        const char* name;
        CGPoint by;
        double seconds;
        StateLog* recognized;
        double turn = 0; // the view's rotation, as the turned interface has it
    };
    const Case cases[] = {
        { "right", { 80, 0 }, 0.2, &right },
        // Turned a quarter, the view's right is the window's down, its up the window's right.
        { "right, turned", { 0, 80 }, 0.2, &right, M_PI_2 },
        { "up, turned", { 80, 0 }, 0.2, &up, M_PI_2 },
        { "right, turned back", { 0, -80 }, 0.2, &right, -M_PI_2 },
        { "left", { -80, 5 }, 0.2, &left },
        { "up", { 10, -80 }, 0.2, &up },
        { "down", { 0, 60 }, 0.2, &downLog },
        { "too slow", { 80, 0 }, 0.8, nullptr },
        { "too short", { 40, 0 }, 0.2, nullptr },
        { "diagonal", { 60, 60 }, 0.2, nullptr },
    };
    for (const Case& c : cases) {
        for (StateLog* log : { &right, &left, &up, &downLog }) {
            log->states.clear();
        }
        view->setTransform(CGAffineTransformMakeRotation(c.turn));
        drag(kCentre, { kCentre.x + c.by.x, kCentre.y + c.by.y }, c.seconds);
        advance(1);
        for (StateLog* log : { &right, &left, &up, &downLog }) {
            EXPECT_EQ(log->states.size(), log == c.recognized ? 1u : 0u) << c.name;
        }
    }
}

TEST_F(Gestures, TapFailsWhenTheFingerMovesTooFar)
{
    StateLog log;
    add<UITapGestureRecognizer>(log);
    drag(kCentre, { kCentre.x + 8, kCentre.y }, 0.1, 2);
    EXPECT_EQ(log.states.size(), 1u);
    advance(1);
    drag(kCentre, { kCentre.x + 15, kCentre.y }, 0.1, 2);
    EXPECT_EQ(log.states.size(), 1u);
}

TEST_F(Gestures, DisablingCancelsAndIgnoresTheTouchesThatAreDown)
{
    StateLog log;
    auto press = add<UILongPressGestureRecognizer>(log);
    down(kCentre);
    advance(0.6);
    press->setEnabled(false);
    EXPECT_EQ(log.states, (std::vector<int> { UIGestureRecognizerStateBegan, UIGestureRecognizerStateCancelled }));
    press->setEnabled(true);
    move({ kCentre.x + 3, kCentre.y });
    up(kCentre);
    advance(1);
    EXPECT_EQ(log.states.size(), 2u) << "the press that was cancelled stays cancelled";

    down(kCentre);
    advance(0.6);
    up(kCentre);
    EXPECT_EQ(log.states, (std::vector<int> { 1, 4, 1, 3 }));

    // A tap disabled while its finger is down does not fire, and fires again afterwards.
    StateLog tapLog;
    auto tapRecognizer = add<UITapGestureRecognizer>(tapLog);
    view->removeGestureRecognizer(press.get());
    down(kCentre);
    tapRecognizer->setEnabled(false);
    tapRecognizer->setEnabled(true);
    up(kCentre);
    EXPECT_TRUE(tapLog.states.empty());
    advance(1);
    tap(kCentre);
    EXPECT_EQ(tapLog.states.size(), 1u);
}

TEST_F(Gestures, SwitchingOffAndOnInsideTheActionCancelsAfterTheActionReturns)
{
    // The code view cancels a press on a link this way, from inside its began handler.
    std::vector<std::string> events;
    bool inside = false;
    auto press = std::make_shared<UILongPressGestureRecognizer>();
    press->addTarget([&](UIGestureRecognizer& recognizer) {
        EXPECT_FALSE(inside) << "an action never runs inside itself";
        inside = true;
        events.push_back("state " + std::to_string(recognizer.state()));
        if (recognizer.state() == UIGestureRecognizerStateBegan) {
            recognizer.setEnabled(false);
            recognizer.setEnabled(true);
            events.push_back("toggled");
        }
        inside = false;
    });
    view->addGestureRecognizer(press);
    down(kCentre);
    advance(0.6);
    up(kCentre);
    EXPECT_EQ(events, (std::vector<std::string> { "state 1", "toggled", "state 4" }));
    EXPECT_TRUE(press->isEnabled());
}

TEST_F(Gestures, DelegateDecidesBeginningTouchesAndSimultaneity)
{
    ScriptedDelegate delegate;
    StateLog pressLog;
    StateLog tapLog;
    auto press = add<UILongPressGestureRecognizer>(pressLog);
    press->setMinimumPressDuration(0);
    press->setDelegate(&delegate);
    add<UITapGestureRecognizer>(tapLog);

    delegate.shouldBegin = false;
    tap(kCentre);
    EXPECT_TRUE(pressLog.states.empty());
    EXPECT_EQ(tapLog.states.size(), 1u) << "the press that may not begin leaves the tap alone";
    advance(1);

    delegate.shouldBegin = true;
    delegate.shouldReceive = false;
    tap(kCentre);
    EXPECT_TRUE(pressLog.states.empty());
    advance(1);

    delegate.shouldReceive = true;
    tap(kCentre);
    EXPECT_EQ(pressLog.states.size(), 2u);
    EXPECT_EQ(tapLog.states.size(), 2u) << "the press took the touch from the tap";
    advance(1);

    delegate.simultaneous = true;
    tap(kCentre);
    EXPECT_EQ(pressLog.states.size(), 4u);
    EXPECT_EQ(tapLog.states.size(), 3u) << "both may recognize together";
}

TEST_F(Gestures, RecognizersOfAncestorsSeeTouchesOfSubviewsAndTakeThemFromTheView)
{
    auto child = std::make_shared<CountingView>(CGRectMake(100, 100, 100, 100));
    view->addSubview(child);
    tap({ 150, 150 });
    EXPECT_EQ(child->began, 1);
    EXPECT_EQ(child->ended, 1);
    EXPECT_EQ(view->began, 0) << "the child handles its touches";

    StateLog log;
    auto recognizer = add<UITapGestureRecognizer>(log);
    advance(1);
    tap({ 150, 150 });
    EXPECT_EQ(log.states.size(), 1u);
    EXPECT_EQ(child->began, 2);
    EXPECT_EQ(child->ended, 1);
    EXPECT_EQ(child->cancelled, 1) << "the recognized tap took the touch";

    recognizer->setCancelsTouchesInView(false);
    advance(1);
    tap({ 150, 150 });
    EXPECT_EQ(child->ended, 2);
    EXPECT_EQ(child->cancelled, 1);
}

TEST_F(Gestures, PanCountsItsFingers)
{
    StateLog log;
    auto pan = add<UIPanGestureRecognizer>(log);
    pan->setMinimumNumberOfTouches(2);
    pan->setMaximumNumberOfTouches(2);
    drag(kCentre, { kCentre.x, kCentre.y + 100 }, 0.3);
    EXPECT_TRUE(log.states.empty()) << "one finger is not enough";

    down({ 100, 100 }, 0);
    down({ 140, 100 }, 1);
    advance(0.05);
    move({ 100, 130 }, 0);
    move({ 140, 130 }, 1);
    ASSERT_FALSE(log.states.empty());
    EXPECT_EQ(log.states.front(), UIGestureRecognizerStateBegan);
    EXPECT_NEAR(pan->translationInView(view.get()).y, 30, 1e-9);
    EXPECT_NEAR(pan->translationInView(view.get()).x, 0, 1e-9);
    up({ 100, 130 }, 0);
    EXPECT_EQ(log.states.back(), UIGestureRecognizerStateEnded) << "fewer than the minimum remain";
    up({ 140, 130 }, 1);
    EXPECT_EQ(UIGestureRecognizer::participantCount(), 0u);
}
