#include "Platform/UIKit/UITextView.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIPasteboard.h"
#include "Platform/UIKit/UILongPressGestureRecognizer.h"
#include "Platform/UIKit/UIMenuController.h"
#include "Platform/UIKit/UITapGestureRecognizer.h"
#include "Platform/UIKit/UITextFieldCaretView.h"
#include "Platform/UIKit/UITextFieldDrawing.h"

using uicontrol_drawing::isHighSurrogate;
using uicontrol_drawing::isLowSurrogate;
using uicontrol_drawing::selectionColor;

namespace {

// Blocks shaped beyond the visible ones: this share of a screen above and below, at least
// kMinimumMargin points, so a short scroll finds its lines ready.
constexpr CGFloat kMarginShare = 0.5;
constexpr CGFloat kMinimumMargin = 200;

// The index moved off the inside of a surrogate pair or of CR LF, to its start.
NSUInteger boundaryBefore(const std::u16string& text, NSUInteger index)
{
    index = std::min<NSUInteger>(index, text.size());
    if (index > 0 && index < text.size()
        && ((isLowSurrogate(text[index]) && isHighSurrogate(text[index - 1])) || (text[index] == u'\n' && text[index - 1] == u'\r'))) {
        --index;
    }
    return index;
}

} // namespace

std::shared_ptr<UITextView> UITextView::make(CGRect frame)
{
    auto view = std::make_shared<UITextView>(frame);
    std::weak_ptr<UITextView> weak = view;
    // The double tap comes first: recognizing on the second lift, it wins that tap from the single
    // tap, which would put the caret back.
    auto doubleTap = std::make_shared<UITapGestureRecognizer>([weak](UIGestureRecognizer& recognizer) {
        if (const auto self = weak.lock()) {
            self->askedForMenu(recognizer, true);
        }
    });
    doubleTap->setNumberOfTapsRequired(2);
    view->addGestureRecognizer(doubleTap);
    view->addGestureRecognizer(std::make_shared<UITapGestureRecognizer>([weak](UIGestureRecognizer& recognizer) {
        if (const auto self = weak.lock()) {
            self->tapped(recognizer);
        }
    }));
    view->addGestureRecognizer(std::make_shared<UILongPressGestureRecognizer>([weak](UIGestureRecognizer& recognizer) {
        if (const auto self = weak.lock()) {
            self->askedForMenu(recognizer, false);
        }
    }));
    return view;
}

UITextView::UITextView(CGRect frame)
    : UIScrollView(frame)
    , font_(UIFont::systemFontOfSize(kDefaultFontSize))
    , textColor_(UIColor::blackColor())
    , caretView_(std::make_shared<UITextFieldCaretView>())
{
    setBackgroundColor(UIColor::whiteColor());
    setAlwaysBounceVertical(true);
    layout_.setFont(font_);
    layout_.setColor(textColor_->CGColor());
    layout_.setWidth(textWidth());
    layout_.setText(&text_);
    updateContentSize();
}

UITextView::~UITextView() = default;

// ---- Properties -------------------------------------------------------------------------------

void UITextView::setText(std::u16string text)
{
    text_ = std::move(text);
    layout_.setText(&text_);
    selectedRange_ = NSMakeRange(text_.size(), 0);
    anchoring_ = true;
    setContentOffset(CGPointZero);
    anchoring_ = false;
    updateContentSize();
    updateCaret();
    setNeedsLayout();
    setNeedsDisplay();
}

void UITextView::setFont(UIFontRef font)
{
    font_ = font ? std::move(font) : UIFont::systemFontOfSize(kDefaultFontSize);
    layout_.setFont(font_);
    updateContentSize();
    updateCaret();
    setNeedsLayout();
    setNeedsDisplay();
}

void UITextView::setTextColor(UIColorRef color)
{
    textColor_ = color ? std::move(color) : UIColor::blackColor();
    layout_.setColor(textColor_->CGColor());
    setNeedsDisplay();
}

void UITextView::setTextInset(CGFloat inset)
{
    if (inset == textInset_) {
        return;
    }
    // A new width rewraps at the next layout; the height and the caret move at once.
    textInset_ = std::max<CGFloat>(0, inset);
    updateContentSize();
    updateCaret();
    setNeedsLayout();
    setNeedsDisplay();
}

