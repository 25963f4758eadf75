#include "Platform/UIKit/UITextField.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "Platform/CoreText/CTFont.h"
#include "Platform/Foundation/NSAttributedString.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIGestureConstants.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIMenuController.h"
#include "Platform/UIKit/UIPasteboard.h"
#include "Platform/UIKit/UITextFieldCaretView.h"
#include "Platform/UIKit/UITextFieldDrawing.h"
#include "Platform/UIKit/UITouch.h"

using namespace uicontrol_drawing;

namespace {

// An index moved off the second half of a surrogate pair, to the pair's start.
NSUInteger characterStart(const std::u16string& text, NSUInteger index)
{
    index = std::min<NSUInteger>(index, text.size());
    if (index > 0 && index < text.size() && isLowSurrogate(text[index]) && isHighSurrogate(text[index - 1])) {
        --index;
    }
    return index;
}

// Characters (not UTF-16 units) before the index: a bullet stands for each.
NSUInteger charactersBefore(const std::u16string& text, NSUInteger index)
{
    NSUInteger count = 0;
    for (NSUInteger i = 0; i < index && i < text.size(); ++i) {
        if (!(isLowSurrogate(text[i]) && i > 0 && isHighSurrogate(text[i - 1]))) {
            ++count;
        }
    }
    return count;
}

const UIColorRef& placeholderColor()
{
    static const UIColorRef color = UIColor::colorWithWhite(0.7, 1);
    return color;
}

long inRange(long value, long last, const char* what)
{
    if (value < 0 || value > last) {
        throw std::invalid_argument(std::string("not a ") + what + " (0 to " + std::to_string(last) + "): " + std::to_string(value));
    }
    return value;
}

} // namespace

UITextField::UITextField(CGRect frame)
    : UIControl(frame)
    , font_(UIFont::systemFontOfSize(kDefaultFontSize))
    , textColor_(UIColor::blackColor())
    , caretView_(std::make_shared<UITextFieldCaretView>())
{
    setOpaque(false);
}

UITextField::~UITextField() = default;

// ---- Properties -------------------------------------------------------------------------------

void UITextField::setText(std::u16string text)
{
    // One line: line breaks given by code become spaces, as the field cannot show them.
    std::replace(text.begin(), text.end(), u'\n', u' ');
    std::replace(text.begin(), text.end(), u'\r', u' ');
    text_ = std::move(text);
    selectedRange_ = NSMakeRange(text_.size(), 0);
    textDidChange();
}

void UITextField::setPlaceholder(std::u16string placeholder)
{
    placeholder_ = std::move(placeholder);
    setNeedsDisplay();
}

void UITextField::setFont(UIFontRef font)
{
    font_ = font ? std::move(font) : UIFont::systemFontOfSize(kDefaultFontSize);
    line_.reset();
    updateCaret();
    setNeedsDisplay();
}

void UITextField::setTextColor(UIColorRef color)
{
    textColor_ = color ? std::move(color) : UIColor::blackColor();
    line_.reset();
    setNeedsDisplay();
}

void UITextField::setTextAlignment(UITextAlignment alignment)
{
    textAlignment_ = alignment;
    updateCaret();
    setNeedsDisplay();
}

void UITextField::setBorderStyle(UITextBorderStyle style)
{
    borderStyle_ = style;
    updateCaret();
    setNeedsDisplay();
}

void UITextField::setSecureTextEntry(bool secure)
{
    UIKeyInput::setSecureTextEntry(secure);
    line_.reset();
    updateCaret();
    setNeedsDisplay();
}

void UITextField::setSelectedRange(NSRange range)
{
    const NSUInteger start = characterStart(text_, std::min<NSUInteger>(range.location, text_.size()));
    const NSUInteger end = characterStart(text_, std::min<NSUInteger>(start + std::min<NSUInteger>(range.length, text_.size()), text_.size()));
    selectedRange_ = NSMakeRange(start, std::max(start, end) - start);
    updateCaret();
    setNeedsDisplay();
}

void UITextField::setEnabled(bool enabled)
{
    UIControl::setEnabled(enabled);
    if (!enabled && isFirstResponder()) {
        resignFirstResponder();
    }
}

std::u16string UITextField::displayedText() const
{
    if (isSecureTextEntry()) {
        return std::u16string(charactersBefore(text_, text_.size()), kBullet);
    }
    return text_;
}

std::u16string UITextField::visibleText() const
{
    if (text_.empty()) {
        return placeholder_;
    }
    return isSecureTextEntry() ? std::u16string() : text_;
}

