#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "Platform/Foundation/NSTimer.h"
#include "Platform/Foundation/NSURLRequest.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIWebViewDelegate.h"
#include "Platform/UIKit/UIWebViewDocument.h"

class UIClassRegistry;
class UIWebViewDocumentView;
class UIWebViewSpinner;

// Shows one local file read-only: pictures scaled to fit, PDF pages stacked in a scroll view
// (only the pages on screen are rendered), office documents and RTF as the PDF LibreOffice makes
// of them (a spinner turns meanwhile), text and HTML as text in a monospaced font. Anything it
// cannot show gets a panel saying why, and the delegate hears of the failure. Loading runs in the
// background; the delegate hears of it on the main thread, and a view that is gone hears nothing.
// Main thread only.
class UIWebView : public UIView {
public:
    explicit UIWebView(CGRect frame = CGRectZero);
    ~UIWebView() override;

    [[nodiscard]] std::shared_ptr<UIWebViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<UIWebViewDelegate> delegate) { delegate_ = std::move(delegate); }

    // Only file URLs load; anything else fails at once (reported like any failure).
    void loadRequest(const NSURLRequestRef& request);
    // Ends the current load; the delegate hears nothing more of it.
    void stopLoading();
    [[nodiscard]] bool isLoading() const { return loading_; }
    [[nodiscard]] const NSURLRequestRef& request() const { return request_; }

    [[nodiscard]] const std::shared_ptr<UIScrollView>& scrollView() const { return scrollView_; }

    // What is shown (tests and callers that ask): none before the first load finishes.
    [[nodiscard]] bool hasDocument() const { return document_ != nullptr; }
    [[nodiscard]] UIWebViewDocument::Kind shownKind() const;
    [[nodiscard]] const std::string& failureReason() const { return failureReason_; }
    [[nodiscard]] bool isConverting() const { return converting_; }
    [[nodiscard]] int pageCount() const { return document_ ? document_->pageCount() : 0; }
    [[nodiscard]] int renderedPageCount() const { return document_ ? document_->renderedPageCount() : 0; }

    void layoutSubviews() override;

    // "UIWebView": delegate (an object of the file adopting UIWebViewDelegate).
    static void registerInterfaceClass(UIClassRegistry& registry);

    // For the document view: draws the visible part of the document.
    void drawDocument(CGContextRef context, CGRect visible);
    // For the scroll view: its offset moved.
    void scrolled();

private:
    void finishLoad(std::uint64_t generation, UIWebViewDocument::Loaded loaded);
    void fail(const NSError& error, const std::string& fileName);
    void install(std::unique_ptr<UIWebViewDocument> document);
    void relayout();
    void setConverting(bool converting);

    std::weak_ptr<UIWebViewDelegate> delegate_;
    std::shared_ptr<UIScrollView> scrollView_;
    std::shared_ptr<UIWebViewDocumentView> documentView_;
    std::shared_ptr<UIWebViewSpinner> spinner_;
    NSURLRequestRef request_;
    std::unique_ptr<UIWebViewDocument> document_;
    std::string failureReason_;
    // Each load has a number; a result of an older load is dropped.
    std::uint64_t generation_ { 0 };
    std::shared_ptr<std::atomic<bool>> cancelled_;
    bool loading_ { false };
    bool converting_ { false };
    CGSize laidOutSize_ {};
};
