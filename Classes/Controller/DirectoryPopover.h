#pragma once

#include <memory>

#include "Platform/UIKit/UIViewController.h"

class UISegmentedControl;

// The pad's rename/delete choice after a long press on a row; it hands the choice to the
// directory screen (0 rename, 1 delete).
class DirectoryPopover : public UIViewController {
public:
    static constexpr char kClassName[] = "DirectoryPopover";
    static constexpr CGSize kContentSize { 207, 40 };

    DirectoryPopover();

    // Not owned in the platform's sense: the screen owns the popover that shows this.
    [[nodiscard]] std::shared_ptr<UIViewController> parentControl() const { return parentControl_.lock(); }
    void setParentControl(std::weak_ptr<UIViewController> parent) { parentControl_ = std::move(parent); }
    [[nodiscard]] UISegmentedControl* segments() const { return segments_; }

    void btnRenamePressed();
    void btnDeletePressed();
    void btnSegPressed() { }

    // UIViewController
    [[nodiscard]] bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation) override { return true; }
    void viewDidUnload() override;

    static void registerInterfaceClass(UIClassRegistry& registry);

protected:
    void declareConnections(UIConnectionTable& table) override;

private:
    void choose(int action);

    // Weak: the directory screen owns the popover controller that owns this.
    std::weak_ptr<UIViewController> parentControl_;
    UISegmentedControl* segments_ { nullptr };
};
