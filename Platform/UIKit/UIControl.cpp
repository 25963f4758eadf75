#include "Platform/UIKit/UIControl.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIInterfaceOwner.h"
#include "Platform/UIKit/UITouch.h"

UIControl::UIControl(CGRect frame) : UIView(frame) { }

// ---- Targets and actions ----------------------------------------------------------------------

void UIControl::addTarget(std::weak_ptr<UIResponder> target, const SEL& action, unsigned controlEvents)
{
    if (action.empty() || controlEvents == 0) {
        return;
    }
    // A pointer that never pointed anywhere (not one whose target has gone) asks for the
    // responder chain: it shares ownership with no object, as an empty pointer does.
    const std::weak_ptr<UIResponder> none;
    const bool nilTargeted = !target.owner_before(none) && !none.owner_before(target);
    const UIResponder* wanted = target.lock().get();
    for (auto& pair : targetActions_) {
        // The same pair again only adds events, keeping its place in the order.
        if (pair.action == action && pair.nilTargeted == nilTargeted && pair.target.lock().get() == wanted) {
            pair.events |= controlEvents;
            return;
        }
    }
    targetActions_.push_back(TargetAction { std::move(target), nilTargeted, action, controlEvents });
}

void UIControl::removeTarget(const UIResponder* target, const SEL& action, unsigned controlEvents)
{
    for (auto& pair : targetActions_) {
        if ((target == nullptr || pair.target.lock().get() == target) && (action.empty() || pair.action == action)) {
            pair.events &= ~controlEvents;
        }
    }
    std::erase_if(targetActions_, [](const TargetAction& pair) { return pair.events == 0; });
}

std::vector<SEL> UIControl::actionsForTarget(const UIResponder* target, UIControlEvents controlEvent) const
{
    std::vector<SEL> actions;
    for (const auto& pair : targetActions_) {
        const bool matches = target == nullptr ? pair.nilTargeted : pair.target.lock().get() == target;
        if (matches && (pair.events & controlEvent) != 0) {
            actions.push_back(pair.action);
        }
    }
    return actions;
}

unsigned UIControl::allControlEvents() const
{
    unsigned events = 0;
    for (const auto& pair : targetActions_) {
        events |= pair.events;
    }
    return events;
}

void UIControl::sendActionsForControlEvents(unsigned controlEvents)
{
    // The control stays alive while its actions run, though one of them may remove it; the list
    // is copied, so actions may add or remove targets.
    const auto keep = weak_from_this().lock();
    const auto pairs = targetActions_;
    for (const auto& pair : pairs) {
        if ((pair.events & controlEvents) == 0) {
            continue;
        }
        if (pair.nilTargeted) {
            sendAction(pair.action, nullptr);
        } else if (const auto target = pair.target.lock()) {
            sendAction(pair.action, target.get());
        }
    }
}

void UIControl::sendAction(const SEL& action, UIResponder* target)
{
    if (auto* owner = dynamic_cast<UIInterfaceOwner*>(target)) {
        if (const UIConnectionTable::Action* handler = owner->connections().actionNamed(action)) {
            (*handler)(this);
            return;
        }
    }
    UIApplication::sharedApplication().sendAction(action, target, static_cast<const UIResponder*>(this));
}

// ---- State ------------------------------------------------------------------------------------

void UIControl::setEnabled(bool enabled)
{
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    if (!enabled) {
        highlighted_ = false;
        tracking_ = false;
    }
    stateDidChange();
}

void UIControl::setSelected(bool selected)
{
    if (selected != selected_) {
        selected_ = selected;
        stateDidChange();
    }
}

void UIControl::setHighlighted(bool highlighted)
{
    if (highlighted != highlighted_) {
        highlighted_ = highlighted;
        stateDidChange();
    }
}

unsigned UIControl::state() const
{
    unsigned state = UIControlStateNormal;
    if (highlighted_) {
        state |= UIControlStateHighlighted;
    }
    if (!enabled_) {
        state |= UIControlStateDisabled;
    }
    if (selected_) {
        state |= UIControlStateSelected;
    }
    return state;
}

void UIControl::stateDidChange()
{
    setNeedsDisplay();
}

// ---- Tracking ---------------------------------------------------------------------------------

bool UIControl::isInsideForTracking(CGPoint point) const
{
    return CGRectContainsPoint(CGRectInset(bounds(), -kTrackingMargin, -kTrackingMargin), point);
}