void UITextView::setEditable(bool editable)
{
    editable_ = editable;
    if (!editable && isFirstResponder()) {
        resignFirstResponder();
    }
}

void UITextView::setDelegate(const std::shared_ptr<UITextViewDelegate>& delegate)
{
    delegate_ = delegate;
    UIScrollView::setDelegate(std::weak_ptr<UIScrollViewDelegate>(delegate));
}

CGFloat UITextView::textWidth() const { return std::max<CGFloat>(1, bounds().size.width - 2 * textInset_); }

// ---- Selection and geometry -------------------------------------------------------------------

void UITextView::setSelectedRange(NSRange range)
{
    const NSUInteger length = text_.size();
    const NSUInteger start = boundaryBefore(text_, std::min(range.location, length));
    const NSUInteger end = boundaryBefore(text_, std::min<NSUInteger>(start + std::min(range.length, length), length));
    const NSRange old = selectedRange_;
    selectedRange_ = NSMakeRange(start, std::max(start, end) - start);
    if (old.length > 0 || selectedRange_.length > 0) {
        setNeedsDisplay();
    }
    selectionDidChange();
    if (editing_) {
        scrollRangeToVisible(selectedRange_);
    }
}

void UITextView::selectionDidChange()
{
    updateCaret();
    if (const auto d = delegate()) {
        d->textViewDidChangeSelection(this);
    }
}

CGRect UITextView::caretRectForIndex(NSUInteger index)
{
    const UITextViewLayout::Place place = layout_.placeOfIndex(index);
    return CGRectMake(std::floor(textInset_ + place.x), textInset_ + place.y, UITextFieldCaretView::kWidth, layout_.lineHeight());
}

NSUInteger UITextView::closestIndexToPoint(CGPoint point)
{
    return boundaryBefore(text_, layout_.indexAtPoint(point.x - textInset_, point.y - textInset_));
}

void UITextView::scrollRangeToVisible(NSRange range)
{
    // Laying out what comes into sight corrects heights and may move the place again; a few
    // rounds settle it, as each lays out more of the blocks around it.
    for (int round = 0; round < 4; ++round) {
        const CGRect caret = CGRectInset(caretRectForIndex(std::min<NSUInteger>(range.location, text_.size())), 0, -textInset_);
        updateContentSize();
        if (round > 0 && CGRectContainsRect(bounds(), CGRectIntersection(caret, CGRectMake(0, 0, contentSize().width, contentSize().height)))) {
            break;
        }
        scrollRectToVisible(caret, false);
        layoutIfNeeded();
    }
}

void UITextView::updateContentSize()
{
    setContentSize(CGSizeMake(bounds().size.width, layout_.totalHeight() + 2 * textInset_));
}

void UITextView::updateCaret()
{
    if (!editing_ || selectedRange_.length > 0) {
        if (caretView_->superview() == this) {
            caretView_->removeFromSuperview();
        }
        return;
    }
    if (caretView_->superview() != this) {
        addSubview(caretView_);
    }
    caretView_->placeAt(caretRectForIndex(selectedRange_.location));
}

// ---- Layout -----------------------------------------------------------------------------------

void UITextView::contentOffsetDidChange()
{
    if (!anchoring_) {
        setNeedsLayout();
    }
}

void UITextView::layoutSubviews()
{
    UIScrollView::layoutSubviews();
    if (layout_.width() != textWidth()) {
        // A new width wraps everything anew: keep the character at the top where it is.
        const CGFloat top = contentOffset().y;
        const NSUInteger first = closestIndexToPoint(CGPointMake(textInset_, top));
        const CGFloat within = top - caretRectForIndex(first).origin.y;
        layout_.setWidth(textWidth());
        const CGFloat placed = caretRectForIndex(first).origin.y;
        updateContentSize();
        anchoring_ = true;
        setContentOffset(CGPointMake(contentOffset().x, std::max<CGFloat>(0, placed + within)));
        anchoring_ = false;
        setNeedsDisplay();
    }
    layOutVisible();
    updateCaret();
}

