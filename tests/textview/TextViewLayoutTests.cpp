#include <cmath>
#include <random>

#include "TextViewTestSupport.h"
#include "Platform/CoreText/CTLine.h"

namespace {

CGFloat contentHeight(const CodeTextView& v) { return v.contentView()->bounds().size.height; }

}

TEST_F(TextViewTest, CaretRectanglesFollowTheLayoutRules)
{
    const UIFontRef& font = view_->font();
    // Empty text: at the top-left of the content, leading below its top.
    view_->setText(u"");
    CGRect r = view_->caretRectForIndex(0);
    EXPECT_EQ(r.origin.x, 0);
    EXPECT_DOUBLE_EQ(r.origin.y, contentHeight(*view_) - font->leading());
    EXPECT_EQ(r.size.width, 3.0);
    EXPECT_DOUBLE_EQ(r.size.height, font->ascender() + std::fabs(2 * font->descender()));

    // After a final line break of any kind: one leading below the last line, at its start, and
    // inside the content, which has a row for it.
    view_->setText(u"ab");
    const CGFloat oneRow = contentHeight(*view_);
    for (const std::u16string lineBreak : { u"\n", u"\r", u"\r\n", u"\u2028", u"\u2029" }) {
        SCOPED_TRACE(static_cast<int>(lineBreak.back()));
        view_->setText(u"ab" + lineBreak);
        const CGPoint o = view_->ctframe()->origins().back();
        CGFloat a = 0, d = 0;
        CTLineGetTypographicBounds(view_->ctframe()->lines().back(), &a, &d, nullptr);
        r = view_->caretRectForIndex(static_cast<NSInteger>(view_->text().size()));
        EXPECT_EQ(r.origin.x, 0);
        EXPECT_EQ(r.origin.y, std::floor(o.y - font->leading() - d));
        EXPECT_EQ(r.size.height, std::ceil(2 * d + a));
        EXPECT_DOUBLE_EQ(contentHeight(*view_), 2 * oneRow);
        EXPECT_GE(r.origin.y, 0) << "the caret lies inside the content";
    }

    // Out-of-range indices clamp.
    view_->setText(u"abc def");
    EXPECT_EQ(view_->caretRectForIndex(99).origin.x, view_->caretRectForIndex(7).origin.x);
    EXPECT_EQ(view_->caretRectForIndex(-4).origin.x, view_->caretRectForIndex(0).origin.x);
}

TEST_F(TextViewTest, WrappedLineSendsTheWrapIndexToTheSecondRow)
{
    std::u16string line;
    for (int i = 0; i < 30; ++i) {
        line += u"word ";
    }
    view_->setText(line);
    const auto& lines = view_->ctframe()->lines();
    ASSERT_GE(lines.size(), 2u);
    const CFIndex wrap = lines[1]->stringRange().location;
    const CGRect caret = view_->caretRectForIndex(wrap);
    EXPECT_EQ(caret.origin.x, view_->ctframe()->origins()[1].x);
    EXPECT_LT(caret.origin.y, view_->ctframe()->origins()[0].y - 5);
    // A tap past the end of the wrapped row stays at that row's end.
    EXPECT_EQ(view_->closestWhiteSpaceIndexToPoint(pointOnLine(0, 5000)), static_cast<NSUInteger>(wrap));
}

TEST_F(TextViewTest, TapIndicesStayOnTheirLineAndNeverSplitPairs)
{
    struct Case {
        const char* name;
        std::u16string text;
        std::size_t line;
        CGFloat x;
        NSUInteger expected;
    };
    const CGFloat far = 5000;
    const Case cases[] = {
        { "past LF line end: before the LF", u"ab\ncd", 0, far, 2 },
        { "past CR LF line end: before the CR", u"ab\r\ncd", 0, far, 2 },
        { "past CR line end: stays on its line", u"ab\rcd", 0, far, 2 },
        { "line without a word: the index found", u"{\n    }\nx", 1, 30, 6 },
        { "closing brace line: the index found", u"a\n}}}\nb", 1, 12, 3 },
        { "second half of a word: its end", u"hello world", 0, 30, 5 },
        { "first half of a word: its start", u"hello world", 0, 60, 6 },
        { "last line past end: the length", u"ab\ncd", 1, far, 5 },
    };
    for (const Case& c : cases) {
        view_->setText(c.text);
        EXPECT_EQ(view_->closestWhiteSpaceIndexToPoint(pointOnLine(c.line, c.x)), c.expected) << c.name;
    }
    // The loupe's index: past a line's end it stays before the terminator; never inside a pair.
    view_->setText(u"ab\r\ncd");
    EXPECT_EQ(view_->closestIndexToPoint(pointOnLine(0, far)), 2u);
    view_->setText(u"x\U0001F600y");
    for (CGFloat x = 0; x < 60; x += 1) {
        EXPECT_NE(view_->closestIndexToPoint(pointOnLine(0, x)), 2u) << x;
    }
}

