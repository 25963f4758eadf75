#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Foundation/NSClock.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIMenuController.h"
#include "Platform/UIKit/UIPasteboard.h"
#include "Platform/UIKit/UIResponder.h"
#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIWindow.h"

// Every UIKit test starts from a fresh application on an iPad in portrait, with the run loop's
// clock moved by hand and no touches, windows, menu, first responder or pasteboard text left over.
class UIKitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAll();
        RunLoop::main().bindToCurrentThread();
        clock_ = std::make_shared<ManualClock>(1000.0);
        RunLoop::main().setClock(clock_);
    }

    void TearDown() override { resetAll(); }

    static void resetAll()
    {
        UIGestureRecognizer::resetAllForTesting();
        UIResponder::resetFirstResponderForTesting();
        UIApplication::sharedApplication().resetForTesting();
        UIMenuController::sharedMenuController().resetForTesting();
        UIPasteboard::generalPasteboard().resetForTesting();
        UIDevice::currentDevice().setProfile(*UIDevice::profileNamed("ipad"));
        RunLoop::main().resetForTesting();
    }

    double now() const { return clock_->now(); }
    // Moves the clock, firing due timers in order.
    void advance(double seconds) { RunLoop::main().advance(seconds); }
    void turn() { RunLoop::main().runOnce(); }

    // A visible key window covering the screen.
    std::shared_ptr<UIWindow> makeWindow(CGRect frame = CGRectMake(0, 0, 768, 1024))
    {
        auto window = std::make_shared<UIWindow>(frame);
        window->makeKeyAndVisible();
        return window;
    }

    // One finger, in screen points, at the clock's time.
    void down(CGPoint p, int finger = 0) { UIApplication::sharedApplication().injectTouch(UITouchPhaseBegan, p, now(), finger); }
    void move(CGPoint p, int finger = 0) { UIApplication::sharedApplication().injectTouch(UITouchPhaseMoved, p, now(), finger); }
    void up(CGPoint p, int finger = 0) { UIApplication::sharedApplication().injectTouch(UITouchPhaseEnded, p, now(), finger); }
    void tap(CGPoint p)
    {
        down(p);
        advance(0.05);
        up(p);
    }
    // A straight drag in `steps` moves over `seconds`.
    void drag(CGPoint from, CGPoint to, double seconds, int steps = 10)
    {
        down(from);
        for (int i = 1; i <= steps; ++i) {
            advance(seconds / steps);
            const double t = double(i) / steps;
            move({ from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t });
        }
        up(to);
    }

    std::shared_ptr<ManualClock> clock_;
};

// The states a recognizer's action saw, in order.
struct StateLog {
    std::vector<int> states;
    UIGestureRecognizer::Action action()
    {
        return [this](UIGestureRecognizer& recognizer) { states.push_back(recognizer.state()); };
    }
    int count(int state) const { return int(std::count(states.begin(), states.end(), state)); }
};

// A view that counts what happens to it.
class CountingView : public UIView {
public:
    using UIView::UIView;
    void layoutSubviews() override { ++layouts; }
    void didMoveToSuperview() override { ++superviewMoves; }
    void touchesBegan(const UITouchSet&, UIEvent*) override { ++began; }
    void touchesEnded(const UITouchSet&, UIEvent*) override { ++ended; }
    void touchesCancelled(const UITouchSet&, UIEvent*) override { ++cancelled; }
    int layouts { 0 };
    int superviewMoves { 0 };
    int began { 0 };
    int ended { 0 };
    int cancelled { 0 };
};

// Views print by address in failures.
inline void PrintTo(const UIViewRef& view, std::ostream* os)
{
    *os << "view@" << static_cast<const void*>(view.get());
}
inline void PrintTo(const std::shared_ptr<UIWindow>& view, std::ostream* os)
{
    *os << "window@" << static_cast<const void*>(view.get());
}
