#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes/SyntaxColouring/SyntaxColouringDelegate.h"
#include "Classes/TextView/CodeTextViewDelegate.h"
#include "Platform/CoreText/CTFrame.h"
#include "Platform/CoreText/CTFramesetter.h"
#include "Platform/Foundation/NSAttributedString.h"
#include "Platform/Foundation/NSTextCheckingResult.h"
#include "Platform/UIKit/UIActionSheetDelegate.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UITextInput.h"

class CodeCaretView;
class CodeContentView;
class CodeLineNumberView;
class CodeSelectionView;
class CodeTextWindow;
class SyntaxColouring;
class UILongPressGestureRecognizer;
class UITextInputStringTokenizer;

// The editable code view of the editor: one attributed string laid out with CoreText, recoloured
// as a whole by its colouring engine after every change, drawn into a flipped content view, with
// the platform's text input, a caret and selection handles.
//
// Two coordinate spaces: the content space (the content view's, y upward, the layout's own) and
// the view space (this scroll view's, y downward, moved by the scroll offset). Indices are UTF-16
// units. Make it with make(): its recognizers need the view to be shared. Main thread only.
class CodeTextView : public UIScrollView, public UITextInput, public SyntaxColouringDelegate, public UIActionSheetDelegate {
public:
    static constexpr CGFloat kCaretWidth = 3.0;
    static constexpr CGFloat kDefaultFontSize = 17.0;
    static constexpr double kCaretPressDuration = 0.5;
    static constexpr double kSelectionPressDuration = 0.0;
    static constexpr double kGutterSlideDuration = 0.5;

    // initWithFrame: with the construction steps that follow it.
    static std::shared_ptr<CodeTextView> make(CGRect frame = CGRectZero);
    explicit CodeTextView(CGRect frame);
    ~CodeTextView() override;

    static const UIColorRef& selectionColor();
    static const UIColorRef& spellingSelectionColor();
    static const UIColorRef& caretColor();