TEST_F(TextViewTest, EmptyTextAnswersFallbacks)
{
    view_->setText(u"");
    EXPECT_EQ(view_->closestIndexToPoint(CGPointMake(10, 10)), 0u);
    EXPECT_TRUE(CGRectIsNull(view_->firstRectForNSRange(NSMakeRange(0, 0))));
    EXPECT_EQ(view_->characterRangeAtIndex(0), NSRangeNotFound);
    view_->setText(u"ab\ncd");
    EXPECT_TRUE(CGRectIsNull(view_->firstRectForNSRange(NSMakeRange(5, 0))));
    EXPECT_FALSE(CGRectIsNull(view_->firstRectForNSRange(NSMakeRange(3, 2))));
}

TEST_F(TextViewTest, WordRangesAndIntersections)
{
    view_->setText(u"alpha beta\ngamma");
    EXPECT_EQ(view_->characterRangeAtIndex(5), NSMakeRange(0, 5)); // just after the word
    EXPECT_EQ(view_->characterRangeAtIndex(12), NSMakeRange(11, 5));
    const CGPoint o = view_->ctframe()->origins()[0];
    EXPECT_EQ(view_->characterRangeAtPoint_(CGPointMake(o.x + 2, o.y + 3)), NSMakeRange(0, 5));

    struct Case {
        NSRange a, b, expected;
    };
    const Case cases[] = {
        { { 0, 5 }, { 5, 3 }, NSRangeNotFound },
        { { 5, 0 }, { 3, 10 }, { 5, 0 } },
        { { 2, 6 }, { 4, 10 }, { 4, 4 } },
        { { 4, 10 }, { 2, 6 }, { 4, 4 } },
        { { 3, 2 }, { 3, 9 }, { 3, 2 } },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CodeTextView::rangeIntersection(c.a, c.b), c.expected);
    }
}

TEST_F(TextViewTest, EveryCharacterBoundaryIsACaretPosition)
{
    // Ligature-prone pairs keep a caret position between their characters.
    view_->setText(u"fi -> ff != ==");
    const CTLineRef& line = view_->ctframe()->lines().front();
    for (CFIndex i = 1; i < line->stringRange().length; ++i) {
        EXPECT_LT(CTLineGetOffsetForStringIndex(line, i - 1, nullptr), CTLineGetOffsetForStringIndex(line, i, nullptr)) << i;
    }
}

TEST_F(TextViewTest, PipelineNotifiesOnceAfterTheLayout)
{
    auto delegate = std::make_shared<RecordingDelegate>();
    view_->setDelegate(delegate);
    view_->setText(u"<?php echo 1; ?>");
    EXPECT_EQ(delegate->changes, 1);
    EXPECT_TRUE(delegate->framePresent);

    attachEngine("index.php");
    view_->setText(u"<?php echo 'x'; ?>\n");
    EXPECT_EQ(delegate->changes, 2);
    EXPECT_EQ(delegate->textAtNotice, u"<?php echo 'x'; ?>\n");
    // Coloured: runs beyond the one plain run.
    EXPECT_GT(view_->attributedString().runCount(), 1u);

    // setFont relayouts without a notice and keeps the colours.
    const std::size_t runs = view_->attributedString().runCount();
    view_->setFont(UIFont::fontWithName("Droid Sans Mono", 20));
    EXPECT_EQ(delegate->changes, 2);
    EXPECT_EQ(view_->attributedString().runCount(), runs);

    // A delegate is asked once; answers it gains later are not seen.
    auto silent = std::make_shared<CodeTextViewDelegate>();
    view_->setDelegate(silent);
    view_->setText(u"x");
    EXPECT_EQ(delegate->changes, 2);
}

namespace {
// A view whose colouring writes fail: the engine's pass breaks off.
class FailingWritesView : public CodeTextView {
public:
    using CodeTextView::CodeTextView;
    void setTemporaryAttributesForCharacterRange(const NSAttributeDictionaryRef&, NSRange) override
    {
        throw std::runtime_error("write refused");
    }
};
}

