#include "Platform/UIKit/UIWebView.h"

#include <cmath>
#include <stdexcept>

#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSThread.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIRenderer.h"

namespace {

constexpr double kSpinnerPeriod = 1.0;
constexpr int kSpinnerSpokes = 12;
constexpr CGFloat kSpinnerBox = 88;

}

// The web view's scroller: tells the web view whenever its offset moves.
class UIWebViewScrollView final : public UIScrollView {
public:
    UIWebViewScrollView(CGRect frame, UIWebView* owner) : UIScrollView(frame), owner_(owner) { }
    void setBounds(CGRect bounds) override
    {
        UIScrollView::setBounds(bounds);
        if (owner_ != nullptr) {
            owner_->scrolled();
        }
    }
    void detach() { owner_ = nullptr; }

private:
    UIWebView* owner_; // not owned: the web view owns this view and detaches it when it goes
};

// Covers exactly the visible part of the content and draws that part, so what is drawn (and
// kept) is never larger than the screen, however long the document.
class UIWebViewDocumentView final : public UIView {
public:
    explicit UIWebViewDocumentView(UIWebView* owner) : owner_(owner) { setUserInteractionEnabled(false); }
    void drawRect(CGRect) override
    {
        if (owner_ != nullptr) {
            const CGRect visible = frame();
            CGContextRef context = UIGraphicsGetCurrentContext();
            CGContextSaveGState(context);
            CGContextTranslateCTM(context, -visible.origin.x, -visible.origin.y);
            owner_->drawDocument(context, visible);
            CGContextRestoreGState(context);
        }
    }
    void detach() { owner_ = nullptr; }

private:
    UIWebView* owner_; // not owned, as above
};

// A turning spinner with a line under it, drawn here so the web view needs no other control.
class UIWebViewSpinner final : public UIView {
public:
    using UIView::UIView;
    void start()
    {
        setHidden(false);
        if (!timer_) {
            std::shared_ptr<UIWebViewSpinner> self = std::static_pointer_cast<UIWebViewSpinner>(selfRef());
            timer_ = Timer::scheduledTimer(self, kSpinnerPeriod / kSpinnerSpokes, true, [](UIWebViewSpinner& spinner, Timer&) {
                spinner.phase_ = (spinner.phase_ + 1) % kSpinnerSpokes;
                spinner.setNeedsDisplay();
            });
        }
    }
    void stop()
    {
        setHidden(true);
        if (timer_) {
            timer_->invalidate();
            timer_.reset();
        }
    }
    ~UIWebViewSpinner() override
    {
        if (timer_) {
            timer_->invalidate();
        }
    }
    void drawRect(CGRect rect) override
    {
        CGContextRef c = UIGraphicsGetCurrentContext();
        const CGRect b = bounds();
        CGContextAddPath(c, CGPathCreateWithRoundedRect(b, 12, 12, nullptr));
        CGContextSetRGBFillColor(c, 0, 0, 0, 0.6);
        CGContextFillPath(c);
        const CGPoint centre = CGPointMake(CGRectGetMidX(b), b.origin.y + 36);
        CGContextSetLineWidth(c, 3);
        CGContextSetLineCap(c, kCGLineCapRound);
        for (int i = 0; i < kSpinnerSpokes; ++i) {
            // The spoke at the phase is brightest; those behind it fade.
            const int age = (phase_ - i + kSpinnerSpokes) % kSpinnerSpokes;
            const double angle = 2 * M_PI * i / kSpinnerSpokes - M_PI / 2;
            CGContextSetRGBStrokeColor(c, 1, 1, 1, 1.0 - 0.75 * age / (kSpinnerSpokes - 1));
            CGContextMoveToPoint(c, centre.x + 8 * std::cos(angle), centre.y + 8 * std::sin(angle));
            CGContextAddLineToPoint(c, centre.x + 16 * std::cos(angle), centre.y + 16 * std::sin(angle));
            CGContextStrokePath(c);
        }
        static const UIFontRef font = UIFont::systemFontOfSize(12);
        static const CGColorRef white = std::make_shared<const CGColor>(1, 1, 1, 1);
        UIRenderer::drawTextLine(c, u"Converting\u2026", font, white, CGRectMake(b.origin.x, b.origin.y + 60, b.size.width, 18), true);
    }
    [[nodiscard]] int phase() const { return phase_; }

private:
    std::shared_ptr<Timer> timer_;
    int phase_ { 0 };
};

UIWebView::UIWebView(CGRect frame)
    : UIView(frame)
{
    setBackgroundColor(UIColor::whiteColor());
    setClipsToBounds(true);
    const CGRect b = CGRectMake(0, 0, frame.size.width, frame.size.height);
    scrollView_ = std::make_shared<UIWebViewScrollView>(b, this);
    scrollView_->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    scrollView_->setClipsToBounds(true);
    scrollView_->setBackgroundColor(UIColor::whiteColor());
    documentView_ = std::make_shared<UIWebViewDocumentView>(this);
    documentView_->setBackgroundColor(UIColor::clearColor());
    documentView_->setOpaque(false);
    documentView_->setFrame(b);
    scrollView_->addSubview(documentView_);
    addSubview(scrollView_);
    spinner_ = std::make_shared<UIWebViewSpinner>(CGRectMake(0, 0, kSpinnerBox, kSpinnerBox));
    spinner_->setBackgroundColor(UIColor::clearColor());
    spinner_->setOpaque(false);
    spinner_->setHidden(true);
    spinner_->setUserInteractionEnabled(false);
    addSubview(spinner_);
}