// ---- Geometry ---------------------------------------------------------------------------------

CGRect UITextField::textRectForBounds(CGRect bounds) const
{
    switch (borderStyle_) {
    case UITextBorderStyleRoundedRect:
        return CGRectInset(bounds, kRoundedInset, 0);
    case UITextBorderStyleLine:
    case UITextBorderStyleBezel:
        return CGRectInset(bounds, kBorderInset, 0);
    case UITextBorderStyleNone:
        break;
    }
    return bounds;
}

const CTLineRef& UITextField::displayLine() const
{
    if (!line_) {
        line_ = makeLine(displayedText(), font_, textColor_->CGColor());
    }
    return line_;
}

CGFloat UITextField::offsetForIndex(NSUInteger index) const
{
    const NSUInteger shown = isSecureTextEntry() ? charactersBefore(text_, index) : index;
    return CTLineGetOffsetForStringIndex(displayLine(), CFIndex(shown), nullptr);
}

NSUInteger UITextField::indexForOffset(CGFloat x) const
{
    const CFIndex shown = std::max<CFIndex>(0, CTLineGetStringIndexForPosition(displayLine(), CGPointMake(x, 0)));
    if (!isSecureTextEntry()) {
        return characterStart(text_, NSUInteger(shown));
    }
    // The index of the shown-th character.
    NSUInteger index = 0;
    for (CFIndex n = 0; n < shown && index < text_.size(); ++n) {
        index += (isHighSurrogate(text_[index]) && index + 1 < text_.size() && isLowSurrogate(text_[index + 1])) ? 2 : 1;
    }
    return index;
}

CGFloat UITextField::lineOriginX(CGRect textRect) const
{
    const CGFloat width = CGFloat(CTLineGetTypographicBounds(displayLine(), nullptr, nullptr, nullptr));
    if (width > textRect.size.width) {
        return CGRectGetMinX(textRect) - scrollX_;
    }
    switch (textAlignment_) {
    case UITextAlignmentCenter:
        return CGRectGetMinX(textRect) + (textRect.size.width - width) / 2;
    case UITextAlignmentRight:
        return CGRectGetMaxX(textRect) - width;
    case UITextAlignmentLeft:
        break;
    }
    return CGRectGetMinX(textRect);
}

CGRect UITextField::caretRectForIndex(NSUInteger index) const
{
    const CGRect textRect = textRectForBounds(bounds());
    const CGFloat height = std::ceil(font_->ascender() - font_->descender());
    const CGFloat x = lineOriginX(textRect) + offsetForIndex(index);
    const CGFloat clamped = std::clamp(x, CGRectGetMinX(textRect), std::max(CGRectGetMinX(textRect), CGRectGetMaxX(textRect) - UITextFieldCaretView::kWidth));
    return CGRectMake(std::floor(clamped), std::floor(CGRectGetMidY(textRect) - height / 2), UITextFieldCaretView::kWidth, height);
}

void UITextField::layoutSubviews() { updateCaret(); }

void UITextField::updateCaret()
{
    if (!editing_) {
        scrollX_ = 0;
        return;
    }
    // Keep the caret's end of the selection in sight.
    const CGRect textRect = textRectForBounds(bounds());
    const CGFloat caret = offsetForIndex(selectedRange_.max());
    const CGFloat width = CGFloat(CTLineGetTypographicBounds(displayLine(), nullptr, nullptr, nullptr));
    const CGFloat room = std::max<CGFloat>(0, textRect.size.width - UITextFieldCaretView::kWidth);
    if (width <= textRect.size.width) {
        scrollX_ = 0;
    } else if (caret - scrollX_ > room) {
        scrollX_ = caret - room;
    } else if (caret < scrollX_) {
        scrollX_ = caret;
    }
    if (selectedRange_.length == 0) {
        if (caretView_->superview() != this) {
            addSubview(caretView_);
        }
        caretView_->placeAt(caretRectForIndex(selectedRange_.location));
    } else if (caretView_->superview() == this) {
        caretView_->removeFromSuperview();
    }
}

// ---- Editing ----------------------------------------------------------------------------------

bool UITextField::canBecomeFirstResponder() { return isEnabled() && window() != nullptr; }