    // Text and style.
    [[nodiscard]] const std::u16string& text() const { return attributedString_->string(); }
    void setText(const std::u16string& text);
    [[nodiscard]] const NSAttributedString& attributedString() const { return *attributedString_; }
    void setAttributedString(const NSAttributedString& string);
    [[nodiscard]] const UIFontRef& font() const { return font_; }
    void setFont(UIFontRef font);
    [[nodiscard]] const NSAttributeDictionaryRef& defaultAttributes() const { return defaultAttributes_; }
    void setDefaultAttributes(NSAttributeDictionaryRef attributes) { defaultAttributes_ = std::move(attributes); }
    [[nodiscard]] bool isEditable() const { return editable_; }
    void setEditable(bool editable);
    // The line break that typed, pasted and replacing text gets (each CR LF, CR or LF in it
    // becomes this); empty: the text goes in as it is.
    [[nodiscard]] const std::u16string& lineBreak() const { return lineBreak_; }
    void setLineBreak(std::u16string lineBreak) { lineBreak_ = std::move(lineBreak); }
    [[nodiscard]] bool isEditing() const { return editing_; }
    [[nodiscard]] const std::shared_ptr<SyntaxColouring>& syntaxHighlighter() const { return syntaxHighlighter_; }
    void setSyntaxHighlighter(std::shared_ptr<SyntaxColouring> highlighter) { syntaxHighlighter_ = std::move(highlighter); }
    [[nodiscard]] std::shared_ptr<CodeTextViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<CodeTextViewDelegate>& delegate);
    // The gutter's width: 0 when hidden; while it slides out, still the old width.
    [[nodiscard]] CGFloat lineNumberWidth() const { return lineNumberWidth_; }
    // Shows (from 0 to a width), hides (to 0) or only stores the width, sliding the gutter in or
    // out and the text's surface aside over kGutterSlideDuration.
    void setLineNumberWidth(CGFloat width);
    // The current layout (read by the gutter).
    [[nodiscard]] const CTFrameRef& ctframe() const { return frame_; }
    [[nodiscard]] bool dontParseSyntax() const { return dontParseSyntax_; }

    // The change pipeline.
    void textChangedWithHighlight(bool highlighted);
    void didHighlightText(const NSMutableAttributedString& coloured);
    void textChanged();
    [[nodiscard]] CGFloat boundingHeightForWidth(CGFloat width) const;

    // SyntaxColouringDelegate: all three act on the colouring copy while a recolour runs.
    void setTemporaryAttributesForCharacterRange(const NSAttributeDictionaryRef& attributes, NSRange range) override;
    void removeTemporaryAttributeForCharacterRange(std::string_view name, NSRange range) override;
    NSAttributeDictionaryRef temporaryAttributesAtCharacterIndex(NSUInteger index, NSRange* effectiveRange) override;

    // Drawing (the content view's drawRect); only the lines that meet the rectangle are drawn.
    void drawContentInRect(CGRect rect);
    // The laid-out lines as a person sees them, for the script driver (CodeTextViewVisibleText.cpp).
    [[nodiscard]] std::vector<TextLine> visibleTextLines() const override;
    void drawBoundingRangeAsSelection(NSRange range, CGFloat cornerRadius);
    void drawPathFromRects(const std::vector<CGRect>& rects, CGFloat cornerRadius);
    [[nodiscard]] static NSRange rangeIntersection(NSRange first, NSRange second);
    // The rectangles drawBoundingRangeAsSelection fills, top line first, in content space.
    [[nodiscard]] std::vector<CGRect> selectionRectsForRange(NSRange range) const;

    // Geometry.
    [[nodiscard]] CGRect caretRectForIndex(NSInteger index) const;
    [[nodiscard]] CGRect firstRectForNSRange(NSRange range) const;
    [[nodiscard]] NSUInteger closestIndexToPoint(CGPoint point) const;
    [[nodiscard]] NSUInteger closestWhiteSpaceIndexToPoint(CGPoint point) const;
    [[nodiscard]] NSRange characterRangeAtPoint_(CGPoint point) const;
    [[nodiscard]] NSRange characterRangeAtIndex(NSUInteger index) const;

    // The four ranges and how a selection change is shown.
    [[nodiscard]] NSRange selectedRange() const { return selectedRange_; }
    // Clamped into the text, each end moved out of a surrogate pair or a CR LF so that the
    // selection holds whole characters; the input delegate hears of it (the view's own change).
    void setSelectedRange(NSRange range);
    [[nodiscard]] NSRange markedRange() const { return markedRange_; }
    void setMarkedRange(NSRange range) { markedRange_ = range; }
    [[nodiscard]] NSRange correctionRange() const { return correctionRange_; }
    void setCorrectionRange(NSRange range);
    [[nodiscard]] NSRange linkRange() const { return linkRange_; }
    void setLinkRange(NSRange range);
    void selectionChanged();
    // Autoresizing makes the content and the gutter as tall as the view; they stay as tall as
    // the text (a keyboard that shortens the view must not cut the text off, nor shift it).
    void setFrame(CGRect frame) override;
    // Scrolls so that the caret (the selection's start) shows with a line above and below it;
    // also for a view that has just been made smaller (the keyboard came up).
    void scrollCaretToVisible(bool animated);
    // After a relayout: the caret, the selection's bars and handles and a showing loupe or
    // magnifier move to where their indices now lie (nothing scrolls); the menu shows again
    // there when asked.
    void followLayout(bool showMenuAgain);

    // UIKeyInput / UITextInput.
    [[nodiscard]] bool hasText() override { return !text().empty(); }
    void insertText(const std::u16string& text) override;
    void deleteBackward() override;
    [[nodiscard]] std::u16string textInRange(const UITextRangeRef& range) override;
    void replaceRangeWithText(const UITextRangeRef& range, const std::u16string& text) override;
    [[nodiscard]] UITextRangeRef selectedTextRange() override;
    void setSelectedTextRange(const UITextRangeRef& range) override;
    [[nodiscard]] UITextRangeRef markedTextRange() override;
    [[nodiscard]] const UITextStyleDictionary& markedTextStyle() const override { return markedTextStyle_; }
    void setMarkedTextStyle(const UITextStyleDictionary& style) override { markedTextStyle_ = style; }
    void setMarkedTextSelectedRange(const std::u16string& markedText, NSRange selectedRange) override;
    void unmarkText() override;
    [[nodiscard]] UITextPositionRef beginningOfDocument() override;
    [[nodiscard]] UITextPositionRef endOfDocument() override;
    [[nodiscard]] UITextRangeRef textRangeFromPositionToPosition(const UITextPositionRef& from, const UITextPositionRef& to) override;
    [[nodiscard]] UITextPositionRef positionFromPositionOffset(const UITextPositionRef& position, NSInteger offset) override;
    [[nodiscard]] UITextPositionRef positionFromPositionInDirectionOffset(const UITextPositionRef& position,
                                                                         UITextDirection direction, NSInteger offset) override;
    [[nodiscard]] NSComparisonResult comparePositionToPosition(const UITextPositionRef& position, const UITextPositionRef& other) override;
    [[nodiscard]] NSInteger offsetFromPositionToPosition(const UITextPositionRef& from, const UITextPositionRef& to) override;
    [[nodiscard]] UITextPositionRef positionWithinRangeFarthestInDirection(const UITextRangeRef& range, UITextDirection direction) override;
    [[nodiscard]] UITextRangeRef characterRangeByExtendingPositionInDirection(const UITextPositionRef& position,
                                                                             UITextDirection direction) override;
    [[nodiscard]] UITextInputDelegate* inputDelegate() const override { return inputDelegate_; }
    void setInputDelegate(UITextInputDelegate* delegate) override { inputDelegate_ = delegate; }
    [[nodiscard]] UITextInputTokenizer* tokenizer() override;
    [[nodiscard]] UITextWritingDirection baseWritingDirectionForPositionInDirection(const UITextPositionRef& position,
                                                                                   UITextStorageDirection direction) override;
    void setBaseWritingDirectionForRange(UITextWritingDirection writingDirection, const UITextRangeRef& range) override { }
    [[nodiscard]] CGRect firstRectForRange(const UITextRangeRef& range) override;
    [[nodiscard]] CGRect caretRectForPosition(const UITextPositionRef& position) override;
    [[nodiscard]] UITextPositionRef closestPositionToPoint(CGPoint point) override;
    [[nodiscard]] UITextPositionRef closestPositionToPointWithinRange(CGPoint point, const UITextRangeRef& range) override;
    [[nodiscard]] UITextRangeRef characterRangeAtPoint(CGPoint point) override;
    [[nodiscard]] UITextStyleDictionary textStylingAtPositionInDirection(const UITextPositionRef& position,
                                                                         UITextStorageDirection direction) override;
    [[nodiscard]] UIView* textInputView() override;

    // First responder: an editable view takes the keyboard and tells its delegate.
    [[nodiscard]] bool canBecomeFirstResponder() override;
    bool becomeFirstResponder() override;
    [[nodiscard]] bool canResignFirstResponder() override;
    bool resignFirstResponder() override;

    // Gesture handlers.
    void tap(UIGestureRecognizer& recognizer);
    void doubleTap(UIGestureRecognizer& recognizer);
    void longPress(UIGestureRecognizer& recognizer);
    void swipeRight(UIGestureRecognizer& recognizer);
    void swipeLeft(UIGestureRecognizer& recognizer);

    // UIGestureRecognizerDelegate: a press on a selection begins only near it; a scroll hides
    // the edit menu.
    bool gestureRecognizerShouldBegin(UIGestureRecognizer* recognizer) override;
    bool gestureRecognizerShouldRecognizeSimultaneouslyWithGestureRecognizer(UIGestureRecognizer* recognizer,
                                                                             UIGestureRecognizer* other) override;

    // The edit menu. Its commands come as actions (cut:, copy:, paste:, select:, selectAll:,
    // delete:, replace:) through performAction, from the menu or the keyboard's shortcuts.
    static constexpr double kTapMenuDelay = 0.35;
    static constexpr double kDoubleTapMenuDelay = 0.1;
    void showMenu();
    [[nodiscard]] CGRect menuPresentationRect() const;
    [[nodiscard]] bool respondsToAction(const SEL& action) const override;
    [[nodiscard]] bool canPerformAction(const SEL& action, const void* sender) override;
    bool performAction(const SEL& action, const void* sender) override;
    void cut();
    void copy();
    void paste();
    void select();
    void selectAll();
    void deleteSelection();
    void replace() { }
    void menuDidHide();

    // Links (found by a data detector) and, in a view that is not editable, link colouring and
    // inline attachments.
    static constexpr char kAttachmentAttributeName[] = "com.lexiphant.CodeTextAttachmentAttribute";
    [[nodiscard]] NSTextCheckingResultRef linkAtIndex(NSUInteger index) const;
    bool selectedLinkAtIndex(NSUInteger index);
    void setLinkRangeFromTextCheckerResults(const NSTextCheckingResultRef& link);
    void actionSheetWillDismissWithButtonIndex(UIActionSheet* actionSheet, int buttonIndex) override;
    void openLink(const NSURL& url);
    void checkLinksForRange(NSRange range);
    void scanAttachments();

    // Spelling hooks: the code view offers no corrections.
    void checkSpellingForRange(NSRange) { }
    void insertCorrectionAttributesForRange(NSRange) { }
    void removeCorrectionAttributesForRange(NSRange) { }
    void showCorrectionMenu() { }
    void showCorrectionMenuWithoutSelection() { }
    void showCorrectionMenuForRange(NSRange) { }

    // The overlay views (for the text view's own parts and tests).
    [[nodiscard]] CodeContentView* contentView() const { return textContentView_.get(); }
    [[nodiscard]] CodeCaretView* caretView() const { return caretView_.get(); }
    [[nodiscard]] CodeSelectionView* selectionView() const { return selectionView_.get(); }
    [[nodiscard]] UILongPressGestureRecognizer* longPressRecognizer() const { return longPress_; }
    [[nodiscard]] CodeTextWindow* textWindow() const { return textWindow_.get(); }
    [[nodiscard]] CodeLineNumberView* lineView() const { return lineView_.get(); }
    // The content-space area the last relayout marked for redrawing (empty when none).
    [[nodiscard]] CGRect lastInvalidatedRect() const { return lastInvalidated_; }

    // Caret positions: never inside a surrogate pair or between CR and LF. Before/after move
    // an index that falls inside such a pair to the pair's start/end; previous/next step one
    // character.
    [[nodiscard]] static NSUInteger caretBoundaryBefore(const std::u16string& text, NSUInteger index);
    [[nodiscard]] static NSUInteger caretBoundaryAfter(const std::u16string& text, NSUInteger index);
    [[nodiscard]] static NSUInteger previousCaretIndex(const std::u16string& text, NSUInteger index);
    [[nodiscard]] static NSUInteger nextCaretIndex(const std::u16string& text, NSUInteger index);
    // A hard line break: LF, CR, U+2028 or U+2029 (CR LF ends in LF).
    [[nodiscard]] static bool isLineTerminator(char16_t c) { return c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029; }

