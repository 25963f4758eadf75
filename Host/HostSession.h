#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Host/HostKey.h"
#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIApplicationDelegate.h"
#include "Platform/UIKit/UIInterfaceOrientation.h"
#include "Platform/UIKit/UITouch.h"

// What the host does to the running application, with or without a window: launching, turning
// the device, one finger of touches, typing, edit shortcuts, the life cycle, time and
// snapshots. Points are display points: the screen as it is shown, upright for the interface
// orientation (the same as screen points in portrait). No window system is known here; the
// windowed host supplies how time passes while it keeps its window alive. Main thread only.
class HostSession {
public:
    // How the session lets time pass: moves a manual clock, or waits while the window lives.
    using Waiter = std::function<void(double seconds)>;

    // A tap holds the finger down this long; a swipe covers this distance in this time.
    static constexpr double kTapHoldSeconds = 0.05;
    static constexpr CGFloat kSwipeDistance = 100;
    static constexpr double kSwipeSeconds = 0.1;
    // Moves of a drag come this often (a display frame), within these bounds.
    static constexpr double kDragStepSeconds = 1.0 / 60;
    static constexpr int kDragMinimumSteps = 2;
    static constexpr int kDragMaximumSteps = 600;

    HostSession();
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    // Hands the application its delegate, turns the interface to the orientation and launches.
    void launch(std::shared_ptr<UIApplicationDelegate> delegate, UIInterfaceOrientation orientation);

    // Time. wait lets the seconds pass (timers and animations run); turn runs the main run loop
    // once (queued work, due timers, the layout pass) and then the frame hook.
    void setWaiter(Waiter waiter);
    void setFrameHook(std::function<void()> hook) { frameHook_ = std::move(hook); }
    void wait(double seconds);
    void turn();

    // Orientation: the device turns, and the interface follows when the application supports
    // the new orientation.
    [[nodiscard]] UIInterfaceOrientation orientation() const;
    void rotate(UIInterfaceOrientation orientation);
    // Portrait to landscape and back.
    void toggleRotation();
    [[nodiscard]] CGSize displaySize() const;
    [[nodiscard]] CGPoint screenPoint(CGPoint displayPoint) const;

    // One finger, in display points, at the run-loop clock's time.
    void touchDown(CGPoint point);
    void touchMove(CGPoint point);
    void touchUp(CGPoint point);
    // Lifts a finger that is down without ending its gesture (the window lost the mouse).
    void cancelTouch();
    [[nodiscard]] bool isTouching() const { return touching_; }
    void tap(CGPoint point);
    void press(CGPoint point, double seconds);
    void drag(CGPoint from, CGPoint to, double seconds);
    enum class Direction { Left, Right, Up, Down };
    void swipe(Direction direction, CGPoint from);
    void scrollWheel(CGPoint point, CGFloat dx, CGFloat dy);

    // Typing goes to the first responder when it takes key input; false when none does. Keys
    // for a responder behind a modal panel are dropped (answered true: the keyboard took them).
    [[nodiscard]] bool typeText(const std::u16string& text);
    // Input-method composition: the marked text with its selection (UTF-16 units), and its end.
    // False when the first responder takes no text input.
    bool setMarkedText(const std::u16string& text, NSRange selection);
    bool unmarkText();
    enum class KeyOutcome {
        Done,
        // Backspace, Return or Tab with no first responder taking key input.
        NoKeyInput,
        // An edit command the first responder does not accept.
        NotAccepted,
    };
    KeyOutcome pressKey(HostKey key);

    // Life cycle.
    void enterBackground();
    void enterForeground();
    void resignActive();
    // Only from inactive: an application in the background comes back through enterForeground.
    void becomeActive();
    void quit();
    [[nodiscard]] bool isTerminated() const;

    // A PNG of the whole screen as shown; false when it cannot be written.
    [[nodiscard]] bool snapshot(const std::string& path);

private:
    void inject(UITouchPhase phase, CGPoint displayPoint);

    Waiter waiter_;
    std::function<void()> frameHook_;
    bool touching_ { false };
    CGPoint lastTouch_ {};
};