void UITextView::layOutVisible()
{
    if (anchoring_) {
        return;
    }
    const CGRect b = bounds();
    const CGFloat margin = std::max(kMinimumMargin, b.size.height * kMarginShare);
    const CGFloat top = b.origin.y - textInset_;
    const std::size_t anchor = layout_.blockAtY(std::max<CGFloat>(0, top));
    const CGFloat withinAnchor = top - layout_.blockTop(anchor);
    const std::size_t first = layout_.blockAtY(top - margin);
    for (std::size_t i = first; i < anchor; ++i) {
        layout_.layOut(i);
    }
    // Heights corrected above the first visible block move it: follow it.
    const CGFloat shownTop = layout_.blockTop(anchor) + withinAnchor;
    const CGFloat bottom = shownTop + b.size.height + margin;
    std::size_t last = anchor;
    for (std::size_t i = anchor; i < layout_.blockCount(); ++i) {
        if (layout_.blockTop(i) > bottom) {
            break;
        }
        layout_.layOut(i);
        last = i;
    }
    layout_.trimCache(first, last);
    updateContentSize();
    if (shownTop != top && top > 0) {
        anchoring_ = true;
        setContentOffset(CGPointMake(b.origin.x, shownTop + textInset_));
        anchoring_ = false;
    }
}

// ---- Editing ----------------------------------------------------------------------------------

bool UITextView::canBecomeFirstResponder() { return editable_ && window() != nullptr; }

bool UITextView::becomeFirstResponder()
{
    if (isFirstResponder()) {
        return true;
    }
    if (!canBecomeFirstResponder()) {
        return false;
    }
    const auto keep = weak_from_this().lock();
    if (const auto d = delegate(); d && !d->textViewShouldBeginEditing(this)) {
        return false;
    }
    if (!UIScrollView::becomeFirstResponder()) {
        return false;
    }
    editing_ = true;
    updateCaret();
    if (const auto d = delegate()) {
        d->textViewDidBeginEditing(this);
    }
    return true;
}

bool UITextView::resignFirstResponder()
{
    if (!isFirstResponder()) {
        return UIScrollView::resignFirstResponder();
    }
    const auto keep = weak_from_this().lock();
    if (const auto d = delegate(); d && !d->textViewShouldEndEditing(this)) {
        return false;
    }
    UIScrollView::resignFirstResponder();
    editing_ = false;
    updateCaret();
    if (const auto d = delegate()) {
        d->textViewDidEndEditing(this);
    }
    return true;
}

void UITextView::tapped(UIGestureRecognizer& recognizer)
{
    if (recognizer.state() == UIGestureRecognizerStateEnded) {
        placeCaretAt(recognizer.locationInView(this));
    }
}

void UITextView::placeCaretAt(CGPoint point)
{
    const NSUInteger index = closestIndexToPoint(point);
    if (!editing_) {
        if (!editable_) {
            return;
        }
        selectedRange_ = NSMakeRange(index, 0);
        if (!becomeFirstResponder()) {
            return;
        }
    }
    setSelectedRange(NSMakeRange(index, 0));
}

void UITextView::askedForMenu(UIGestureRecognizer& recognizer, bool selectWord)
{
    const UIGestureRecognizerState state = recognizer.state();
    if (state == UIGestureRecognizerStateBegan || state == UIGestureRecognizerStateChanged || state == UIGestureRecognizerStateEnded) {
        // The caret follows the held finger.
        placeCaretAt(recognizer.locationInView(this));
    }
    if (state != UIGestureRecognizerStateEnded || !editing_) {
        return;
    }
    if (selectWord) {
        performAction(kUIActionSelect, this);
    }
    UIMenuController::showMenuLater(CGRectUnion(caretRectForIndex(selectedRange_.location), caretRectForIndex(selectedRange_.max())),
                                    selfRef());
}

void UITextView::insertText(const std::u16string& text)
{
    if (editable_) {
        replaceRange(selectedRange_, textWithLineBreak(text, lineBreak_, text_, selectedRange_));
    }
}

