#include "Classes/TextView/CodeTextView.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "Classes/SyntaxColouring/SyntaxColouring.h"
#include "Classes/TextView/CodeCaretView.h"
#include "Classes/TextView/CodeContentView.h"
#include "Classes/TextView/CodeLineNumberView.h"
#include "Classes/TextView/CodeSelectionView.h"
#include "Classes/TextView/CodeTextWindow.h"
#include "Platform/CoreGraphics/CGPath.h"
#include "Platform/CoreText/CTLine.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UILongPressGestureRecognizer.h"
#include "Platform/UIKit/UIMenuController.h"
#include "Platform/UIKit/UIPanGestureRecognizer.h"
#include "Platform/UIKit/UISwipeGestureRecognizer.h"
#include "Platform/UIKit/UITapGestureRecognizer.h"
#include "Platform/UIKit/UITextInputStringTokenizer.h"

namespace {

// Flexible width and flexible height.
constexpr unsigned kAutoresizeBoth = UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight;
// Glyphs may reach a little past a line's typographic box; redraw that much around it.
constexpr CGFloat kLinePadding = 2;

// The part of content space a line's drawing covers, full width.
CGRect lineBand(const CTLineRef& line, CGPoint origin, CGFloat width)
{
    const CGFloat bottom = origin.y - line->descent() - line->leading() - kLinePadding;
    const CGFloat top = origin.y + line->ascent() + kLinePadding;
    return CGRectMake(0, bottom, width, top - bottom);
}

bool sameValue(const std::shared_ptr<const NSObject>& a, const std::shared_ptr<const NSObject>& b)
{
    return a == b || (a && b && a->isEqual(*b));
}

}

// ---- Construction ---------------------------------------------------------------------------

std::shared_ptr<CodeTextView> CodeTextView::make(CGRect frame)
{
    auto view = std::make_shared<CodeTextView>(frame);
    view->installRecognizers();
    return view;
}

CodeTextView::CodeTextView(CGRect frame)
    : UIScrollView(frame)
{
    commonInit();
}

CodeTextView::~CodeTextView()
{
    if (textContentView_) {
        textContentView_->setDelegate(nullptr);
    }
    if (lineView_) {
        lineView_->setCodeView(nullptr);
    }
    if (syntaxHighlighter_ && syntaxHighlighter_->textView().get() == this) {
        syntaxHighlighter_->setTextView(nullptr);
    }
    NSNotificationCenter::defaultCenter().removeObserver(this);
    // The overlay window is shared by every text view; it is not ours to close.
    textWindow_.reset();
}

void CodeTextView::commonInit()
{
    setText(u"");
    setAlwaysBounceVertical(true);
    setEditable(true);
    setFont(UIFont::systemFontOfSize(kDefaultFontSize));
    setBackgroundColor(UIColor::colorWithWhite(1.0, 0.0));
    setAutoresizingMask(kAutoresizeBoth);
    setClipsToBounds(true);
    setLineNumberWidth(0);

    CGRect contentFrame = bounds();
    contentFrame.origin.x += lineNumberWidth_;
    contentFrame.size.width -= lineNumberWidth_;
    textContentView_ = std::make_shared<CodeContentView>(contentFrame);
    textContentView_->setAutoresizingMask(kAutoresizeBoth);
    textContentView_->setDelegate(this);
    addSubview(textContentView_);

    lineView_ = std::make_shared<CodeLineNumberView>(bounds());
    CGRect gutter = lineView_->frame();
    gutter.size.width = lineNumberWidth_;
    lineView_->setFrame(gutter);
    lineView_->setCodeView(this);
    addSubview(lineView_);
    textChanged();
}