TEST_F(TextViewTest, FailingColouringStillLandsTheChange)
{
    auto view = std::make_shared<FailingWritesView>(CGRectMake(0, 0, kWidth, kHeight));
    window_->addSubview(view);
    auto engine = std::make_shared<SyntaxColouring>(u"");
    engine->setSyntaxDefinition("a.php");
    view->setSyntaxHighlighter(engine);
    engine->setTextView(view);
    auto delegate = std::make_shared<RecordingDelegate>();
    view->setDelegate(delegate);
    view->setText(u"<?php $a = 'b'; ?>");
    EXPECT_EQ(delegate->changes, 1);
    EXPECT_EQ(view->text(), u"<?php $a = 'b'; ?>");
    EXPECT_FALSE(view->ctframe()->lines().empty());
}

// Incremental relayout keeps shaped paragraphs: the result must be the one a fresh layout of the
// same text gives, line for line and offset for offset.
TEST_F(TextViewTest, RelayoutAfterRandomEditsEqualsAFreshLayout)
{
    attachEngine("page.php");
    std::u16string text;
    for (int i = 0; i < 40; ++i) {
        text += u"<?php $value" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) + u" = \"str\"; // note\n\t  echo fi->x;\r\n";
    }
    view_->setText(text);
    view_->becomeFirstResponder();
    std::mt19937 random(7);
    const std::u16string pieces[] = { u"x", u"\n", u"/*", u"*/", u"\"", u"\r\n", u"\U0001F600", u"  ", u"if" };
    auto fresh = CodeTextView::make(view_->frame());
    window_->addSubview(fresh);
    fresh->setFont(view_->font());
    for (int step = 0; step < 60; ++step) {
        const NSUInteger length = view_->text().size();
        const NSUInteger at = CodeTextView::caretBoundaryBefore(view_->text(), random() % (length + 1));
        view_->setSelectedRange(NSMakeRange(at, 0));
        if (random() % 3 == 0) {
            view_->deleteBackward();
        } else {
            view_->insertText(pieces[random() % std::size(pieces)]);
        }
        fresh->setAttributedString(view_->attributedString());
        const auto& a = view_->ctframe()->lines();
        const auto& b = fresh->ctframe()->lines();
        ASSERT_EQ(a.size(), b.size()) << step;
        for (std::size_t i = 0; i < a.size(); ++i) {
            ASSERT_EQ(a[i]->stringRange(), b[i]->stringRange()) << step << " line " << i;
            ASSERT_EQ(view_->ctframe()->origins()[i].y, fresh->ctframe()->origins()[i].y);
            for (CFIndex k = 0; k <= a[i]->stringRange().length; ++k) {
                const CFIndex index = a[i]->stringRange().location + k;
                ASSERT_EQ(a[i]->offsetForStringIndex(index), b[i]->offsetForStringIndex(index)) << step << " index " << index;
            }
            const auto& ra = a[i]->glyphRuns();
            const auto& rb = b[i]->glyphRuns();
            ASSERT_EQ(ra.size(), rb.size());
            for (std::size_t g = 0; g < ra.size(); ++g) {
                ASSERT_EQ(ra[g]->glyphs, rb[g]->glyphs);
                ASSERT_EQ(ra[g]->stringRange, rb[g]->stringRange);
                ASSERT_TRUE(ra[g]->color == rb[g]->color || (ra[g]->color && rb[g]->color && ra[g]->color->isEqual(*rb[g]->color)));
            }
        }
        const NSUInteger caret = view_->selectedRange().location;
        ASSERT_EQ(view_->caretRectForIndex(static_cast<NSInteger>(caret)).origin.y,
                  fresh->caretRectForIndex(static_cast<NSInteger>(caret)).origin.y);
    }
}

TEST_F(TextViewTest, TypingOneCharacterInvalidatesOnlyItsLine)
{
    std::u16string text;
    for (int i = 0; i < 20; ++i) {
        text += u"line of text\n";
    }
    view_->setText(text);
    view_->becomeFirstResponder();
    view_->setSelectedRange(NSMakeRange(13 * 5 + 2, 0));
    view_->insertText(u"x");
    const CGRect dirty = view_->lastInvalidatedRect();
    EXPECT_GT(dirty.size.height, 0);
    EXPECT_LT(dirty.size.height, 2.5 * view_->font()->lineHeight());
}
