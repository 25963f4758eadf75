#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/UIKit/UIActionSheetDelegate.h"
#include "Platform/UIKit/UIView.h"

class UIModalBackdrop;
class UIModalButton;
class UIModalText;

// A list of choices for the action at hand. Buttons are indexed in the order destructive, the
// others, cancel (buttons added later follow). On the phone the sheet slides up from the bottom
// of the screen over a veil, every button shown; on the pad it is a small dark panel centred on
// the view it was shown in, without the cancel button: a touch outside the panel chooses the
// cancel index, or -1 when there is none. A shown sheet keeps itself alive; the delegate is not
// owned, and one that is gone is not called. Make sheets with std::make_shared. Main thread only.
class UIActionSheet : public UIView {
public:
    // The phone's slide.
    static constexpr double kSlideDuration = 0.3;

    UIActionSheet(std::string title, std::weak_ptr<UIActionSheetDelegate> delegate, std::string cancelButtonTitle,
                  std::string destructiveButtonTitle, std::vector<std::string> otherButtonTitles = {});
    ~UIActionSheet() override;

    [[nodiscard]] const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    [[nodiscard]] std::shared_ptr<UIActionSheetDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<UIActionSheetDelegate> delegate) { delegate_ = std::move(delegate); }

    int addButtonWithTitle(std::string title);
    [[nodiscard]] std::string buttonTitleAtIndex(int index) const;
    [[nodiscard]] int numberOfButtons() const { return int(buttonTitles_.size()); }
    [[nodiscard]] int cancelButtonIndex() const { return cancelButtonIndex_; }
    void setCancelButtonIndex(int index) { cancelButtonIndex_ = index; }
    [[nodiscard]] int destructiveButtonIndex() const { return destructiveButtonIndex_; }
    void setDestructiveButtonIndex(int index) { destructiveButtonIndex_ = index; }
    [[nodiscard]] int firstOtherButtonIndex() const;

    // Shows the sheet for the view (on the pad, centred on it); a sheet already shown stays.
    void showInView(UIView* view);
    [[nodiscard]] bool isVisible() const { return shown_ && !dismissed_; }
    void dismissWithClickedButtonIndex(int index, bool animated);

    // A screen point whose tap chooses the button (on the pad, the cancel index is a point
    // outside the panel); none when the sheet is not shown or has no such button.
    [[nodiscard]] std::optional<CGPoint> screenPointForButtonAtIndex(int index) const;

    // The sheets on screen, the front one last.
    [[nodiscard]] static std::vector<std::shared_ptr<UIActionSheet>> visibleSheets();
    static void resetForTesting();

    void drawRect(CGRect rect) override;
    [[nodiscard]] bool hidesWhatIsBehind() const override { return true; }
    // The panel takes its own touches: only its buttons act.
    void touchesBegan(const UITouchSet&, UIEvent*) override { }
    void touchesMoved(const UITouchSet&, UIEvent*) override { }
    void touchesEnded(const UITouchSet&, UIEvent*) override { }
    void touchesCancelled(const UITouchSet&, UIEvent*) override { }

private:
    // The panel's frame in the interface for the current layout; the buttons are made.
    CGRect layoutSheet();
    void buttonTapped(int index);
    void touchedOutside();
    void close(int index);
    [[nodiscard]] std::shared_ptr<UIActionSheet> selfSheet();

    std::string title_;
    std::weak_ptr<UIActionSheetDelegate> delegate_;
    std::vector<std::string> buttonTitles_;
    int cancelButtonIndex_ { -1 };
    int destructiveButtonIndex_ { -1 };
    bool pad_ { false };
    bool shown_ { false };
    bool dismissed_ { false };
    std::shared_ptr<UIModalBackdrop> backdrop_;
    std::vector<std::shared_ptr<UIModalButton>> buttons_;
    // On the pad: the view the panel centres on (read again at every layout: the view turns), and
    // its rectangle in the interface when shown, for a view gone since.
    std::weak_ptr<UIView> anchorView_;
    CGRect anchor_ {};
    std::shared_ptr<UIModalText> titleText_;
};