void CodeTextView::installRecognizers()
{
    std::weak_ptr<CodeTextView> weak = std::static_pointer_cast<CodeTextView>(selfRef());
    const auto action = [weak](void (CodeTextView::*handler)(UIGestureRecognizer&)) {
        return [weak, handler](UIGestureRecognizer& recognizer) {
            if (const auto self = weak.lock()) {
                ((*self).*handler)(recognizer);
            }
        };
    };
    auto longPress = std::make_shared<UILongPressGestureRecognizer>(action(&CodeTextView::longPress));
    longPress->setDelegate(this);
    longPress_ = longPress.get();
    addGestureRecognizer(longPress);

    auto doubleTap = std::make_shared<UITapGestureRecognizer>(action(&CodeTextView::doubleTap));
    doubleTap->setNumberOfTapsRequired(2);
    addGestureRecognizer(doubleTap);

    addGestureRecognizer(std::make_shared<UITapGestureRecognizer>(action(&CodeTextView::tap)));

    auto pan = std::make_shared<UIPanGestureRecognizer>();
    pan->setMinimumNumberOfTouches(2);
    pan->setMaximumNumberOfTouches(2);
    addGestureRecognizer(pan);

    auto right = std::make_shared<UISwipeGestureRecognizer>(action(&CodeTextView::swipeRight));
    right->setDirection(UISwipeGestureRecognizerDirectionRight);
    right->setNumberOfTouchesRequired(1);
    addGestureRecognizer(right);

    auto left = std::make_shared<UISwipeGestureRecognizer>(action(&CodeTextView::swipeLeft));
    left->setDirection(UISwipeGestureRecognizerDirectionLeft);
    left->setNumberOfTouchesRequired(1);
    addGestureRecognizer(left);
}

const UIColorRef& CodeTextView::selectionColor()
{
    static const UIColorRef color = UIColor::colorWithRed(0.8, 0.867, 0.929, 1.0);
    return color;
}

const UIColorRef& CodeTextView::spellingSelectionColor()
{
    static const UIColorRef color = UIColor::colorWithRed(1.0, 0.851, 0.851, 1.0);
    return color;
}

const UIColorRef& CodeTextView::caretColor()
{
    static const UIColorRef color = UIColor::colorWithRed(0.259, 0.42, 0.949, 1.0);
    return color;
}

// ---- Properties -----------------------------------------------------------------------------

void CodeTextView::setEditable(bool editable)
{
    if (editable) {
        if (!caretView_) {
            caretView_ = std::make_shared<CodeCaretView>(CGRectZero);
        }
        tokenizer_ = std::make_unique<UITextInputStringTokenizer>(this);
        mutableAttributedString_ = std::make_unique<NSMutableAttributedString>();
    } else {
        if (caretView_) {
            caretView_->removeFromSuperview();
            caretView_.reset();
        }
        tokenizer_.reset();
        mutableAttributedString_.reset();
    }
    editable_ = editable;
}

NSAttributeDictionaryRef CodeTextView::makeDefaultAttributes() const
{
    auto attributes = std::make_shared<NSAttributeDictionary>();
    if (font_) {
        (*attributes)[kCTFontAttributeName] = CTFontCreateWithName(font_->fontName(), font_->pointSize());
    }
    (*attributes)[kCTForegroundColorAttributeName] = UIColor::blackColor()->CGColor();
    return attributes;
}

void CodeTextView::setFont(UIFontRef font)
{
    font_ = std::move(font);
    defaultAttributes_ = makeDefaultAttributes();
    textChanged();
}

void CodeTextView::setDelegate(const std::shared_ptr<CodeTextViewDelegate>& delegate)
{
    UIScrollView::setDelegate(delegate);
    delegate_ = delegate;
    using Op = CodeTextViewDelegate::Operation;
    constexpr Op order[] = { Op::ShouldBeginEditing, Op::ShouldEndEditing, Op::DidBeginEditing, Op::DidEndEditing,
                             Op::DidChange, Op::DidChangeSelection, Op::DidSelectURL };
    for (const Op op : order) {
        delegateResponds_[static_cast<std::size_t>(op)] = delegate && delegate->respondsTo(op);
    }
}

