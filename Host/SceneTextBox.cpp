#include "Host/SceneTextBox.h"

#include "Host/SceneLabel.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UILongPressGestureRecognizer.h"
#include "Platform/UIKit/UIMenuController.h"
#include "Platform/UIKit/UIPasteboard.h"
#include "Platform/UIKit/UITapGestureRecognizer.h"

SceneTextBox::SceneTextBox(CGRect frame) : UIView(frame), font_(UIFont::systemFontOfSize(18))
{
    setBackgroundColor(UIColor::whiteColor());
    layer()->setCornerRadius(6);
    layer()->setBorderWidth(1);
    layer()->setBorderColor(CGColorCreateRGBA(0.6, 0.6, 0.65, 1));
}

std::shared_ptr<SceneTextBox> SceneTextBox::make(CGRect frame)
{
    auto box = std::make_shared<SceneTextBox>(frame);
    std::weak_ptr<SceneTextBox> weak = box;
    box->addGestureRecognizer(std::make_shared<UITapGestureRecognizer>([weak](UIGestureRecognizer&) {
        if (auto self = weak.lock()) {
            self->becomeFirstResponder();
            UIMenuController::sharedMenuController().setMenuVisible(false, true);
        }
    }));
    box->addGestureRecognizer(std::make_shared<UILongPressGestureRecognizer>([weak](UIGestureRecognizer& recognizer) {
        auto self = weak.lock();
        if (!self || recognizer.state() != UIGestureRecognizerStateBegan) {
            return;
        }
        self->becomeFirstResponder();
        auto& menu = UIMenuController::sharedMenuController();
        menu.setTargetRect(self->bounds(), self.get());
        menu.setMenuVisible(true, true);
    }));
    return box;
}

bool SceneTextBox::becomeFirstResponder()
{
    const bool became = UIView::becomeFirstResponder();
    setNeedsDisplay();
    return became;
}

bool SceneTextBox::resignFirstResponder()
{
    const bool resigned = UIView::resignFirstResponder();
    allSelected_ = false;
    setNeedsDisplay();
    return resigned;
}

bool SceneTextBox::respondsToAction(const SEL& action) const
{
    return action == kUIActionCut || action == kUIActionCopy || action == kUIActionPaste || action == kUIActionSelectAll;
}

bool SceneTextBox::canPerformAction(const SEL& action, const void*)
{
    if (action == kUIActionCut || action == kUIActionCopy) {
        return allSelected_ && !text_.empty();
    }
    if (action == kUIActionPaste) {
        return UIPasteboard::generalPasteboard().string().has_value();
    }
    if (action == kUIActionSelectAll) {
        return !text_.empty() && !allSelected_;
    }
    return false;
}

bool SceneTextBox::performAction(const SEL& action, const void* sender)
{
    if (!canPerformAction(action, sender)) {
        return false;
    }
    if (action == kUIActionCut || action == kUIActionCopy) {
        UIPasteboard::generalPasteboard().setString(text_);
        if (action == kUIActionCut) {
            text_.clear();
            allSelected_ = false;
        }
    } else if (action == kUIActionPaste) {
        insertText(UIPasteboard::generalPasteboard().string().value_or(u""));
    } else {
        allSelected_ = true;
    }
    setNeedsDisplay();
    return true;
}

void SceneTextBox::insertText(const std::u16string& text)
{
    if (allSelected_) {
        text_.clear();
        allSelected_ = false;
    }
    text_ += text;
    setNeedsDisplay();
}

void SceneTextBox::deleteBackward()
{
    if (allSelected_) {
        text_.clear();
        allSelected_ = false;
    } else if (!text_.empty()) {
        // A surrogate pair goes as one character.
        const bool pair = text_.size() >= 2 && text_.back() >= 0xDC00 && text_.back() <= 0xDFFF
            && text_[text_.size() - 2] >= 0xD800 && text_[text_.size() - 2] <= 0xDBFF;
        text_.resize(text_.size() - (pair ? 2 : 1));
    }
    setNeedsDisplay();
}

void SceneTextBox::drawRect(CGRect rect)
{
    CGContextRef c = UIGraphicsGetCurrentContext();
    const CGRect area = CGRectInset(bounds(), SceneLabel::kInset, 0);
    static const CGColorRef ink = CGColorCreateRGBA(0.05, 0.05, 0.1, 1);
    static const CGColorRef placeholder = CGColorCreateRGBA(0.6, 0.6, 0.65, 1);
    // One line: the end of the text shows (line breaks as spaces).
    std::u16string shown = text_;
    for (char16_t& ch : shown) {
        if (ch == u'\n' || ch == u'\t') {
            ch = u' ';
        }
    }
    if (shown.empty() && !isFirstResponder()) {
        UIRenderer::drawTextLine(c, u"Tap here and type", font_, placeholder, area, false);
        return;
    }
    const CGFloat width = UIRenderer::drawTextLine(c, shown, font_, ink, area, false);
    if (allSelected_) {
        CGContextSetRGBFillColor(c, 0.2, 0.45, 0.95, 0.3);
        CGContextFillRect(c, CGRectMake(area.origin.x, area.origin.y + 8, width, area.size.height - 16));
    } else if (isFirstResponder()) {
        CGContextSetRGBFillColor(c, 0.2, 0.45, 0.95, 1);
        CGContextFillRect(c, CGRectMake(area.origin.x + width + 1, area.origin.y + 8, 2, area.size.height - 16));
    }
}
