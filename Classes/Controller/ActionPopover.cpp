#include "Classes/Controller/ActionPopover.h"

#include "Classes/Controller/AccentColor.h"
#include "Classes/Controller/RoundedButton.h"
#include "Classes/Controller/UIColorHexColor.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UISwitch.h"

#include <utility>

namespace {

constexpr char kButtonFontName[] = "LexitypeNeue-Bold";
constexpr char kButtonGrey[] = "6d6d6d";

void styleButton(UIButton* button, CGFloat fontSize)
{
    RoundedButton::style(button, kButtonFontName, fontSize, UIColorHexColor::colorWithHexString(kButtonGrey));
}

}

ActionPopover::ActionPopover() : UIViewController(kClassName) { }

void ActionPopover::declareConnections(UIConnectionTable& table)
{
    UIViewController::declareConnections(table);
    table.outlet("btnGoto", btnGoto_);
    table.outlet("btnFind", btnFind_);
    table.outlet("btnMail", btnMail_);
    table.outlet("btnSnippet", btnSnippet_);
    table.outlet("btnPreview", btnPreview_);
    table.outlet("swiColor", swiColor_);
    table.outlet("lblColor", lblColor_);
    table.action("btnGotoPressed", [this] { btnGotoPressed(); });
    table.action("btnFindPressed", [this] { btnFindPressed(); });
    table.action("btnMailPressed", [this] { btnMailPressed(); });
    table.action("btnSnippetPressed", [this] { btnSnippetPressed(); });
    table.action("btnPreviewPressed", [this] { btnPreviewPressed(); });
    table.action("swiColorChanged", [this] { swiColorChanged(); });
}

void ActionPopover::viewDidLoad()
{
    UIViewController::viewDidLoad();
    styleButton(btnPreview_, 28);
    styleButton(btnGoto_, 26);
    styleButton(btnFind_, 26);
    styleButton(btnMail_, 26);
    if (swiColor_ != nullptr)
        swiColor_->setOnTintColor(AccentColor::accentColor());
    setContentSizeForViewInPopover(kContentSize);
}

void ActionPopover::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    const auto target = delegate();
    if (swiColor_ != nullptr)
        swiColor_->setOn(target && target->codeViewHasHighlighter(), false);
    // Without a file there is nothing to mail; without a text nothing to go to, search or colour.
    stackRows(!target || target->showsText(), target && target->canMailFile());
}

void ActionPopover::stackRows(bool text, bool mail)
{
    constexpr CGFloat kMargin = 12;
    constexpr CGFloat kButtonHeight = 44;
    constexpr CGFloat kRowStep = kButtonHeight + 8;
    // The colouring row's label and switch sit this far below the row's top, as the interface
    // file places them.
    constexpr CGFloat kLabelDrop = 6;
    constexpr CGFloat kSwitchDrop = 9;
    CGFloat y = kMargin;
    const auto place = [&y](UIView* row, bool shown, CGFloat drop) {
        if (row == nullptr)
            return;
        row->setHidden(!shown);
        if (!shown)
            return;
        CGRect frame = row->frame();
        frame.origin.y = y + drop;
        row->setFrame(frame);
    };
    for (const auto& [button, shown] : { std::pair { btnGoto_, text }, std::pair { btnFind_, text },
                                         std::pair { btnMail_, mail }, std::pair { btnPreview_, true } }) {
        place(button, shown, 0);
        if (button != nullptr && shown)
            y += kRowStep;
    }
    place(lblColor_, text, kLabelDrop);
    place(swiColor_, text, kSwitchDrop);
    const CGFloat height = text ? y + kRowStep : y - kRowStep + kButtonHeight + kMargin;
    setContentSizeForViewInPopover(CGSizeMake(kContentSize.width, height));
}

void ActionPopover::swiColorChanged()
{
    if (swiColor_ != nullptr)
        send(swiColor_->isOn() ? kEditorActionColouringOn : kEditorActionColouringOff);
}

void ActionPopover::send(int action)
{
    if (const auto target = delegate())
        target->dismissMeWithAction(action);
}

void ActionPopover::registerInterfaceClass(UIClassRegistry& registry)
{
    registry.registerClass(kClassName, "UIViewController", [] { return std::make_shared<ActionPopover>(); });
}
