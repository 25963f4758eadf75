// Links in the code view's text: found by a data detector, offered in a sheet after a tap and a
// press, opened by the delegate or the system. A view that is not editable also colours its
// links and sizes its inline attachments.
#include <memory>

#include "Classes/TextView/CodeTextAttachment.h"
#include "Classes/TextView/CodeTextView.h"
#include "Platform/CoreText/CTRunDelegate.h"
#include "Platform/Foundation/NSDataDetector.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNumber.h"
#include "Platform/UIKit/UIActionSheet.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIColor.h"

namespace {

constexpr char kCancelTitle[] = "Cancel";
constexpr char kOpenTitle[] = "Open";

const std::shared_ptr<NSDataDetector>& linkDetector()
{
    static const std::shared_ptr<NSDataDetector> detector = NSDataDetector::dataDetectorWithTypes(NSTextCheckingTypeLink);
    return detector;
}

// The run delegate owns the attachment through this holder.
using Holder = std::shared_ptr<const NSObject>;

CGSize attachmentSizeOf(void* refCon)
{
    const auto* attachment = dynamic_cast<const CodeTextAttachment*>(static_cast<Holder*>(refCon)->get());
    if (!attachment) {
        return CGSizeZero;
    }
    if (const auto size = attachment->attachmentSize()) {
        return *size;
    }
    const UIViewRef view = attachment->attachmentView();
    return view ? view->frame().size : CGSizeZero;
}

void releaseAttachment(void* refCon) { delete static_cast<Holder*>(refCon); }
CGFloat attachmentAscent(void* refCon) { return attachmentSizeOf(refCon).height; }
CGFloat attachmentWidth(void* refCon) { return attachmentSizeOf(refCon).width; }

}

NSTextCheckingResultRef CodeTextView::linkAtIndex(NSUInteger index) const
{
    const NSRange word = characterRangeAtIndex(index);
    if (word.location == NSNotFound || word.length == 0 || !linkDetector()) {
        return nullptr;
    }
    // A link spans several words ("http", "example.org", "docs"), so the word alone holds no
    // link: the detector reads the word's whole line and the link over the word is the answer.
    const std::u16string& t = text();
    const auto isBreak = [](char16_t c) { return c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029; };
    NSUInteger start = word.location;
    while (start > 0 && !isBreak(t[start - 1])) {
        --start;
    }
    NSUInteger end = word.max();
    while (end < t.size() && !isBreak(t[end])) {
        ++end;
    }
    NSTextCheckingResultRef found;
    linkDetector()->enumerateMatchesInString(t, 0, NSMakeRange(start, end - start), [&](const NSTextCheckingResultRef& link, bool* stop) {
        if (CodeTextView::rangeIntersection(link->range(), word).location != NSNotFound) {
            found = link;
            *stop = true;
        }
    });
    return found;
}

bool CodeTextView::selectedLinkAtIndex(NSUInteger index)
{
    const NSTextCheckingResultRef link = linkAtIndex(index);
    if (!link) {
        return false;
    }
    setLinkRange(link->range());
    return true;
}

void CodeTextView::setLinkRangeFromTextCheckerResults(const NSTextCheckingResultRef& link)
{
    if (linkRange_.length == 0 || !link || !link->URL()) {
        return;
    }
    const std::shared_ptr<UIActionSheetDelegate> delegate = selfView();
    auto sheet = std::make_shared<UIActionSheet>(link->URL()->absoluteString(), delegate, kCancelTitle, "",
                                                 std::vector<std::string> { kOpenTitle });
    sheet->showInView(this);
}

void CodeTextView::actionSheetWillDismissWithButtonIndex(UIActionSheet* actionSheet, int buttonIndex)
{
    if (buttonIndex == actionSheet->cancelButtonIndex()) {
        becomeFirstResponder();
    } else if (const auto url = NSURL::URLWithString(actionSheet->title())) {
        const auto d = delegate_.lock();
        if (d && responds(CodeTextViewDelegate::Operation::DidSelectURL)) {
            d->textViewDidSelectURL(this, *url);
        } else {
            openLink(*url);
        }
    }
    setLinkRange(NSRangeNotFound);
}

void CodeTextView::openLink(const NSURL& url) { UIApplication::sharedApplication().openURL(url); }

void CodeTextView::checkLinksForRange(NSRange range)
{
    if (!linkDetector() || range.location > text().size()) {
        return;
    }
    NSMutableAttributedString copy(*attributedString_);
    const auto blue = UIColor::blueColor()->CGColor();
    const auto underline = NSNumber::numberWithInt(1);
    linkDetector()->enumerateMatchesInString(text(), 0, range, [&](const NSTextCheckingResultRef& link, bool*) {
        copy.addAttribute(kCTForegroundColorAttributeName, blue, link->range());
        copy.addAttribute(kCTUnderlineStyleAttributeName, underline, link->range());
    });
    if (!copy.isEqualToAttributedString(*attributedString_)) {
        replaceStoredText(copy);
    }
}

void CodeTextView::scanAttachments()
{
    std::unique_ptr<NSMutableAttributedString> copy;
    const NSAttributedString& current = *attributedString_;
    current.enumerateAttributesInRange(NSMakeRange(0, current.length()), [&](const NSAttributeDictionary& attributes, NSRange range) {
        const auto found = attributes.find(kAttachmentAttributeName);
        if (found == attributes.end() || !found->second) {
            return;
        }
        if (!copy) {
            copy = std::make_unique<NSMutableAttributedString>(current);
        }
        CTRunDelegateCallbacks callbacks;
        callbacks.version = kCTRunDelegateVersion1;
        callbacks.dealloc = releaseAttachment;
        callbacks.getAscent = attachmentAscent;
        callbacks.getWidth = attachmentWidth;
        auto* holder = new Holder(found->second);
        const CTRunDelegateRef runDelegate = CTRunDelegateCreate(&callbacks, holder);
        if (!runDelegate) {
            delete holder;
            return;
        }
        copy->addAttribute(kCTRunDelegateAttributeName, runDelegate, range);
    });
    if (copy) {
        replaceStoredText(*copy);
    }
}

void CodeTextView::replaceStoredText(const NSAttributedString& text)
{
    attributedString_ = std::make_shared<const NSAttributedString>(text);
}