void UIControl::touchesBegan(const UITouchSet& touches, UIEvent* event)
{
    if (!enabled_ || touches.empty()) {
        UIView::touchesBegan(touches, event);
        return;
    }
    const auto keep = weak_from_this().lock();
    UITouch& touch = *touches.front();
    tracking_ = true;
    touchInside_ = true;
    setHighlighted(true);
    if (!beginTrackingWithTouch(touch, event)) {
        tracking_ = false;
    }
    sendActionsForControlEvents(touch.tapCount() > 1 ? UIControlEventTouchDown | UIControlEventTouchDownRepeat
                                                     : UIControlEventTouchDown);
}

void UIControl::touchesMoved(const UITouchSet& touches, UIEvent* event)
{
    if (!enabled_ || !tracking_ || touches.empty()) {
        if (!enabled_) {
            UIView::touchesMoved(touches, event);
        }
        return;
    }
    const auto keep = weak_from_this().lock();
    UITouch& touch = *touches.front();
    const bool wasInside = touchInside_;
    touchInside_ = isInsideForTracking(touch.locationInView(this));
    setHighlighted(touchInside_);
    if (!continueTrackingWithTouch(touch, event)) {
        tracking_ = false;
    }
    unsigned events = touchInside_ ? UIControlEventTouchDragInside : UIControlEventTouchDragOutside;
    if (touchInside_ != wasInside) {
        events |= touchInside_ ? UIControlEventTouchDragEnter : UIControlEventTouchDragExit;
    }
    sendActionsForControlEvents(events);
}

void UIControl::touchesEnded(const UITouchSet& touches, UIEvent* event)
{
    if (!enabled_ || touches.empty()) {
        UIView::touchesEnded(touches, event);
        return;
    }
    const auto keep = weak_from_this().lock();
    UITouch& touch = *touches.front();
    touchInside_ = isInsideForTracking(touch.locationInView(this));
    const bool wasTracking = tracking_;
    tracking_ = false;
    setHighlighted(false);
    if (wasTracking) {
        endTrackingWithTouch(&touch, event);
    }
    sendActionsForControlEvents(touchInside_ ? UIControlEventTouchUpInside : UIControlEventTouchUpOutside);
    touchInside_ = false;
}

void UIControl::touchesCancelled(const UITouchSet& touches, UIEvent* event)
{
    if (!enabled_) {
        UIView::touchesCancelled(touches, event);
        return;
    }
    const auto keep = weak_from_this().lock();
    const bool wasTracking = tracking_;
    tracking_ = false;
    touchInside_ = false;
    setHighlighted(false);
    if (wasTracking) {
        cancelTrackingWithEvent(event);
    }
    sendActionsForControlEvents(UIControlEventTouchCancel);
}

// ---- Interface files --------------------------------------------------------------------------

UIControlEvents UIControl::controlEventNamed(const std::string& name)
{
    static const std::map<std::string, UIControlEvents> kEvents {
        { "touchDown", UIControlEventTouchDown },
        { "touchDownRepeat", UIControlEventTouchDownRepeat },
        { "touchDragInside", UIControlEventTouchDragInside },
        { "touchDragOutside", UIControlEventTouchDragOutside },
        { "touchDragEnter", UIControlEventTouchDragEnter },
        { "touchDragExit", UIControlEventTouchDragExit },
        { "touchUpInside", UIControlEventTouchUpInside },
        { "touchUpOutside", UIControlEventTouchUpOutside },
        { "touchCancel", UIControlEventTouchCancel },
        { "valueChanged", UIControlEventValueChanged },
        { "editingDidBegin", UIControlEventEditingDidBegin },
        { "editingChanged", UIControlEventEditingChanged },
        { "editingDidEnd", UIControlEventEditingDidEnd },
        { "editingDidEndOnExit", UIControlEventEditingDidEndOnExit },
    };
    const auto found = kEvents.find(name);
    if (found == kEvents.end()) {
        throw std::invalid_argument("unknown control event '" + name + "'");
    }
    return found->second;
}

void UIControl::registerInterfaceClass(UIClassRegistry& registry)
{
    using T = UIPropertyType;
    registry.registerClass("UIControl", "UIView", [] { return std::make_shared<UIControl>(); },
                           {
                               { "enabled", uiProperty<UIControl, bool>(T::Bool, [](UIControl& c, bool b) { c.setEnabled(b); }) },
                               { "selected", uiProperty<UIControl, bool>(T::Bool, [](UIControl& c, bool b) { c.setSelected(b); }) },
                               { "highlighted",
                                 uiProperty<UIControl, bool>(T::Bool, [](UIControl& c, bool b) { c.setHighlighted(b); }) },
                           });
    registry.setActionConnector("UIControl", [](UIResponder& object, const std::string& event, std::weak_ptr<UIResponder> target,
                                                const SEL& action) {
        static_cast<UIControl&>(object).addTarget(std::move(target), action, controlEventNamed(event));
    });
}
