#include "tests/uikit/UIKitTestSupport.h"

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UITextInput.h"
#include "Platform/UIKit/UITextInputStringTokenizer.h"

namespace {

struct Index : UITextPosition {
    explicit Index(NSInteger i) : index(i) { }
    NSInteger index;
};

struct Span : UITextRange {
    Span(NSInteger a, NSInteger b) : from(a), to(b) { }
    UITextPositionRef start() const override { return std::make_shared<Index>(from); }
    UITextPositionRef end() const override { return std::make_shared<Index>(to); }
    bool isEmpty() const override { return from == to; }
    NSInteger from;
    NSInteger to;
};

NSInteger at(const UITextPositionRef& p)
{
    return std::static_pointer_cast<Index>(p)->index;
}

// Just enough of a text input for the tokenizer: a document and index positions.
class Document : public UITextInput {
public:
    explicit Document(std::u16string text) : text_(std::move(text)) { }
    bool hasText() override { return !text_.empty(); }
    void insertText(const std::u16string&) override { }
    void deleteBackward() override { }
    std::u16string textInRange(const UITextRangeRef& range) override
    {
        const auto* span = static_cast<const Span*>(range.get());
        return text_.substr(std::size_t(span->from), std::size_t(span->to - span->from));
    }
    void replaceRangeWithText(const UITextRangeRef&, const std::u16string&) override { }
    UITextRangeRef selectedTextRange() override { return nullptr; }
    void setSelectedTextRange(const UITextRangeRef&) override { }
    UITextRangeRef markedTextRange() override { return nullptr; }
    const UITextStyleDictionary& markedTextStyle() const override { return style_; }
    void setMarkedTextStyle(const UITextStyleDictionary& style) override { style_ = style; }
    void setMarkedTextSelectedRange(const std::u16string&, NSRange) override { }
    void unmarkText() override { }
    UITextPositionRef beginningOfDocument() override { return std::make_shared<Index>(0); }
    UITextPositionRef endOfDocument() override { return std::make_shared<Index>(NSInteger(text_.size())); }
    UITextRangeRef textRangeFromPositionToPosition(const UITextPositionRef& a, const UITextPositionRef& b) override
    {
        return std::make_shared<Span>(std::min(at(a), at(b)), std::max(at(a), at(b)));
    }
    UITextPositionRef positionFromPositionOffset(const UITextPositionRef& p, NSInteger offset) override
    {
        const NSInteger i = at(p) + offset;
        return i < 0 || i > NSInteger(text_.size()) ? nullptr : std::make_shared<Index>(i);
    }
    UITextPositionRef positionFromPositionInDirectionOffset(const UITextPositionRef& p, UITextDirection, NSInteger) override { return p; }
    NSComparisonResult comparePositionToPosition(const UITextPositionRef&, const UITextPositionRef&) override { return NSOrderedSame; }
    NSInteger offsetFromPositionToPosition(const UITextPositionRef& a, const UITextPositionRef& b) override { return at(b) - at(a); }
    UITextPositionRef positionWithinRangeFarthestInDirection(const UITextRangeRef&, UITextDirection) override { return nullptr; }
    UITextRangeRef characterRangeByExtendingPositionInDirection(const UITextPositionRef&, UITextDirection) override { return nullptr; }
    UITextInputDelegate* inputDelegate() const override { return nullptr; }
    void setInputDelegate(UITextInputDelegate*) override { }
    UITextInputTokenizer* tokenizer() override { return &tokenizer_; }
    UITextWritingDirection baseWritingDirectionForPositionInDirection(const UITextPositionRef&, UITextStorageDirection) override
    {
        return UITextWritingDirectionLeftToRight;
    }
    void setBaseWritingDirectionForRange(UITextWritingDirection, const UITextRangeRef&) override { }
    CGRect firstRectForRange(const UITextRangeRef&) override { return CGRectNull; }
    CGRect caretRectForPosition(const UITextPositionRef&) override { return CGRectZero; }
    UITextPositionRef closestPositionToPoint(CGPoint) override { return nullptr; }
    UITextPositionRef closestPositionToPointWithinRange(CGPoint, const UITextRangeRef&) override { return nullptr; }
    UITextRangeRef characterRangeAtPoint(CGPoint) override { return nullptr; }

private:
    std::u16string text_;
    UITextStyleDictionary style_;
    UITextInputStringTokenizer tokenizer_ { this };
};

UITextPositionRef pos(NSInteger i)
{
    return std::make_shared<Index>(i);
}

// Paints its lower-left corner red in its own coordinates.
class CornerView : public UIView {
public:
    using UIView::UIView;
    void drawRect(CGRect) override
    {
        CGContextRef context = UIGraphicsGetCurrentContext();
        ASSERT_NE(context, nullptr);
        CGContextSetRGBFillColor(context, 1, 0, 0, 1);
        CGContextFillRect(context, CGRectMake(0, 0, 10, 10));
    }
};

} // namespace