void CodeTextView::setLineNumberWidth(CGFloat width)
{
    NSLogf("setLineNumberWidth : %d", static_cast<int>(width));
    const CGFloat stored = lineNumberWidth_;
    CodeLineNumberView* gutter = lineView_.get();
    CodeContentView* content = textContentView_.get();
    if (!gutter || !content || !((stored == 0 && width > 0) || (stored != 0 && width == 0))) {
        lineNumberWidth_ = width;
        return;
    }
    const std::weak_ptr<CodeTextView> weak = std::static_pointer_cast<CodeTextView>(selfRef());
    if (stored == 0) {
        const CGRect g = gutter->frame();
        gutter->setFrame(CGRectMake(-width, g.origin.y, width, g.size.height));
        UIView::animateWithDuration(
            kGutterSlideDuration,
            [gutter, content, width] {
                CGRect slid = gutter->frame();
                slid.origin.x = 0;
                gutter->setFrame(slid);
                const CGRect c = content->frame();
                content->setFrame(CGRectMake(c.origin.x + width, c.origin.y, c.size.width - width, c.size.height));
            },
            [weak, width](bool finished) {
                const auto self = weak.lock();
                if (!self || !finished) {
                    return;
                }
                self->lineNumberWidth_ = width;
                self->textContentView_->setNeedsDisplay();
                self->lineView_->setNeedsDisplay();
            });
        lineNumberWidth_ = width;
        return;
    }
    // Hiding: the stored width stays until the slide has finished.
    if (gutterHiding_) {
        return;
    }
    gutterHiding_ = true;
    UIView::animateWithDuration(
        kGutterSlideDuration,
        [gutter, content, stored] {
            CGRect slid = gutter->frame();
            slid.origin.x = -stored;
            const CGFloat shown = slid.size.width;
            gutter->setFrame(slid);
            const CGRect c = content->frame();
            content->setFrame(CGRectMake(c.origin.x - shown, c.origin.y, c.size.width + shown, c.size.height));
        },
        [weak, width](bool finished) {
            const auto self = weak.lock();
            if (!self) {
                return;
            }
            self->gutterHiding_ = false;
            if (!finished) {
                return;
            }
            self->lineNumberWidth_ = width;
            self->textContentView_->setNeedsDisplay();
        });
}

// ---- Change pipeline ------------------------------------------------------------------------

void CodeTextView::setText(const std::u16string& text)
{
    NSLog("setText!");
    changeText([this, &text] {
        setAttributedString(
            NSAttributedString(text, defaultAttributes_ ? defaultAttributes_ : std::make_shared<NSAttributeDictionary>()));
    });
}

void CodeTextView::setAttributedString(const NSAttributedString& string)
{
    NSLog("setAttributedText!");
    attributedString_ = std::make_shared<const NSAttributedString>(string);
    if (!editing_ && !editable_) {
        // Read-only text shows its links and makes room for its attachments; both replace the
        // stored text directly, so the change still lays out and notifies once.
        checkLinksForRange(NSMakeRange(0, attributedString_->length()));
        scanAttachments();
    }
    clampRanges();
    textChangedWithHighlight(false);
}

// Every range stays inside the text after an install, so the caret and later edits need no
// further checks; the selection is never the no-range value.
void CodeTextView::clampRanges()
{
    const NSUInteger length = text().size();
    const auto clamp = [length](NSRange r) {
        const NSUInteger start = std::min(r.location, length);
        const NSUInteger end = std::min(r.location + std::min(r.length, length), length);
        return NSMakeRange(start, std::max(end, start) - start);
    };
    // A new text may split a character at the old selection's ends.
    const NSRange selected = selectedRange_.location == NSNotFound ? NSMakeRange(length, 0) : clamp(selectedRange_);
    selectedRange_ = wholeCharacterRange(text(), selected.location, selected.max());
    if (markedRange_.location != NSNotFound) {
        markedRange_ = clamp(markedRange_);
    }
}