bool UITextField::becomeFirstResponder()
{
    if (isFirstResponder()) {
        return true;
    }
    if (!canBecomeFirstResponder()) {
        return false;
    }
    const auto keep = weak_from_this().lock();
    if (const auto d = delegate(); d && !d->textFieldShouldBeginEditing(this)) {
        return false;
    }
    // The base hands the role over: the field that had it ends editing first.
    if (!UIControl::becomeFirstResponder()) {
        return false;
    }
    editing_ = true;
    if (clearsOnBeginEditing_ && !text_.empty()) {
        text_.clear();
        line_.reset();
        sendActionsForControlEvents(UIControlEventEditingChanged);
    }
    selectedRange_ = NSMakeRange(text_.size(), 0);
    updateCaret();
    setNeedsDisplay();
    if (const auto d = delegate()) {
        d->textFieldDidBeginEditing(this);
    }
    sendActionsForControlEvents(UIControlEventEditingDidBegin);
    return true;
}

bool UITextField::resignFirstResponder()
{
    if (!isFirstResponder()) {
        return UIControl::resignFirstResponder();
    }
    const auto keep = weak_from_this().lock();
    if (const auto d = delegate(); d && !d->textFieldShouldEndEditing(this)) {
        return false;
    }
    UIControl::resignFirstResponder();
    editing_ = false;
    selectedRange_ = NSMakeRange(text_.size(), 0);
    if (caretView_->superview() == this) {
        caretView_->removeFromSuperview();
    }
    scrollX_ = 0;
    setNeedsDisplay();
    if (const auto d = delegate()) {
        d->textFieldDidEndEditing(this);
    }
    sendActionsForControlEvents(UIControlEventEditingDidEnd);
    return true;
}

void UITextField::insertText(const std::u16string& text)
{
    const auto keep = weak_from_this().lock();
    // Each line feed (or carriage return) is a press of the return key.
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find_first_of(u"\r\n", start);
        const std::u16string piece = text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
        if (!piece.empty()) {
            replaceSelection(piece);
        }
        if (end == std::u16string::npos) {
            break;
        }
        const bool crlf = text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n';
        pressReturn();
        start = end + (crlf ? 2 : 1);
    }
}

void UITextField::deleteBackward()
{
    if (selectedRange_.length == 0) {
        if (selectedRange_.location == 0) {
            return;
        }
        const NSUInteger end = selectedRange_.location;
        const NSUInteger start = characterStart(text_, end - 1);
        selectedRange_ = NSMakeRange(start, end - start);
    }
    replaceSelection({});
}

void UITextField::replaceSelection(const std::u16string& text)
{
    text_.replace(selectedRange_.location, selectedRange_.length, text);
    selectedRange_ = NSMakeRange(selectedRange_.location + text.size(), 0);
    textDidChange();
    sendActionsForControlEvents(UIControlEventEditingChanged);
}

void UITextField::pressReturn()
{
    const auto d = delegate();
    if (d && !d->textFieldShouldReturn(this)) {
        return;
    }
    sendActionsForControlEvents(UIControlEventEditingDidEndOnExit);
}

void UITextField::textDidChange()
{
    line_.reset();
    updateCaret();
    setNeedsDisplay();
}

bool UITextField::beginTrackingWithTouch(UITouch& touch, UIEvent*)
{
    touchDownTime_ = touch.timestamp();
    return true;
}

void UITextField::endTrackingWithTouch(UITouch* touch, UIEvent* event)
{
    if (touch == nullptr || !isTouchInside()) {
        return;
    }
    const bool longPress = touch->timestamp() - touchDownTime_ >= kUILongPressDefaultDuration;
    const bool doubleTap = touch->tapCount() >= 2;
    if (!isFirstResponder() && (!becomeFirstResponder() || !longPress)) {
        return;
    }
    // A tap in the field being edited moves the caret there.
    const CGRect textRect = textRectForBounds(bounds());
    const CGPoint p = touch->locationInView(this);
    setSelectedRange(NSMakeRange(indexForOffset(p.x - lineOriginX(textRect)), 0));
    if (!doubleTap && !longPress) {
        return;
    }
    if (doubleTap) {
        performAction(kUIActionSelect, this);
    }
    const CGRect first = caretRectForIndex(selectedRange_.location);
    UIMenuController::showMenuLater(CGRectUnion(first, caretRectForIndex(selectedRange_.max())), selfRef());
}

// ---- Edit commands ----------------------------------------------------------------------------

bool UITextField::respondsToAction(const SEL& action) const
{
    if (action == kUIActionCopy || action == kUIActionCut) {
        return !isSecureTextEntry();
    }
    return action == kUIActionPaste || action == kUIActionSelect || action == kUIActionSelectAll;
}

