#include "GestureTestSupport.h"

#include "Classes/TextView/CodeTextAttachment.h"
#include "Platform/CoreText/CTLine.h"
#include "Platform/CoreText/CTRunDelegate.h"
#include "Platform/Foundation/NSNumber.h"
#include "Platform/UIKit/UILongPressGestureRecognizer.h"

namespace {

constexpr std::u16string_view kText = u"see http://example.org/docs for more\nplain words";

class SizedAttachment : public CodeTextAttachment {
public:
    explicit SizedAttachment(CGSize size) : size_(size) { }
    std::optional<CGSize> attachmentSize() const override { return size_; }

private:
    CGSize size_;
};

class ViewAttachment : public CodeTextAttachment {
public:
    ViewAttachment() : view_(std::make_shared<UIView>(CGRectMake(0, 0, 30, 12))) { }
    UIViewRef attachmentView() const override { return view_; }

private:
    UIViewRef view_;
};

}

// A view that is not editable colours its links blue and underlines them.
TEST_F(GestureTest, ReadOnlyTextColoursItsLinks)
{
    view_->setEditable(false);
    load(std::u16string(kText), false);
    const NSAttributedString& text = view_->attributedString();
    const auto& link = text.attributesAtIndex(10, nullptr);
    const auto colour = std::dynamic_pointer_cast<const CGColor>(link.at(kCTForegroundColorAttributeName));
    ASSERT_TRUE(colour);
    EXPECT_TRUE(colour->isEqual(*UIColor::blueColor()->CGColor()));
    const auto underline = std::dynamic_pointer_cast<const NSNumber>(link.at(kCTUnderlineStyleAttributeName));
    ASSERT_TRUE(underline);
    EXPECT_EQ(underline->intValue(), 1);
    EXPECT_EQ(text.attributesAtIndex(1, nullptr).count(kCTUnderlineStyleAttributeName), 0u);
    // An editable view leaves links as plain text.
    view_->setEditable(true);
    load(std::u16string(kText));
    EXPECT_EQ(view_->attributedString().attributesAtIndex(10, nullptr).count(kCTUnderlineStyleAttributeName), 0u);
}

// A tapped link is taken only when the delegate takes URLs and the view is not editing; the
// next press offers it in a sheet, whose Open goes to the delegate, else to the system.
TEST_F(GestureTest, TappedLinkOpensFromTheSheet)
{
    struct Case {
        const char* name;
        bool delegateTakesURLs;
        bool open; // Open rather than Cancel
        std::vector<std::string> delegateURLs;
        std::vector<std::string> systemURLs;
    };
    const Case cases[] = {
        { "open through the delegate", true, true, { "http://example.org/docs" }, {} },
        { "cancel", true, false, {}, {} },
    };
    for (const Case& c : cases) {
        UIActionSheet::resetForTesting();
        std::vector<std::string> opened;
        UIApplication::sharedApplication().setURLOpener([&](const std::string& url) {
            opened.push_back(url);
            return true;
        });
        auto delegate = std::make_shared<ScriptedDelegate>();
        if (c.delegateTakesURLs) {
            delegate->implemented = { CodeTextViewDelegate::Operation::DidSelectURL };
        }
        view_->setDelegate(delegate);
        view_->setEditable(false);
        load(std::u16string(kText), false);
        tap(pointAtIndex(12), 1.0);
        EXPECT_EQ(view_->linkRange(), NSMakeRange(4, 23)) << c.name;
        down(pointAtIndex(12));
        advance(0.6);
        const auto sheets = UIActionSheet::visibleSheets();
        ASSERT_EQ(sheets.size(), 1u) << c.name;
        EXPECT_EQ(sheets.front()->title(), "http://example.org/docs");
        up(pointAtIndex(12));
        advance(0.5);
        const int index = c.open ? sheets.front()->firstOtherButtonIndex() : sheets.front()->cancelButtonIndex();
        sheets.front()->dismissWithClickedButtonIndex(index, false);
        advance(0.1);
        EXPECT_EQ(delegate->urls, c.delegateURLs) << c.name;
        EXPECT_EQ(opened, c.systemURLs) << c.name;
        EXPECT_EQ(view_->linkRange().location, NSNotFound) << c.name;
        view_->setDelegate(nullptr);
    }
    // Without a delegate that takes URLs a tap on a link only moves the caret.
    load(std::u16string(kText), false);
    view_->setLinkRange(NSMakeRange(0, 0));
    tap(pointAtIndex(12), 1.0);
    EXPECT_EQ(view_->linkRange(), NSMakeRange(0, 0));
    EXPECT_EQ(view_->linkAtIndex(40), nullptr); // "plain"
}

// Inline attachments of a read-only text take their size from the attachment or its view.
TEST_F(GestureTest, AttachmentsGetRunDelegatesOfTheirSize)
{
    view_->setEditable(false);
    NSMutableAttributedString text(u"a\uFFFCb\uFFFCc", view_->defaultAttributes());
    text.addAttribute(CodeTextView::kAttachmentAttributeName, std::make_shared<SizedAttachment>(CGSizeMake(40, 25)), NSMakeRange(1, 1));
    text.addAttribute(CodeTextView::kAttachmentAttributeName, std::make_shared<ViewAttachment>(), NSMakeRange(3, 1));
    view_->setAttributedString(text);
    const auto runDelegateAt = [&](NSUInteger i) {
        const auto& attributes = view_->attributedString().attributesAtIndex(i, nullptr);
        const auto found = attributes.find(kCTRunDelegateAttributeName);
        return found == attributes.end() ? nullptr : std::dynamic_pointer_cast<const CTRunDelegate>(found->second);
    };
    const auto first = runDelegateAt(1);
    const auto second = runDelegateAt(3);
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    EXPECT_EQ(first->width(), 40);
    EXPECT_EQ(first->ascent(), 25);
    EXPECT_EQ(first->descent(), 0);
    EXPECT_EQ(second->width(), 30);
    EXPECT_EQ(second->ascent(), 12);
    EXPECT_FALSE(runDelegateAt(0));
    // The layout makes room for them.
    const auto& line = view_->ctframe()->lines().front();
    EXPECT_GE(line->ascent(), 25);
}
