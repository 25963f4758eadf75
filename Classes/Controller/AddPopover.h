#pragma once

#include <memory>
#include <string>

#include "Platform/UIKit/UIAlertViewDelegate.h"
#include "Platform/UIKit/UIViewController.h"

class UIButton;
class UIImageView;

// The new-file screen: a folder, an empty document or a file from one of the launch's templates,
// made in the current remote directory, which is then listed again for the directory screen
// (which stays the network manager's delegate). In a popover on a pad, pushed on a phone.
class AddPopover : public UIViewController, public UIAlertViewDelegate {
public:
    static constexpr char kClassName[] = "AddPopover";
    static constexpr CGSize kContentSize { 180, 600 };
    static constexpr int kNoCustomTemplateTag = 10;

    // The name is ignored: the file is "AddPopover" on a pad, "AddPopover_iPhone" else.
    explicit AddPopover(const std::string& nibName = {});

    // The directory screen that owns the popover (pad only); not owned, it owns this screen.
    [[nodiscard]] std::shared_ptr<UIViewController> parentController() const { return parentController_.lock(); }
    void setParentController(std::weak_ptr<UIViewController> parent) { parentController_ = std::move(parent); }
    [[nodiscard]] UIImageView* imgDino() const { return imgDino_; }
    [[nodiscard]] UIButton* btnBack() const { return btnBack_; }

    // One prompt per action; the tag tells them apart when answered.
    void btnFolderPressed() { ask(0); }
    void btnDocumentPressed() { ask(1); }
    void btnCSSPrintPressed() { ask(2); }
    void btnCSSScreenPressed() { ask(3); }
    void btnCustomPressed() { ask(4); }
    void btnHTMLPressed() { ask(5); }
    void btnHTML5Pressed() { ask(6); }
    void btnJQueryPressed() { ask(7); }
    void btnPHPPressed() { ask(8); }
    void btnXMLPressed() { ask(9); }
    void btnUpPressed();

    // The remote name and the template index of a prompt's tag (2..9), for a typed name.
    [[nodiscard]] static std::string remoteNameFor(int tag, const std::string& name);
    [[nodiscard]] static int templateIndexFor(int tag);

    // UIAlertViewDelegate
    void alertViewWillDismissWithButtonIndex(UIAlertView* alertView, int buttonIndex) override;

    // UIViewController
    void viewDidLoad() override;
    void viewDidUnload() override;
    [[nodiscard]] bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation orientation) override;

    static void registerInterfaceClass(UIClassRegistry& registry);

protected:
    void declareConnections(UIConnectionTable& table) override;

private:
    void ask(int tag);
    void close(bool animated);
    void openEditorWithoutFile();
    [[nodiscard]] std::u16string templateText(int index) const;

    std::weak_ptr<UIViewController> parentController_;
    UIImageView* imgDino_ { nullptr }; // outlets: the view tree owns them
    UIButton* btnBack_ { nullptr };
};