void CodeTextView::textChangedWithHighlight(bool highlighted)
{
    if (!highlighted && syntaxHighlighter_ && attributedString_ && !dontParseSyntax_) {
        syntaxString_ = std::make_unique<NSMutableAttributedString>(*attributedString_);
        const auto length = static_cast<int>(attributedString_->length());
        NSLogf("Recoulering %d to %d", 0, length);
        // Whatever the engine does, the text change lands: install, relayout and notice.
        try {
            syntaxHighlighter_->setCompleteString(attributedString_->string());
            syntaxHighlighter_->recolourRange(NSMakeRange(0, attributedString_->length()));
        } catch (const std::exception& e) {
            NSLogf("Colouring failed: %s", e.what());
        } catch (...) {
            NSLog("Colouring failed");
        }
        const std::unique_ptr<NSMutableAttributedString> coloured = std::move(syntaxString_);
        didHighlightText(*coloured);
        return;
    }
    textChanged();
    notifyDidChange();
}

void CodeTextView::notifyDidChange()
{
    NSLog("ABOUT TO NOTIFY!");
    if (responds(CodeTextViewDelegate::Operation::DidChange)) {
        if (const auto d = delegate_.lock()) {
            d->textViewDidChange(this);
        }
    }
}

void CodeTextView::didHighlightText(const NSMutableAttributedString& coloured)
{
    attributedString_ = std::make_shared<const NSAttributedString>(coloured);
    syntaxString_.reset();
    textChangedWithHighlight(true);
}

CGFloat CodeTextView::boundingHeightForWidth(CGFloat width) const
{
    const CGSize size = CTFramesetterSuggestFrameSizeWithConstraints(framesetter_, CFRangeMake(0, 0), nullptr,
                                                                     CGSizeMake(width, std::numeric_limits<CGFloat>::max()), nullptr);
    // The layout has no row after a final line break, yet the caret stands there and typing
    // lands there: one more row of the last line's height, so it can be scrolled to.
    const std::u16string& t = text();
    const CTTypesetterRef typesetter = CTFramesetterGetTypesetter(framesetter_);
    if (t.empty() || !typesetter || !isLineTerminator(t.back())) {
        return size.height;
    }
    const CTLineRef last = CTTypesetterCreateLine(typesetter, CFRangeMake(static_cast<CFIndex>(t.size()) - 1, 1));
    CGFloat ascent = 0;
    CGFloat descent = 0;
    CGFloat leading = 0;
    CTLineGetTypographicBounds(last, &ascent, &descent, &leading);
    return size.height + ascent + descent + leading;
}

void CodeTextView::setFrame(CGRect frame)
{
    UIScrollView::setFrame(frame);
    const CGFloat height = contentSize().height;
    for (UIView* view : { static_cast<UIView*>(textContentView_.get()), static_cast<UIView*>(lineView_.get()) }) {
        if (view != nullptr && view->frame().size.height != height) {
            CGRect f = view->frame();
            f.size.height = height;
            view->setFrame(f);
        }
    }
}

CGRect CodeTextView::contentBounds() const
{
    return textContentView_ ? textContentView_->bounds() : CGRectZero;
}

