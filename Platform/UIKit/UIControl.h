#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Platform/UIKit/UIView.h"

class UIClassRegistry;

enum UIControlEvents : unsigned {
    UIControlEventTouchDown = 1u << 0,
    UIControlEventTouchDownRepeat = 1u << 1,
    UIControlEventTouchDragInside = 1u << 2,
    UIControlEventTouchDragOutside = 1u << 3,
    UIControlEventTouchDragEnter = 1u << 4,
    UIControlEventTouchDragExit = 1u << 5,
    UIControlEventTouchUpInside = 1u << 6,
    UIControlEventTouchUpOutside = 1u << 7,
    UIControlEventTouchCancel = 1u << 8,
    UIControlEventValueChanged = 1u << 12,
    UIControlEventEditingDidBegin = 1u << 16,
    UIControlEventEditingChanged = 1u << 17,
    UIControlEventEditingDidEnd = 1u << 18,
    UIControlEventEditingDidEndOnExit = 1u << 19,
    UIControlEventAllTouchEvents = 0x00000FFFu,
    UIControlEventAllEditingEvents = 0x000F0000u,
    UIControlEventAllEvents = 0xFFFFFFFFu,
};

// The state a control shows: normal is no bit; the others combine.
enum UIControlState : unsigned {
    UIControlStateNormal = 0,
    UIControlStateHighlighted = 1u << 0,
    UIControlStateDisabled = 1u << 1,
    UIControlStateSelected = 1u << 2,
};

// A view that turns touches into action messages: targets and their selectors by control event,
// sent in the order they were added. A touch down highlights the control and sends TouchDown;
// dragging sends the drag events, highlighting only while the finger is inside (the bounds
// grown by kTrackingMargin, as a finger is wider than a pointer); lifting sends TouchUpInside or
// TouchUpOutside. A disabled control tracks nothing and hands touches on. Targets are held
// weakly: one that has gone receives nothing. A null target sends the action along the
// responder chain from the first responder. Main thread only.
class UIControl : public UIView {
public:
    static constexpr CGFloat kTrackingMargin = 70;

    explicit UIControl(CGRect frame = CGRectZero);

    // Targets and actions. A selector ending in ":" takes the control as sender. An empty target
    // ({}) sends the action along the responder chain.
    void addTarget(std::weak_ptr<UIResponder> target, const SEL& action, unsigned controlEvents);
    // Removes the pairs of the target (null: every target) for the events; an empty action
    // removes all of its actions.
    void removeTarget(const UIResponder* target, const SEL& action, unsigned controlEvents);
    // The actions of the target (null target: nil-targeted ones) for one event, in order.
    [[nodiscard]] std::vector<SEL> actionsForTarget(const UIResponder* target, UIControlEvents controlEvent) const;
    [[nodiscard]] unsigned allControlEvents() const;
    // Sends the actions of every pair registered for any of the events, in order of addition.
    void sendActionsForControlEvents(unsigned controlEvents);
    // Sends one action; the target answers it through its interface connections when it declares
    // them, else through the responder protocol (performAction).
    virtual void sendAction(const SEL& action, UIResponder* target);

    // State.
    [[nodiscard]] bool isEnabled() const { return enabled_; }
    virtual void setEnabled(bool enabled);
    [[nodiscard]] bool isSelected() const { return selected_; }
    virtual void setSelected(bool selected);
    [[nodiscard]] bool isHighlighted() const { return highlighted_; }
    virtual void setHighlighted(bool highlighted);
    [[nodiscard]] unsigned state() const;
    [[nodiscard]] bool isTracking() const { return tracking_; }
    [[nodiscard]] bool isTouchInside() const { return touchInside_; }

    // Tracking, for subclasses; beginTracking answering false ends the tracking at once.
    virtual bool beginTrackingWithTouch(UITouch& touch, UIEvent* event) { return true; }
    virtual bool continueTrackingWithTouch(UITouch& touch, UIEvent* event) { return true; }
    virtual void endTrackingWithTouch(UITouch* touch, UIEvent* event) { }
    virtual void cancelTrackingWithEvent(UIEvent* event) { }

    void touchesBegan(const UITouchSet& touches, UIEvent* event) override;
    void touchesMoved(const UITouchSet& touches, UIEvent* event) override;
    void touchesEnded(const UITouchSet& touches, UIEvent* event) override;
    void touchesCancelled(const UITouchSet& touches, UIEvent* event) override;

    // An interface file's event names ("touchUpInside", "valueChanged", ...); throws
    // std::invalid_argument naming an unknown one.
    [[nodiscard]] static UIControlEvents controlEventNamed(const std::string& name);
    // "UIControl" with enabled, selected, highlighted and its action connector.
    static void registerInterfaceClass(UIClassRegistry& registry);

protected:
    // A state change to show: redraws by default.
    virtual void stateDidChange();

private:
    struct TargetAction {
        std::weak_ptr<UIResponder> target;
        bool nilTargeted { false };
        SEL action;
        unsigned events { 0 };
    };
    [[nodiscard]] bool isInsideForTracking(CGPoint point) const;

    std::vector<TargetAction> targetActions_;
    bool enabled_ { true };
    bool selected_ { false };
    bool highlighted_ { false };
    bool tracking_ { false };
    bool touchInside_ { false };
};
