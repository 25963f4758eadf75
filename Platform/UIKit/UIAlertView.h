#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Platform/UIKit/UIAlertViewDelegate.h"
#include "Platform/UIKit/UIWindow.h"

class UIModalBackdrop;
class UIModalButton;
class UIModalText;
class UIScrollView;

// The platform's alert: a rounded blue-grey box with a title, a message and its buttons,
// centred over a dimmed screen (above the keyboard while it shows). The alert is its own window
// at the alert level, so its coordinates are the box's and views added to it (a prompt's text
// field) can take the keyboard even before it shows. The cancel button, when there is one, is
// index 0 and the others follow in order; two buttons stand side by side, more stack with the
// cancel button last. One alert shows at a time: showing another while one is up queues it until
// the first has been dismissed. A message too tall for the screen shows in part, cut mid-line, and
// scrolls within the box when dragged; the buttons stay in view. A shown or queued alert keeps itself alive; the delegate is not
// owned, and one that is gone is not called. Make alerts with std::make_shared. Main thread only.
class UIAlertView : public UIWindow {
public:
    static constexpr CGFloat kWidth = 284;

    UIAlertView(std::string title, std::string message, std::weak_ptr<UIAlertViewDelegate> delegate,
                std::string cancelButtonTitle, std::vector<std::string> otherButtonTitles = {});
    ~UIAlertView() override;

    [[nodiscard]] const std::string& title() const { return title_; }
    void setTitle(std::string title);
    [[nodiscard]] const std::string& message() const { return message_; }
    void setMessage(std::string message);
    [[nodiscard]] std::shared_ptr<UIAlertViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<UIAlertViewDelegate> delegate) { delegate_ = std::move(delegate); }

    // Buttons. Titles of an index out of range are empty.
    int addButtonWithTitle(std::string title);
    [[nodiscard]] std::string buttonTitleAtIndex(int index) const;
    [[nodiscard]] int numberOfButtons() const { return int(buttonTitles_.size()); }
    [[nodiscard]] int cancelButtonIndex() const { return cancelButtonIndex_; }
    [[nodiscard]] int firstOtherButtonIndex() const;

    void show();
    // Shown now (not queued, not dismissed).
    [[nodiscard]] bool isVisible() const { return state_ == State::Shown; }
    // Closes a shown or queued alert as if the button had been chosen, without "clicked".
    void dismissWithClickedButtonIndex(int index, bool animated);
    // Where the button lies on the screen, for a finger to tap it; empty when not shown.
    [[nodiscard]] CGRect screenRectForButtonAtIndex(int index) const;
    // Where the message's shown part lies on the screen; empty when not shown.
    [[nodiscard]] CGRect screenRectForMessage() const;

    // The alert on screen, if any, and the number waiting behind it.
    [[nodiscard]] static std::shared_ptr<UIAlertView> visibleAlert();
    [[nodiscard]] static std::size_t queuedAlertCount();
    // Forgets every shown and queued alert (tests).
    static void resetForTesting();

    void drawRect(CGRect rect) override;
    [[nodiscard]] bool hidesWhatIsBehind() const override { return true; }
    // The box takes its own touches: only its buttons act.
    void touchesBegan(const UITouchSet&, UIEvent*) override { }
    void touchesMoved(const UITouchSet&, UIEvent*) override { }
    void touchesEnded(const UITouchSet&, UIEvent*) override { }
    void touchesCancelled(const UITouchSet&, UIEvent*) override { }

private:
    enum class State { Idle, Queued, Shown, Dismissed };

    void present();
    void layoutAlert();
    void buttonTapped(int index);
    void close(int index);
    // Hides the alert's windows and hands the keyboard and the key window back.
    void takeOffScreen();
    [[nodiscard]] std::shared_ptr<UIAlertView> selfAlert();

    std::string title_;
    std::string message_;
    std::weak_ptr<UIAlertViewDelegate> delegate_;
    std::vector<std::string> buttonTitles_;
    int cancelButtonIndex_ { -1 };
    State state_ { State::Idle };
    std::shared_ptr<UIModalBackdrop> backdrop_;
    std::vector<std::shared_ptr<UIModalButton>> buttons_;
    std::weak_ptr<UIWindow> previousKeyWindow_;
    std::shared_ptr<UIModalText> titleText_;
    std::shared_ptr<UIModalText> messageText_;
    std::shared_ptr<UIScrollView> messageScroll_;
};