void CodeTextView::textChanged()
{
    NSLog("textChanged!");
    auto& menu = UIMenuController::sharedMenuController();
    const bool menuWasVisible = menu.isMenuVisible() && menu.targetView() == this;
    if (menu.isMenuVisible()) {
        menu.setMenuVisible(false, false);
    }
    const CGFloat width = textContentView_ ? textContentView_->frame().size.width : 0;
    // A relayout of the same text at the same width gives the same frame.
    if (frame_ && laidOutString_ == attributedString_ && width == laidOutWidth_) {
        return;
    }
    const CTFrameRef oldFrame = frame_;
    const CTTypesetterRef oldTypesetter = typesetter_;
    const CGFloat oldHeight = contentBounds().size.height;
    const bool widthChanged = width != laidOutWidth_;

    typesetter_ = CTTypesetterCreateWithAttributedStringAndOptions(*attributedString_, CTTypesetterOptions { false, typesetter_ });
    framesetter_ = CTFramesetterCreateWithTypesetter(typesetter_);
    const CGFloat height = boundingHeightForWidth(width);
    if (textContentView_) {
        CGRect f = textContentView_->frame();
        f.size.height = height;
        textContentView_->setFrame(f);
    }
    if (lineView_) {
        CGRect g = lineView_->frame();
        g.origin.y = textContentView_ ? textContentView_->frame().origin.y : 0;
        g.size.height = height;
        lineView_->setFrame(g);
    }
    setContentSize(CGSizeMake(frame().size.width, height));
    const CGRect box = textContentView_ ? textContentView_->bounds() : CGRectMake(0, 0, width, height);
    frame_ = CTFramesetterCreateFrame(framesetter_, CFRangeMake(0, 0), CGPathCreateWithRect(box, nullptr));
    laidOutString_ = attributedString_;
    laidOutWidth_ = width;

    if (textContentView_) {
        if (!oldFrame || widthChanged || !oldTypesetter) {
            lastInvalidated_ = textContentView_->bounds();
            textContentView_->setNeedsDisplay();
        } else {
            invalidateChangedLines(oldFrame, oldHeight, oldTypesetter);
        }
        invalidateSelectionFill();
    }
    if (lineView_) {
        lineView_->setNeedsDisplay();
    }
    // A rewrap (gutter, turn, keyboard) brings a selection's menu back where the text now lies.
    followLayout(widthChanged && oldFrame && (menuWasVisible || selectionView_));
}

// Marks for redrawing only the lines whose place, text or styles changed (and where lines
// vanished): what a full redraw would change, nothing more.
void CodeTextView::invalidateChangedLines(const CTFrameRef& oldFrame, CGFloat oldHeight, const CTTypesetterRef& oldTypesetter)
{
    const CGFloat height = contentBounds().size.height;
    const CGFloat width = contentBounds().size.width;
    const auto& lines = frame_->lines();
    const auto& origins = frame_->origins();
    const auto& oldLines = oldFrame->lines();
    const auto& oldOrigins = oldFrame->origins();
    const CTTypesetter& now = *typesetter_;
    const CTTypesetter& before = *oldTypesetter;

    std::vector<std::int8_t> sameStyle(now.styles().size() * before.styles().size(), -1);
    const auto stylesMatch = [&](std::uint16_t a, std::uint16_t b) {
        std::int8_t& known = sameStyle[a * before.styles().size() + b];
        if (known < 0) {
            const auto& x = now.styles()[a];
            const auto& y = before.styles()[b];
            known = x.face == y.face && x.size == y.size && sameValue(x.color, y.color) ? 1 : 0;
        }
        return known == 1;
    };
    const auto sameLine = [&](const CTLineRef& a, const CTLineRef& b) {
        const CFRange ra = a->stringRange();
        const CFRange rb = b->stringRange();
        if (ra.length != rb.length || a->ascent() != b->ascent() || a->descent() != b->descent()) {
            return false;
        }
        const auto& ta = now.string();
        const auto& tb = before.string();
        if (ta.compare(static_cast<std::size_t>(ra.location), static_cast<std::size_t>(ra.length), tb,
                       static_cast<std::size_t>(rb.location), static_cast<std::size_t>(rb.length)) != 0) {
            return false;
        }
        for (CFIndex i = 0; i < ra.length; ++i) {
            if (!stylesMatch(now.styleAt(ra.location + i), before.styleAt(rb.location + i))) {
                return false;
            }
        }
        return true;
    };

    CGRect dirty = CGRectNull;
    std::vector<bool> oldClean(oldLines.size(), false);
    std::size_t j = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        // Distance from the top: what stays put on screen when the content's height changes.
        const CGFloat top = height - origins[i].y;
        while (j < oldLines.size() && oldHeight - oldOrigins[j].y < top - 1e-6) {
            ++j;
        }
        const bool matched = j < oldLines.size() && std::fabs((oldHeight - oldOrigins[j].y) - top) < 1e-6 && sameLine(lines[i], oldLines[j]);
        if (matched) {
            oldClean[j] = true;
        } else {
            dirty = CGRectUnion(dirty, lineBand(lines[i], origins[i], width));
        }
    }
    for (std::size_t k = 0; k < oldLines.size(); ++k) {
        if (!oldClean[k]) {
            const CGPoint placed = CGPointMake(oldOrigins[k].x, height - (oldHeight - oldOrigins[k].y));
            dirty = CGRectUnion(dirty, lineBand(oldLines[k], placed, width));
        }
    }
    lastInvalidated_ = CGRectIsNull(dirty) ? CGRectZero : dirty;
    if (!CGRectIsNull(dirty)) {
        textContentView_->setNeedsDisplayInRect(dirty);
    }
}