void UITextView::deleteBackward()
{
    if (!editable_) {
        return;
    }
    if (selectedRange_.length > 0) {
        replaceRange(selectedRange_, {});
        return;
    }
    const NSUInteger end = selectedRange_.location;
    if (end == 0) {
        return;
    }
    const NSUInteger start = boundaryBefore(text_, end - 1);
    replaceRange(NSMakeRange(start, end - start), {});
}

void UITextView::replaceRange(NSRange range, const std::u16string& text)
{
    const auto keep = weak_from_this().lock();
    if (const auto d = delegate(); d && !d->textViewShouldChangeTextInRangeReplacementText(this, range, text)) {
        return;
    }
    const CGFloat oldTotal = layout_.totalHeight();
    text_.replace(range.location, range.length, text);
    layout_.replaceCharacters(range.location, range.length, text.size());
    selectedRange_ = NSMakeRange(range.location + text.size(), 0);
    // The blocks the new text lies in, laid out at once so the caret and the redraw are exact.
    const std::size_t from = layout_.blockAtIndex(range.location);
    const std::size_t to = layout_.blockAtIndex(range.location + text.size());
    for (std::size_t i = from; i <= to; ++i) {
        layout_.layOut(i);
    }
    const CGFloat top = textInset_ + layout_.blockTop(from);
    const CGFloat bottom = textInset_ + layout_.blockTop(to) + layout_.blockHeight(to);
    const bool moved = layout_.totalHeight() != oldTotal;
    updateContentSize();
    const CGRect b = bounds();
    // Only the changed paragraphs redraw, unless the lines below them moved.
    const CGFloat redrawBottom = moved ? std::max(CGRectGetMaxY(b), bottom) : bottom;
    setNeedsDisplayInRect(CGRectMake(b.origin.x, top, b.size.width, redrawBottom - top));
    updateCaret();
    scrollRangeToVisible(selectedRange_);
    if (const auto d = delegate()) {
        d->textViewDidChange(this);
    }
}

// ---- Edit commands ----------------------------------------------------------------------------

bool UITextView::respondsToAction(const SEL& action) const
{
    return action == kUIActionCopy || action == kUIActionCut || action == kUIActionPaste || action == kUIActionSelect
        || action == kUIActionSelectAll;
}

bool UITextView::canPerformAction(const SEL& action, const void* sender)
{
    if (action == kUIActionCopy) {
        return selectedRange_.length > 0;
    }
    if (action == kUIActionCut) {
        return editing_ && selectedRange_.length > 0;
    }
    if (action == kUIActionPaste) {
        return editing_ && UIPasteboard::generalPasteboard().string().has_value();
    }
    if (action == kUIActionSelect) {
        return editing_ && !text_.empty() && selectedRange_.length == 0;
    }
    if (action == kUIActionSelectAll) {
        return !text_.empty() && selectedRange_.length < text_.size();
    }
    return UIScrollView::canPerformAction(action, sender);
}

