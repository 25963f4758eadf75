#pragma once

#include <memory>

#include "Platform/UIKit/Forward.h"

// The standard edit commands, as the edit menu and the keyboard shortcuts send them.
inline const SEL kUIActionCut = "cut:";
inline const SEL kUIActionCopy = "copy:";
inline const SEL kUIActionPaste = "paste:";
inline const SEL kUIActionSelect = "select:";
inline const SEL kUIActionSelectAll = "selectAll:";
inline const SEL kUIActionDelete = "delete:";

// An object that takes part in event handling: the responder chain, the first responder, touch
// handling and action messages. Responders are shared objects (std::make_shared), so the first
// responder can be held weakly. Main thread only.
class UIResponder : public std::enable_shared_from_this<UIResponder> {
public:
    UIResponder() = default;
    virtual ~UIResponder();
    UIResponder(const UIResponder&) = delete;
    UIResponder& operator=(const UIResponder&) = delete;

    // The next link of the chain (a view's controller or superview); null at the end.
    [[nodiscard]] virtual UIResponder* nextResponder() const { return nullptr; }

    // First responder. becomeFirstResponder asks canBecomeFirstResponder, then asks the current
    // first responder canResignFirstResponder and sends it resignFirstResponder; it answers
    // whether this is now the first responder. resignFirstResponder gives the role up (answers
    // YES also when this was not the first responder). Overrides call the base to take effect.
    [[nodiscard]] virtual bool canBecomeFirstResponder() { return false; }
    virtual bool becomeFirstResponder();
    [[nodiscard]] virtual bool canResignFirstResponder() { return true; }
    virtual bool resignFirstResponder();
    [[nodiscard]] bool isFirstResponder() const;
    // The one first responder of the application, null for none.
    [[nodiscard]] static std::shared_ptr<UIResponder> currentFirstResponder();

    // Actions. respondsToAction names the actions this class implements; performAction runs one
    // of them (answers whether it did). canPerformAction answers, by default, YES when this
    // responder implements the action and otherwise asks the next responder.
    [[nodiscard]] virtual bool respondsToAction(const SEL& action) const { return false; }
    virtual bool performAction(const SEL& action, const void* sender) { return false; }
    [[nodiscard]] virtual bool canPerformAction(const SEL& action, const void* sender);

    // Touches; by default handed on to the next responder.
    virtual void touchesBegan(const UITouchSet& touches, UIEvent* event);
    virtual void touchesMoved(const UITouchSet& touches, UIEvent* event);
    virtual void touchesEnded(const UITouchSet& touches, UIEvent* event);
    virtual void touchesCancelled(const UITouchSet& touches, UIEvent* event);

    // Forgets the first responder without telling it (tests).
    static void resetFirstResponderForTesting();
};