void CodeTextView::invalidateSelectionFill()
{
    if (!textContentView_) {
        return;
    }
    CGRect fill = CGRectNull;
    const std::vector<CGRect> rects = selectionRectsForRange(selectedRange_);
    if (rects.size() == 1) {
        fill = rects.front();
    } else if (rects.size() > 1) {
        const CGFloat top = CGRectGetMaxY(rects.front());
        const CGFloat bottom = rects.back().origin.y;
        fill = CGRectMake(0, bottom, contentBounds().size.width, top - bottom);
    }
    const CGRect dirty = CGRectUnion(fill, drawnSelectionBounds_);
    if (!CGRectIsNull(dirty) && !CGRectIsEmpty(dirty)) {
        textContentView_->setNeedsDisplayInRect(CGRectInset(dirty, -kLinePadding, -kLinePadding));
        lastInvalidated_ = CGRectUnion(CGRectIsEmpty(lastInvalidated_) ? CGRectNull : lastInvalidated_, dirty);
    }
    drawnSelectionBounds_ = fill;
}

// ---- SyntaxColouringDelegate ----------------------------------------------------------------

void CodeTextView::setTemporaryAttributesForCharacterRange(const NSAttributeDictionaryRef& attributes, NSRange range)
{
    if (syntaxString_) {
        syntaxString_->setAttributes(attributes ? attributes : std::make_shared<NSAttributeDictionary>(), range);
    }
}

void CodeTextView::removeTemporaryAttributeForCharacterRange(std::string_view name, NSRange range)
{
    if (syntaxString_) {
        syntaxString_->removeAttribute(name, range);
    }
}

NSAttributeDictionaryRef CodeTextView::temporaryAttributesAtCharacterIndex(NSUInteger index, NSRange* effectiveRange)
{
    if (!syntaxString_ || index >= syntaxString_->length()) {
        if (effectiveRange) {
            *effectiveRange = NSRangeNotFound;
        }
        return nullptr;
    }
    return syntaxString_->attributesRefAtIndex(index, effectiveRange);
}

// ---- Drawing --------------------------------------------------------------------------------

void CodeTextView::drawContentInRect(CGRect rect)
{
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (!context || !frame_) {
        return;
    }
    CGContextSaveGState(context);
    CGContextClipToRect(context, rect);
    CGContextSetFillColorWithColor(context, selectionColor()->CGColor());
    drawBoundingRangeAsSelection(selectedRange_, 0);
    CGContextSetFillColorWithColor(context, spellingSelectionColor()->CGColor());
    const CGRect box = CGPathGetBoundingBox(CTFrameGetPath(frame_));
    const auto& lines = frame_->lines();
    const auto& origins = frame_->origins();
    const CGFloat low = CGRectGetMinY(rect);
    const CGFloat high = CGRectGetMaxY(rect);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const CGRect band = lineBand(lines[i], origins[i], 0);
        if (CGRectGetMaxY(band) < low || band.origin.y > high) {
            continue;
        }
        CGContextSetTextPosition(context, origins[i].x + box.origin.x, origins[i].y + box.origin.y);
        CTLineDraw(lines[i], context);
    }
    CGContextRestoreGState(context);
}