UIWebView::~UIWebView()
{
    if (cancelled_) {
        *cancelled_ = true;
    }
    static_cast<UIWebViewScrollView&>(*scrollView_).detach();
    documentView_->detach();
    spinner_->stop();
}

void UIWebView::registerInterfaceClass(UIClassRegistry& registry)
{
    registry.registerClass(
        "UIWebView", "UIView", [] { return std::make_shared<UIWebView>(); },
        {
            { "delegate", uiProperty<UIWebView, std::shared_ptr<UIResponder>>(UIPropertyType::Object,
                  [](UIWebView& v, const std::shared_ptr<UIResponder>& object) {
                      auto delegate = std::dynamic_pointer_cast<UIWebViewDelegate>(object);
                      if (object && !delegate) {
                          throw std::invalid_argument("the delegate does not adopt UIWebViewDelegate");
                      }
                      v.setDelegate(delegate);
                  }) },
        });
}

UIWebViewDocument::Kind UIWebView::shownKind() const
{
    return document_ ? document_->kind() : UIWebViewDocument::Kind::Message;
}

void UIWebView::stopLoading()
{
    ++generation_;
    if (cancelled_) {
        *cancelled_ = true;
        cancelled_.reset();
    }
    loading_ = false;
    setConverting(false);
}

void UIWebView::loadRequest(const NSURLRequestRef& request)
{
    if (!request) {
        return;
    }
    if (auto d = delegate(); d && !d->webViewShouldStartLoadWithRequest(*this, *request, UIWebViewNavigationTypeOther)) {
        return;
    }
    stopLoading();
    request_ = request;
    loading_ = true;
    const std::uint64_t generation = generation_;
    const std::weak_ptr<UIWebView> weakSelf = std::static_pointer_cast<UIWebView>(selfRef());
    dispatchAsyncMain([weakSelf, generation] {
        auto self = weakSelf.lock();
        if (self && self->generation_ == generation) {
            if (auto d = self->delegate()) {
                d->webViewDidStartLoad(*self);
            }
        }
    });
    const std::shared_ptr<const NSURL>& url = request->URL();
    if (!url || !url->isFileURL()) {
        auto loaded = std::make_shared<UIWebViewDocument::Loaded>();
        loaded->error = NSError::errorWithDomain(NSURLErrorDomain, NSURLErrorUnsupportedURL, "Only files on this device can be shown.");
        loaded->document = UIWebViewDocument::messagePanel(url ? url->absoluteString() : std::string(), loaded->error->localizedDescription());
        dispatchAsyncMain([weakSelf, generation, loaded] {
            if (auto self = weakSelf.lock()) {
                self->finishLoad(generation, std::move(*loaded));
            }
        });
        return;
    }
    const std::string path = url->path();
    cancelled_ = std::make_shared<std::atomic<bool>>(false);
    const auto cancelled = cancelled_;
    performInBackground([weakSelf, generation, path, cancelled] {
        auto converting = [weakSelf, generation] {
            dispatchAsyncMain([weakSelf, generation] {
                auto self = weakSelf.lock();
                if (self && self->generation_ == generation) {
                    self->setConverting(true);
                }
            });
        };
        auto loaded = std::make_shared<UIWebViewDocument::Loaded>(UIWebViewDocument::load(path, cancelled.get(), converting));
        dispatchAsyncMain([weakSelf, generation, loaded] {
            if (auto self = weakSelf.lock()) {
                self->finishLoad(generation, std::move(*loaded));
            }
        });
    });
}

void UIWebView::finishLoad(std::uint64_t generation, UIWebViewDocument::Loaded loaded)
{
    if (generation != generation_) {
        return; // a newer load or stopLoading took over
    }
    loading_ = false;
    cancelled_.reset();
    setConverting(false);
    install(std::move(loaded.document));
    failureReason_ = loaded.error ? loaded.error->localizedDescription() : std::string();
    auto d = delegate();
    if (!d) {
        return;
    }
    if (loaded.error) {
        d->webViewDidFailLoadWithError(*this, *loaded.error);
    } else {
        d->webViewDidFinishLoad(*this);
    }
}

void UIWebView::install(std::unique_ptr<UIWebViewDocument> document)
{
    document_ = std::move(document);
    laidOutSize_ = CGSizeZero;
    scrollView_->setContentOffset(CGPointZero);
    relayout();
}

void UIWebView::relayout()
{
    const CGSize size = bounds().size;
    laidOutSize_ = size;
    const CGSize content = document_ ? document_->layoutForSize(size) : size;
    scrollView_->setContentSize(content);
    const CGPoint max = scrollView_->maximumContentOffset();
    const CGPoint offset = scrollView_->contentOffset();
    if (offset.x > max.x || offset.y > max.y) {
        scrollView_->setContentOffset(CGPointMake(std::min(offset.x, max.x), std::min(offset.y, max.y)));
    }
    scrolled();
    spinner_->setCenter(CGPointMake(size.width / 2, size.height / 2));
}

void UIWebView::layoutSubviews()
{
    if (bounds().size != laidOutSize_) {
        relayout();
    }
}

void UIWebView::scrolled()
{
    if (documentView_) {
        documentView_->setFrame(scrollView_->bounds());
        documentView_->setNeedsDisplay();
    }
}

void UIWebView::drawDocument(CGContextRef context, CGRect visible)
{
    if (document_ && context != nullptr) {
        document_->draw(context, visible);
    }
}

void UIWebView::setConverting(bool converting)
{
    converting_ = converting;
    if (converting) {
        spinner_->setCenter(CGPointMake(bounds().size.width / 2, bounds().size.height / 2));
        spinner_->start();
    } else {
        spinner_->stop();
    }
}