TEST(StringTokenizer, WordsLinesAndDocument)
{
    Document document(u"one two\nthree");
    UITextInputTokenizer& tokenizer = *document.tokenizer();
    const auto range = [&](NSInteger i, UITextGranularity g, UITextDirection d) -> std::pair<NSInteger, NSInteger> {
        const auto r = tokenizer.rangeEnclosingPositionWithGranularityInDirection(pos(i), g, d);
        return r ? std::pair { at(r->start()), at(r->end()) } : std::pair<NSInteger, NSInteger> { -1, -1 };
    };
    EXPECT_EQ(range(5, UITextGranularityWord, UITextStorageDirectionForward), (std::pair<NSInteger, NSInteger> { 4, 7 }));
    EXPECT_EQ(range(7, UITextGranularityWord, UITextStorageDirectionBackward), (std::pair<NSInteger, NSInteger> { 4, 7 }));
    EXPECT_EQ(range(3, UITextGranularityWord, UITextStorageDirectionForward), (std::pair<NSInteger, NSInteger> { -1, -1 }));
    EXPECT_EQ(range(10, UITextGranularityLine, UITextStorageDirectionForward), (std::pair<NSInteger, NSInteger> { 8, 13 }));
    EXPECT_EQ(range(0, UITextGranularityDocument, UITextStorageDirectionForward), (std::pair<NSInteger, NSInteger> { 0, 13 }));

    EXPECT_TRUE(tokenizer.isPositionAtBoundaryInDirection(pos(3), UITextGranularityWord, UITextStorageDirectionForward));
    EXPECT_FALSE(tokenizer.isPositionAtBoundaryInDirection(pos(3), UITextGranularityWord, UITextStorageDirectionBackward));
    EXPECT_TRUE(tokenizer.isPositionAtBoundaryInDirection(pos(8), UITextGranularityParagraph, UITextLayoutDirectionLeft));
    EXPECT_EQ(at(tokenizer.positionFromPositionToBoundaryInDirection(pos(1), UITextGranularityWord, UITextStorageDirectionForward)), 3);
    EXPECT_EQ(at(tokenizer.positionFromPositionToBoundaryInDirection(pos(9), UITextGranularityWord, UITextStorageDirectionBackward)), 8);
    EXPECT_EQ(tokenizer.positionFromPositionToBoundaryInDirection(pos(13), UITextGranularityWord, UITextStorageDirectionForward), nullptr);
    EXPECT_EQ(at(tokenizer.positionFromPositionToBoundaryInDirection(pos(13), UITextGranularityCharacter, UITextStorageDirectionBackward)), 12);
    EXPECT_TRUE(tokenizer.isPositionWithinTextUnitInDirection(pos(4), UITextGranularityWord, UITextStorageDirectionForward));
    EXPECT_FALSE(tokenizer.isPositionWithinTextUnitInDirection(pos(4), UITextGranularityWord, UITextStorageDirectionBackward));
}

// A flipped view draws with its origin at the bottom, unless its superview's space already runs
// upward: then the flip turns it back. An unflipped view always draws from the top.
TEST(ViewDrawing, FlippedViewsDrawWithTheOriginAtTheBottom)
{
    struct Case {
        bool flipped;
        bool parentFlipped;
        bool originAtBottom;
    };
    const Case cases[] = {
        { false, false, false },
        { true, false, true },
        { false, true, false },
        { true, true, false },
    };
    for (const Case& c : cases) {
        auto parent = std::make_shared<UIView>(CGRectMake(0, 0, 100, 100));
        parent->layer()->setGeometryFlipped(c.parentFlipped);
        auto view = std::make_shared<CornerView>(CGRectMake(0, 0, 40, 40));
        view->layer()->setGeometryFlipped(c.flipped);
        parent->addSubview(view);
        const bool flipped = c.originAtBottom;
        EXPECT_TRUE(view->needsDisplay());
        auto context = CGContext::createImageContext({ 40, 40 }, 1, true, true);
        ASSERT_NE(context, nullptr);
        CGContextSetRGBFillColor(context.get(), 1, 1, 1, 1);
        CGContextFillRect(context.get(), CGRectMake(0, 0, 40, 40));
        view->displayInContext(context.get());
        EXPECT_FALSE(view->needsDisplay());
        cairo_surface_t* surface = context->surface();
        cairo_surface_flush(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        // Red (ARGB32, little endian: B G R A) at the top-left or bottom-left pixel.
        const auto isRed = [&](int x, int y) {
            const unsigned char* p = data + y * stride + x * 4;
            return p[2] > 200 && p[1] < 50 && p[0] < 50;
        };
        EXPECT_EQ(isRed(2, 2), !flipped) << c.flipped << c.parentFlipped;
        EXPECT_EQ(isRed(2, 37), flipped) << c.flipped << c.parentFlipped;
    }
}
