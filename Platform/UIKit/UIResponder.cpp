#include "Platform/UIKit/UIResponder.h"

#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UITextInput.h"
#include "Platform/UIKit/UITextInputSystem.h"

namespace {

// The first responder. Only the main thread touches it.
std::weak_ptr<UIResponder>& firstResponder()
{
    static std::weak_ptr<UIResponder> responder;
    return responder;
}

// True while becomeFirstResponder takes the role from the previous responder: the keyboard and
// the menu then hear only the final change, so a hand-over between two text inputs does not
// hide and show the keyboard.
bool handingOver = false;

bool isSame(const std::weak_ptr<UIResponder>& weak, const UIResponder* responder)
{
    const auto locked = weak.lock();
    return locked && locked.get() == responder;
}

} // namespace

UIResponder::~UIResponder() = default;

std::shared_ptr<UIResponder> UIResponder::currentFirstResponder()
{
    return firstResponder().lock();
}

bool UIResponder::isFirstResponder() const
{
    return isSame(firstResponder(), this);
}

bool UIResponder::becomeFirstResponder()
{
    if (isFirstResponder()) {
        return true;
    }
    if (!canBecomeFirstResponder()) {
        return false;
    }
    std::weak_ptr<UIResponder> self = weak_from_this();
    if (self.expired()) {
        // Only shared responders can be held as the first responder.
        return false;
    }
    if (auto current = currentFirstResponder()) {
        if (!current->canResignFirstResponder()) {
            return false;
        }
        handingOver = true;
        const bool resigned = current->resignFirstResponder();
        handingOver = false;
        if (!resigned) {
            return false;
        }
        if (current->isFirstResponder()) {
            return false;
        }
    }
    firstResponder() = self;
    if (auto* input = dynamic_cast<UITextInput*>(this)) {
        input->setInputDelegate(&UITextInputSystem::shared());
    }
    UIApplication::sharedApplication().firstResponderDidChange(this);
    return true;
}

bool UIResponder::resignFirstResponder()
{
    if (isFirstResponder()) {
        firstResponder().reset();
        // The input system speaks only to the text input it serves.
        if (auto* input = dynamic_cast<UITextInput*>(this); input && input->inputDelegate() == &UITextInputSystem::shared()) {
            input->setInputDelegate(nullptr);
        }
        if (!handingOver) {
            UIApplication::sharedApplication().firstResponderDidChange(nullptr);
        }
    }
    return true;
}

bool UIResponder::canPerformAction(const SEL& action, const void* sender)
{
    if (respondsToAction(action)) {
        return true;
    }
    UIResponder* next = nextResponder();
    return next != nullptr && next->canPerformAction(action, sender);
}

void UIResponder::touchesBegan(const UITouchSet& touches, UIEvent* event)
{
    if (UIResponder* next = nextResponder()) {
        next->touchesBegan(touches, event);
    }
}

void UIResponder::touchesMoved(const UITouchSet& touches, UIEvent* event)
{
    if (UIResponder* next = nextResponder()) {
        next->touchesMoved(touches, event);
    }
}

void UIResponder::touchesEnded(const UITouchSet& touches, UIEvent* event)
{
    if (UIResponder* next = nextResponder()) {
        next->touchesEnded(touches, event);
    }
}

void UIResponder::touchesCancelled(const UITouchSet& touches, UIEvent* event)
{
    if (UIResponder* next = nextResponder()) {
        next->touchesCancelled(touches, event);
    }
}

void UIResponder::resetFirstResponderForTesting()
{
    firstResponder().reset();
}
