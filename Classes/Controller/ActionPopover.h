#pragma once

#include <memory>

#include "Classes/Controller/ActionPopoverDelegate.h"
#include "Platform/UIKit/UIViewController.h"

class UIButton;
class UILabel;
class UISwitch;

// The editor's actions on the pad, shown in a popover: go to line, search, mail, snippets,
// preview and the colouring switch. Each button sends its action id to the delegate.
class ActionPopover : public UIViewController {
public:
    static constexpr char kClassName[] = "ActionPopover";
    static constexpr CGSize kContentSize { 250, 272 };

    ActionPopover();

    [[nodiscard]] UIButton* btnGoto() const { return btnGoto_; }
    [[nodiscard]] UIButton* btnFind() const { return btnFind_; }
    [[nodiscard]] UIButton* btnMail() const { return btnMail_; }
    [[nodiscard]] UIButton* btnSnippet() const { return btnSnippet_; }
    [[nodiscard]] UIButton* btnPreview() const { return btnPreview_; }
    [[nodiscard]] UISwitch* swiColor() const { return swiColor_; }
    [[nodiscard]] UILabel* lblColor() const { return lblColor_; }
    [[nodiscard]] std::shared_ptr<ActionPopoverDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ActionPopoverDelegate> delegate) { delegate_ = std::move(delegate); }

    // Actions.
    void btnGotoPressed() { send(kEditorActionGoto); }
    void btnFindPressed() { send(kEditorActionFind); }
    void btnMailPressed() { send(kEditorActionMail); }
    void btnSnippetPressed() { send(kEditorActionSnippets); }
    void btnPreviewPressed() { send(kEditorActionPreview); }
    void swiColorChanged();

    // UIViewController
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    [[nodiscard]] bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation orientation) override { return true; }

    static void registerInterfaceClass(UIClassRegistry& registry);

protected:
    void declareConnections(UIConnectionTable& table) override;

private:
    void send(int action);
    // The rows the delegate offers now, stacked from the top without gaps; the popover's
    // height follows them.
    void stackRows(bool text, bool mail);

    UIButton* btnGoto_ { nullptr }; // outlets: the view tree owns them
    UIButton* btnFind_ { nullptr };
    UIButton* btnMail_ { nullptr };
    UIButton* btnSnippet_ { nullptr };
    UIButton* btnPreview_ { nullptr };
    UISwitch* swiColor_ { nullptr };
    UILabel* lblColor_ { nullptr };
    std::weak_ptr<ActionPopoverDelegate> delegate_;
};