private:
    void commonInit();
    void installRecognizers();
    void clampRanges();
    // setSelectedRange without telling the input delegate: for the input system's own edits.
    void applySelectedRange(NSRange range);
    // Runs `change` between the input delegate's selectionWillChange and selectionDidChange.
    void changeSelection(const std::function<void()>& change);
    // The same with textWillChange and textDidChange, for text the view changes by itself.
    void changeText(const std::function<void()>& change);
    void announce(void (UITextInputDelegate::*will)(UITextInput*), const std::function<void()>& change,
                  void (UITextInputDelegate::*did)(UITextInput*));
    // start..end widened to whole characters (no half surrogate pair, no half CR LF).
    [[nodiscard]] static NSRange wholeCharacterRange(const std::u16string& text, NSUInteger start, NSUInteger end);
    void notifyDidChange();
    void invalidateChangedLines(const CTFrameRef& oldFrame, CGFloat oldHeight, const CTTypesetterRef& oldTypesetter);
    void invalidateSelectionFill();
    [[nodiscard]] CGRect contentBounds() const;
    [[nodiscard]] NSAttributeDictionaryRef makeDefaultAttributes() const;
    // The index before the line's closing terminator (CR LF counts as one), or its end.
    [[nodiscard]] NSUInteger lineEndCaretIndex(CFRange line) const;
    [[nodiscard]] CodeTextWindow* codeTextWindow();
    [[nodiscard]] std::shared_ptr<CodeTextView> selfView() { return std::static_pointer_cast<CodeTextView>(selfRef()); }
    void hideMenu();
    void observeMenuHide();
    // Installs a text without running the pipeline (read-only text's links and attachments).
    void replaceStoredText(const NSAttributedString& text);
    void installEdit(NSRange selection, NSRange marked);

    // CodeTextViewDelegate's answers, taken once in setDelegate.
    std::array<bool, 7> delegateResponds_ {};
    [[nodiscard]] bool responds(CodeTextViewDelegate::Operation operation) const
    {
        return delegateResponds_[static_cast<std::size_t>(operation)];
    }

    UITextInputDelegate* inputDelegate_ { nullptr }; // not owned
    std::shared_ptr<const NSAttributedString> attributedString_ { std::make_shared<NSAttributedString>() };
    UIFontRef font_;
    bool editing_ { false };
    bool editable_ { false };
    std::u16string lineBreak_;
    CTTypesetterRef typesetter_; // kept so the next relayout reuses unchanged paragraphs
    CTFramesetterRef framesetter_;
    CTFrameRef frame_;
    std::shared_ptr<const NSAttributedString> laidOutString_; // what frame_ was made of
    CGFloat laidOutWidth_ { -1 };
    std::shared_ptr<CodeContentView> textContentView_;
    std::shared_ptr<CodeCaretView> caretView_;
    std::shared_ptr<CodeLineNumberView> lineView_; // the gutter, once made
    CGFloat lineNumberWidth_ { 0 };
    bool gutterHiding_ { false }; // a hide slide runs: a second one would push the text off screen
    std::unique_ptr<NSMutableAttributedString> syntaxString_; // only while a recolour runs
    bool dontParseSyntax_ { false };
    std::weak_ptr<CodeTextViewDelegate> delegate_;
    NSAttributeDictionaryRef defaultAttributes_;
    std::shared_ptr<SyntaxColouring> syntaxHighlighter_;

    std::unique_ptr<NSMutableAttributedString> mutableAttributedString_; // the edit copy
    std::unique_ptr<UITextInputStringTokenizer> tokenizer_;
    NSRange selectedRange_ { 0, 0 };
    NSRange markedRange_ { NSRangeNotFound };
    NSRange correctionRange_ { 0, 0 };
    NSRange linkRange_ { 0, 0 };
    UITextStyleDictionary markedTextStyle_;
    UILongPressGestureRecognizer* longPress_ { nullptr }; // owned by the view's recognizer list
    std::shared_ptr<CodeSelectionView> selectionView_;
    std::shared_ptr<CodeTextWindow> textWindow_;
    CGRect lastInvalidated_ {};
    CGRect drawnSelectionBounds_ { CGRectNull };
};

// Registers the code view with the interface-file class registry; the app calls it at start-up.
void registerTextViewClasses();