bool UITextField::canPerformAction(const SEL& action, const void* sender)
{
    if (!respondsToAction(action)) {
        // A secure field's text must not leave it, whoever else would copy.
        if (isSecureTextEntry() && (action == kUIActionCopy || action == kUIActionCut)) {
            return false;
        }
        return UIControl::canPerformAction(action, sender);
    }
    if (action == kUIActionCopy || action == kUIActionCut) {
        return selectedRange_.length > 0;
    }
    if (action == kUIActionPaste) {
        return editing_ && UIPasteboard::generalPasteboard().string().has_value();
    }
    if (action == kUIActionSelect) {
        return !text_.empty() && selectedRange_.length == 0;
    }
    return !text_.empty() && selectedRange_.length < text_.size();
}

bool UITextField::performAction(const SEL& action, const void* sender)
{
    if (!canPerformAction(action, sender)) {
        return false;
    }
    if (action == kUIActionCopy || action == kUIActionCut) {
        UIPasteboard::generalPasteboard().setString(text_.substr(selectedRange_.location, selectedRange_.length));
        if (action == kUIActionCut) {
            replaceSelection({});
        }
    } else if (action == kUIActionPaste) {
        insertText(*UIPasteboard::generalPasteboard().string());
    } else if (action == kUIActionSelectAll) {
        setSelectedRange(NSMakeRange(0, text_.size()));
    } else if (action == kUIActionSelect) {
        setSelectedRange(uicontrol_drawing::wordRangeAround(text_, selectedRange_.location));
    }
    return true;
}

// ---- Drawing ----------------------------------------------------------------------------------

void UITextField::drawBorder(CGRect b) const
{
    CGContextRef c = UIGraphicsGetCurrentContext();
    switch (borderStyle_) {
    case UITextBorderStyleNone:
        break;
    case UITextBorderStyleLine:
        CGContextSetRGBStrokeColor(c, 0, 0, 0, 1);
        CGContextStrokeRectWithWidth(c, CGRectInset(b, 0.5, 0.5), 1);
        break;
    case UITextBorderStyleBezel: {
        // Sunk into the surface: dark above and left, light below and right.
        CGContextSetRGBFillColor(c, 1, 1, 1, 1);
        CGContextFillRect(c, CGRectInset(b, 1, 1));
        const CGFloat x0 = CGRectGetMinX(b) + 0.5, y0 = CGRectGetMinY(b) + 0.5;
        const CGFloat x1 = CGRectGetMaxX(b) - 0.5, y1 = CGRectGetMaxY(b) - 0.5;
        CGContextSetLineWidth(c, 1);
        CGContextSetRGBStrokeColor(c, 0.33, 0.33, 0.33, 1);
        const CGPoint dark[] = { { x0, y1 }, { x0, y0 }, { x0, y0 }, { x1, y0 } };
        CGContextStrokeLineSegments(c, dark, 4);
        CGContextSetRGBStrokeColor(c, 0.75, 0.75, 0.75, 1);
        const CGPoint light[] = { { x1, y0 }, { x1, y1 }, { x1, y1 }, { x0, y1 } };
        CGContextStrokeLineSegments(c, light, 4);
        break;
    }
    case UITextBorderStyleRoundedRect: {
        const CGRect outline = CGRectInset(b, 0.5, 0.5);
        CGContextSetRGBFillColor(c, 1, 1, 1, 1);
        CGContextBeginPath(c);
        addRoundedRect(c, outline, kRoundedCornerRadius);
        CGContextFillPath(c);
        // A faint inner shadow along the top edge, as the platform's fields have.
        CGContextSaveGState(c);
        CGContextBeginPath(c);
        addRoundedRect(c, outline, kRoundedCornerRadius);
        CGContextClip(c);
        CGContextSetRGBFillColor(c, 0, 0, 0, 0.08);
        CGContextFillRect(c, CGRectMake(b.origin.x, b.origin.y, b.size.width, 2));
        CGContextRestoreGState(c);
        CGContextSetRGBStrokeColor(c, 0.55, 0.55, 0.55, 1);
        CGContextSetLineWidth(c, 1);
        CGContextBeginPath(c);
        addRoundedRect(c, outline, kRoundedCornerRadius);
        CGContextStrokePath(c);
        break;
    }
    }
}

