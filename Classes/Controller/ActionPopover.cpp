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
    constexpr CGFloat kRowStep = 52; // a 44-point button and the gap below it
    CGFloat y = kMargin;
    const auto place = [&y](UIView* row, bool shown) {
        if (row == nullptr)
            return;
        row->setHidden(!shown);
        if (!shown)
            return;
        CGRect frame = row->frame();
        frame.origin.y = y;
        row->setFrame(frame);
        y += kRowStep;
    };
    place(btnGoto_, text);
    place(btnFind_, text);
    place(btnMail_, mail);
    place(btnPreview_, true);
    // The colouring row: the label and the switch side by side, as the interface file has them.
    for (UIView* part : { static_cast<UIView*>(lblColor_), static_cast<UIView*>(swiColor_) })
        if (part != nullptr)
            part->setHidden(!text);
    CGFloat height = y - kRowStep + 44 + kMargin;
    if (text && lblColor_ != nullptr && swiColor_ != nullptr) {
        lblColor_->setFrame(CGRectMake(lblColor_->frame().origin.x, y + 6, lblColor_->frame().size.width, lblColor_->frame().size.height));
        swiColor_->setFrame(CGRectMake(swiColor_->frame().origin.x, y + 9, swiColor_->frame().size.width, swiColor_->frame().size.height));
        height = y + kRowStep;
    }
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