bool UITextView::performAction(const SEL& action, const void* sender)
{
    if (!canPerformAction(action, sender)) {
        return false;
    }
    if (action == kUIActionCopy || action == kUIActionCut) {
        UIPasteboard::generalPasteboard().setString(text_.substr(selectedRange_.location, selectedRange_.length));
        if (action == kUIActionCut) {
            replaceRange(selectedRange_, {});
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

void UITextView::drawRect(CGRect rect)
{
    CGContextRef c = UIGraphicsGetCurrentContext();
    if (c == nullptr || text_.empty()) {
        return;
    }
    const CGFloat lineHeight = layout_.lineHeight();
    const CGFloat ascender = layout_.ascender();
    const NSUInteger selStart = selectedRange_.location, selEnd = selectedRange_.max();
    for (std::size_t b = layout_.blockAtY(CGRectGetMinY(rect) - textInset_); b < layout_.blockCount(); ++b) {
        const CGFloat blockTop = textInset_ + layout_.blockTop(b);
        if (blockTop > CGRectGetMaxY(rect)) {
            break;
        }
        const UITextViewLayout::Block& laid = layout_.block(b);
        const NSUInteger start = layout_.blockStart(b);
        for (std::size_t j = 0; j < laid.lines.size(); ++j) {
            const CGFloat y = blockTop + lineHeight * CGFloat(j);
            if (y + lineHeight < CGRectGetMinY(rect)) {
                continue;
            }
            if (y > CGRectGetMaxY(rect)) {
                break;
            }
            const CTLineRef& line = laid.lines[j];
            const CFRange r = line->stringRange();
            const NSUInteger lineStart = start + NSUInteger(r.location), lineEnd = lineStart + NSUInteger(r.length);
            if (selectedRange_.length > 0 && selStart < lineEnd && selEnd > lineStart) {
                const CGFloat x0 = line->offsetForStringIndex(CFIndex(std::max(selStart, lineStart) - start));
                const CGFloat x1 = selEnd >= lineEnd ? textWidth() : line->offsetForStringIndex(CFIndex(selEnd - start));
                selectionColor()->setFill();
                CGContextFillRect(c, CGRectMake(textInset_ + x0, y, std::max<CGFloat>(0, x1 - x0), lineHeight));
            }
            uicontrol_drawing::drawLineAt(c, line, textInset_, y + ascender);
        }
    }
}

std::vector<UIView::TextLine> UITextView::visibleTextLines() const
{
    std::vector<TextLine> shown;
    if (text_.empty()) {
        return shown;
    }
    // Laying out the blocks in view caches them, as drawing them does.
    UITextViewLayout& layout = layout_;
    const CGRect area = bounds();
    const CGFloat lineHeight = layout.lineHeight();
    for (std::size_t b = layout.blockAtY(CGRectGetMinY(area) - textInset_); b < layout.blockCount(); ++b) {
        const CGFloat blockTop = textInset_ + layout.blockTop(b);
        if (blockTop > CGRectGetMaxY(area)) {
            break;
        }
        layout.layOut(b);
        const UITextViewLayout::Block& laid = layout.block(b);
        const NSUInteger start = layout.blockStart(b);
        for (std::size_t j = 0; j < laid.lines.size(); ++j) {
            const CGFloat y = blockTop + lineHeight * CGFloat(j);
            const CFRange r = laid.lines[j]->stringRange();
            std::u16string line = text_.substr(start + NSUInteger(r.location), NSUInteger(r.length));
            while (!line.empty() && UITextViewLayout::isTerminator(line.back())) {
                line.pop_back();
            }
            if (line.empty() || y + lineHeight < CGRectGetMinY(area) || y > CGRectGetMaxY(area)) {
                continue;
            }
            const CGFloat x0 = laid.lines[j]->offsetForStringIndex(r.location);
            const CGFloat x1 = laid.lines[j]->offsetForStringIndex(r.location + CFIndex(line.size()));
            shown.push_back({ std::move(line), CGRectMake(textInset_ + x0, y, std::max<CGFloat>(1, x1 - x0), lineHeight) });
        }
    }
    return shown;
}

// ---- Interface files --------------------------------------------------------------------------

void UITextView::registerInterfaceClass(UIClassRegistry& registry)
{
    using T = UIPropertyType;
    using V = UITextView;
    registry.registerClass(
        "UITextView", "UIScrollView", [] { return UITextView::make(); },
        {
            { "text", uiProperty<V, std::string>(T::String, [](V& v, const std::string& s) { v.setText(utf8ToUtf16(s)); }) },
            { "font", uiProperty<V, UIFontRef>(T::Font, [](V& v, const UIFontRef& f) { v.setFont(f); }) },
            { "textColor", uiProperty<V, UIColorRef>(T::Color, [](V& v, const UIColorRef& c) { v.setTextColor(c); }) },
            { "editable", uiProperty<V, bool>(T::Bool, [](V& v, bool e) { v.setEditable(e); }) },
            { "delegate", uiProperty<V, std::shared_ptr<UIResponder>>(T::Object, [](V& v, const std::shared_ptr<UIResponder>& object) {
                  auto delegate = std::dynamic_pointer_cast<UITextViewDelegate>(object);
                  if (!delegate) {
                      throw std::invalid_argument("the object is not a UITextViewDelegate");
                  }
                  v.setDelegate(delegate);
              }) },
        });
}