void UITextField::drawRect(CGRect)
{
    CGContextRef c = UIGraphicsGetCurrentContext();
    if (c == nullptr) {
        return;
    }
    const CGRect b = bounds();
    drawBorder(b);
    const CGRect textRect = textRectForBounds(b);
    CGContextSaveGState(c);
    CGContextClipToRect(c, textRect);
    const CGFloat baseline = std::round(CGRectGetMidY(textRect) + (font_->ascender() + font_->descender()) / 2);
    if (text_.empty()) {
        if (!placeholder_.empty()) {
            const CTLineRef placeholder = makeLine(placeholder_, font_, placeholderColor()->CGColor());
            const CGFloat width = CGFloat(CTLineGetTypographicBounds(placeholder, nullptr, nullptr, nullptr));
            CGFloat x = CGRectGetMinX(textRect);
            if (textAlignment_ == UITextAlignmentCenter) {
                x += (textRect.size.width - width) / 2;
            } else if (textAlignment_ == UITextAlignmentRight) {
                x = CGRectGetMaxX(textRect) - width;
            }
            drawLineAt(c, placeholder, std::max(x, CGRectGetMinX(textRect)), baseline);
        }
    } else {
        const CGFloat x = lineOriginX(textRect);
        if (editing_ && selectedRange_.length > 0) {
            const CGRect from = caretRectForIndex(selectedRange_.location);
            const CGFloat x0 = x + offsetForIndex(selectedRange_.location), x1 = x + offsetForIndex(selectedRange_.max());
            selectionColor()->setFill();
            CGContextFillRect(c, CGRectMake(x0, from.origin.y, x1 - x0, from.size.height));
        }
        drawLineAt(c, displayLine(), x, baseline);
    }
    CGContextRestoreGState(c);
}

// ---- Interface files --------------------------------------------------------------------------

void UITextField::registerInterfaceClass(UIClassRegistry& registry)
{
    using T = UIPropertyType;
    using F = UITextField;
    registry.registerClass(
        "UITextField", "UIControl", [] { return std::make_shared<UITextField>(); },
        {
            { "text", uiProperty<F, std::string>(T::String, [](F& f, const std::string& s) { f.setText(utf8ToUtf16(s)); }) },
            { "placeholder", uiProperty<F, std::string>(T::String, [](F& f, const std::string& s) { f.setPlaceholder(utf8ToUtf16(s)); }) },
            { "font", uiProperty<F, UIFontRef>(T::Font, [](F& f, const UIFontRef& font) { f.setFont(font); }) },
            { "textColor", uiProperty<F, UIColorRef>(T::Color, [](F& f, const UIColorRef& color) { f.setTextColor(color); }) },
            { "textAlignment", uiProperty<F, long>(T::Integer, [](F& f, long a) {
                  f.setTextAlignment(UITextAlignment(inRange(a, 2, "text alignment")));
              }) },
            { "borderStyle", uiProperty<F, long>(T::Integer, [](F& f, long s) {
                  f.setBorderStyle(UITextBorderStyle(inRange(s, 3, "border style")));
              }) },
            { "clearsOnBeginEditing", uiProperty<F, bool>(T::Bool, [](F& f, bool b) { f.setClearsOnBeginEditing(b); }) },
            { "secureTextEntry", uiProperty<F, bool>(T::Bool, [](F& f, bool b) { f.setSecureTextEntry(b); }) },
            { "keyboardType", uiProperty<F, long>(T::Integer, [](F& f, long k) {
                  f.setKeyboardType(UIKeyboardType(inRange(k, 7, "keyboard type")));
              }) },
            { "keyboardAppearance", uiProperty<F, long>(T::Integer, [](F& f, long k) {
                  f.setKeyboardAppearance(UIKeyboardAppearance(inRange(k, 1, "keyboard appearance")));
              }) },
            { "returnKeyType", uiProperty<F, long>(T::Integer, [](F& f, long k) {
                  f.setReturnKeyType(UIReturnKeyType(inRange(k, 10, "return key type")));
              }) },
            { "autocapitalizationType", uiProperty<F, long>(T::Integer, [](F& f, long k) {
                  f.setAutocapitalizationType(UITextAutocapitalizationType(inRange(k, 3, "autocapitalization type")));
              }) },
            { "autocorrectionType", uiProperty<F, long>(T::Integer, [](F& f, long k) {
                  f.setAutocorrectionType(UITextAutocorrectionType(inRange(k, 2, "autocorrection type")));
              }) },
            { "enablesReturnKeyAutomatically",
              uiProperty<F, bool>(T::Bool, [](F& f, bool b) { f.setEnablesReturnKeyAutomatically(b); }) },
            { "delegate", uiProperty<F, std::shared_ptr<UIResponder>>(T::Object, [](F& f, const std::shared_ptr<UIResponder>& object) {
                  auto delegate = std::dynamic_pointer_cast<UITextFieldDelegate>(object);
                  if (!delegate) {
                      throw std::invalid_argument("the object is not a UITextFieldDelegate");
                  }
                  f.setDelegate(delegate);
              }) },
        });
}