std::vector<CGRect> CodeTextView::selectionRectsForRange(NSRange range) const
{
    std::vector<CGRect> rects;
    if (range.length == 0 || range.location == NSNotFound || !frame_) {
        return rects;
    }
    const auto& lines = frame_->lines();
    const auto& origins = frame_->origins();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const CFRange r = lines[i]->stringRange();
        const NSRange line = NSMakeRange(static_cast<NSUInteger>(r.location), static_cast<NSUInteger>(r.length));
        const NSRange part = rangeIntersection(line, range);
        if (part.location == NSNotFound || part.length == 0) {
            continue;
        }
        CGFloat ascent = 0;
        CGFloat descent = 0;
        CTLineGetTypographicBounds(lines[i], &ascent, &descent, nullptr);
        const CGFloat start = CTLineGetOffsetForStringIndex(lines[i], static_cast<CFIndex>(part.location), nullptr);
        const CGFloat end = CTLineGetOffsetForStringIndex(lines[i], static_cast<CFIndex>(part.max()), nullptr);
        const CGFloat width = line.length == 1 ? contentBounds().size.width : end - start;
        rects.push_back(CGRectMake(origins[i].x + start, origins[i].y - descent, width, ascent + descent));
    }
    return rects;
}

void CodeTextView::drawBoundingRangeAsSelection(NSRange range, CGFloat cornerRadius)
{
    const std::vector<CGRect> rects = selectionRectsForRange(range);
    if (!rects.empty()) {
        drawPathFromRects(rects, cornerRadius);
    }
}

void CodeTextView::drawPathFromRects(const std::vector<CGRect>& rects, CGFloat cornerRadius)
{
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (rects.empty() || !context) {
        return;
    }
    const CGFloat boundsWidth = contentBounds().size.width;
    CGRect first = rects.front();
    const CGRect last = rects.back();
    const std::size_t n = rects.size();
    if (n >= 2) {
        first.size.width = boundsWidth - first.origin.x;
    }
    const CGMutablePathRef path = CGPathCreateMutable();
    const auto add = [&](CGRect r) {
        if (cornerRadius > 0) {
            CGPathAddRoundedRect(path, nullptr, r, cornerRadius, cornerRadius);
        } else {
            CGPathAddRect(path, nullptr, r);
        }
    };
    add(last);
    add(first);
    if (n >= 2) {
        CGRect band;
        band.origin.y = last.origin.y + last.size.height;
        band.size.height = std::max<CGFloat>(0, first.origin.y - band.origin.y);
        if (n == 2) {
            band.origin.x = std::min(first.origin.x, last.origin.x);
            band.size.width = band.origin.x + std::min(CGRectGetMaxX(first), CGRectGetMaxX(last));
        } else {
            band.origin.x = 0;
            band.size.width = boundsWidth;
        }
        add(band);
    }
    CGContextAddPath(context, path);
    CGContextFillPath(context);
}

NSRange CodeTextView::rangeIntersection(NSRange first, NSRange second)
{
    // The range that starts first (on a tie, the first argument) and the one that starts later.
    const bool secondLater = second.location >= first.location;
    const NSRange early = secondLater ? first : second;
    const NSRange late = secondLater ? second : first;
    if (late.location < early.location + early.length) {
        const NSUInteger end = std::min(early.location + early.length, late.location + late.length);
        return NSMakeRange(late.location, end - late.location);
    }
    return NSRangeNotFound;
}

// ---- Registration ---------------------------------------------------------------------------

void registerTextViewClasses()
{
    UIClassRegistry& registry = UIClassRegistry::shared();
    const std::string superclass = registry.classNamed("UIScrollView") != nullptr ? "UIScrollView" : "UIView";
    registry.registerClass("CodeTextView", superclass, [] { return CodeTextView::make(); });
}
