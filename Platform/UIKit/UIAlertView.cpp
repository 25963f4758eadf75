#include "Platform/UIKit/UIAlertView.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <deque>

#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIModalBackdrop.h"
#include "Platform/UIKit/UIModalButton.h"
#include "Platform/UIKit/UIModalChrome.h"
#include "Platform/UIKit/UIModalText.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIScrollView.h"

using UIModalChrome::RGBA;

namespace {

// The veil lies over sheets and popovers, leaving the status bar and the keyboard bright (the
// keyboard types into a prompt's field); the box lies above them all.
constexpr UIWindowLevel kDimLevel = UIWindowLevelStatusBar - 1;

constexpr CGFloat kTextInset = 12;
constexpr CGFloat kTopMargin = 10;
constexpr CGFloat kTitleMessageGap = 6;
constexpr CGFloat kTextButtonGap = 12;
constexpr CGFloat kButtonInset = 11;
constexpr CGFloat kButtonHeight = 43;
constexpr CGFloat kButtonGap = 8;
constexpr CGFloat kBottomMargin = 14;
constexpr CGFloat kCornerRadius = 10;
constexpr CGFloat kTitleSize = 18;
constexpr CGFloat kMessageSize = 16;
// The box keeps this far from the keyboard and the top of the interface.
constexpr CGFloat kScreenMargin = 10;
// A box taller than the screen shrinks its buttons and gaps, down to these.
constexpr CGFloat kMinButtonHeight = 30;
constexpr CGFloat kMinButtonGap = 3;
// A message too tall keeps at least this many lines in view before the buttons shrink.
constexpr int kMinMessageLines = 3;

const UIFontRef& titleFont()
{
    static const UIFontRef font = UIFont::boldSystemFontOfSize(kTitleSize);
    return font;
}

const UIFontRef& messageFont()
{
    static const UIFontRef font = UIFont::systemFontOfSize(kMessageSize);
    return font;
}

struct AlertQueue {
    // The alert on screen, or closing until its did-dismiss has gone out.
    std::shared_ptr<UIAlertView> current;
    std::deque<std::shared_ptr<UIAlertView>> waiting;
};

AlertQueue& alertQueue()
{
    static AlertQueue queue;
    return queue;
}

} // namespace

UIAlertView::UIAlertView(std::string title, std::string message, std::weak_ptr<UIAlertViewDelegate> delegate,
                         std::string cancelButtonTitle, std::vector<std::string> otherButtonTitles)
    : UIWindow(CGRectMake(0, 0, kWidth, 120))
    , title_(std::move(title))
    , message_(std::move(message))
    , delegate_(std::move(delegate))
{
    setOpaque(false);
    setWindowLevel(UIWindowLevelAlert);
    if (!cancelButtonTitle.empty()) {
        cancelButtonIndex_ = addButtonWithTitle(std::move(cancelButtonTitle));
    }
    for (auto& other : otherButtonTitles) {
        addButtonWithTitle(std::move(other));
    }
}

UIAlertView::~UIAlertView() { NSNotificationCenter::defaultCenter().removeObserver(this); }

std::shared_ptr<UIAlertView> UIAlertView::selfAlert() { return std::static_pointer_cast<UIAlertView>(selfRef()); }

void UIAlertView::setTitle(std::string title)
{
    title_ = std::move(title);
    if (state_ == State::Shown) {
        layoutAlert();
    }
}

void UIAlertView::setMessage(std::string message)
{
    message_ = std::move(message);
    if (messageScroll_) {
        messageScroll_->setContentOffset(CGPointZero);
    }
    if (state_ == State::Shown) {
        layoutAlert();
    }
}

int UIAlertView::addButtonWithTitle(std::string title)
{
    buttonTitles_.push_back(std::move(title));
    if (state_ == State::Shown) {
        layoutAlert();
    }
    return int(buttonTitles_.size()) - 1;
}

std::string UIAlertView::buttonTitleAtIndex(int index) const
{
    return index >= 0 && index < numberOfButtons() ? buttonTitles_[std::size_t(index)] : std::string();
}

int UIAlertView::firstOtherButtonIndex() const
{
    for (int i = 0; i < numberOfButtons(); ++i) {
        if (i != cancelButtonIndex_) {
            return i;
        }
    }
    return -1;
}

// ---- Showing ----------------------------------------------------------------------------------

std::shared_ptr<UIAlertView> UIAlertView::visibleAlert()
{
    const auto& current = alertQueue().current;
    return current && current->isVisible() ? current : nullptr;
}

std::size_t UIAlertView::queuedAlertCount() { return alertQueue().waiting.size(); }

void UIAlertView::resetForTesting()
{
    AlertQueue& queue = alertQueue();
    for (const auto& alert : queue.waiting) {
        alert->state_ = State::Idle;
    }
    queue.waiting.clear();
    if (const auto current = std::move(queue.current)) {
        // Left on screen, its windows would still dim the screen and swallow every tap.
        current->state_ = State::Idle;
        current->takeOffScreen();
    }
    queue.current.reset();
}

void UIAlertView::show()
{
    if (state_ == State::Shown || state_ == State::Queued) {
        return;
    }
    AlertQueue& queue = alertQueue();
    if (queue.current) {
        state_ = State::Queued;
        queue.waiting.push_back(selfAlert());
        return;
    }
    queue.current = selfAlert();
    present();
}

void UIAlertView::present()
{
    auto keep = selfAlert();
    if (const auto delegate = delegate_.lock()) {
        delegate->willPresentAlertView(this);
    }
    state_ = State::Shown;
    std::weak_ptr<UIAlertView> weak = keep;
    backdrop_ = std::make_shared<UIModalBackdrop>(kDimLevel, UIModalBackdrop::Dim::Radial, nullptr);
    backdrop_->setRelayout([weak] {
        if (const auto alert = weak.lock(); alert && alert->isVisible()) {
            alert->layoutAlert();
        }
    });
    backdrop_->present();
    previousKeyWindow_ = UIApplication::sharedApplication().keyWindow();
    layoutAlert();
    // The box moves above the keyboard when it comes and back when it goes.
    for (const char* name : { UIKeyboardWillShowNotification, UIKeyboardWillHideNotification }) {
        NSNotificationCenter::defaultCenter().addObserver(this, name, nullptr, [weak](const NSNotification&) {
            if (const auto alert = weak.lock(); alert && alert->isVisible()) {
                dispatchAsyncMain([weak] {
                    if (const auto again = weak.lock(); again && again->isVisible()) {
                        again->layoutAlert();
                    }
                });
            }
        });
    }
    makeKeyAndVisible();
    if (const auto delegate = delegate_.lock()) {
        delegate->didPresentAlertView(this);
    }
}

void UIAlertView::layoutAlert()
{
    const CGFloat textWidth = kWidth - 2 * kTextInset;
    const auto titleBlock = UIModalChrome::wrapText(title_, titleFont(), textWidth);
    const auto messageBlock = UIModalChrome::wrapText(message_, messageFont(), textWidth);
    CGFloat y = kTopMargin;
    static const CGColorRef white = CGColorCreateRGBA(1, 1, 1, 1);
    static const CGColorRef shadow = CGColorCreateRGBA(0, 0, 0, 0.5);
    if (!titleText_) {
        titleText_ = std::make_shared<UIModalText>(white, shadow);
        messageText_ = std::make_shared<UIModalText>(white, shadow);
        messageScroll_ = std::make_shared<UIScrollView>();
        messageScroll_->setOpaque(false);
        messageScroll_->setClipsToBounds(true);
        messageScroll_->setShowsHorizontalScrollIndicator(false);
        messageScroll_->addSubview(messageText_);
        insertSubviewAtIndex(messageScroll_, 0);
        insertSubviewAtIndex(titleText_, 0);
    }
    titleText_->setText(title_, titleBlock, CGRectMake(kTextInset, y, textWidth, titleBlock.height()));
    y += titleBlock.height();
    if (!titleBlock.lines.empty() && !messageBlock.lines.empty()) {
        y += kTitleMessageGap;
    }
    const CGFloat messageTop = y;
    const CGFloat messageHeight = messageBlock.height();
    const CGFloat belowMessage = (!titleBlock.lines.empty() || !messageBlock.lines.empty()) ? kTextButtonGap : 0;

    for (const auto& button : buttons_) {
        button->removeFromSuperview();
    }
    buttons_.clear();
    const int count = numberOfButtons();
    const CGRect area = UIModalChrome::interfaceBounds();
    const int rows = count == 2 ? 1 : count;
    CGFloat buttonHeight = kButtonHeight;
    CGFloat buttonGap = kButtonGap;
    const CGFloat buttonsNatural = rows * kButtonHeight + std::max(0, rows - 1) * kButtonGap;
    // Room for the message and the buttons together inside the screen.
    const CGFloat room = area.size.height - 2 * kScreenMargin - messageTop - belowMessage - kBottomMargin;
    // Too tall: the message gives way first (down to a few lines), then the buttons shrink.
    CGFloat messageShown = messageHeight;
    if (messageHeight + buttonsNatural > room) {
        const CGFloat line = messageBlock.lineHeight;
        messageShown = std::min(messageHeight, std::max(kMinMessageLines * line, room - buttonsNatural));
        if (messageShown < messageHeight && line > 0) {
            // Cut mid-line, so the box shows there is more to scroll to.
            const CGFloat whole = std::floor((messageShown - line / 2) / line);
            messageShown = std::max<CGFloat>(line, whole * line + std::floor(line / 2));
        }
    }
    const CGFloat buttonsRoom = room - messageShown;
    if (rows > 0 && buttonsNatural > buttonsRoom) {
        const CGFloat scale = std::max<CGFloat>(0, buttonsRoom) / buttonsNatural;
        buttonHeight = std::max(kMinButtonHeight, std::floor(kButtonHeight * scale));
        buttonGap = std::max(kMinButtonGap, std::floor(kButtonGap * scale));
    }
    // The text lies one point down in its scroller, so the engraving above its first line shows.
    messageScroll_->setHidden(messageBlock.lines.empty());
    messageScroll_->setFrame(CGRectMake(kTextInset, messageTop - 1, textWidth, messageShown + 1));
    messageText_->setText(message_, messageBlock, CGRectMake(0, 1, textWidth, messageHeight));
    messageScroll_->setContentSize(CGSizeMake(textWidth, messageHeight + 1));
    const CGPoint most = messageScroll_->maximumContentOffset();
    messageScroll_->setContentOffset(CGPointMake(0, std::min(messageScroll_->contentOffset().y, most.y)));
    messageScroll_->setAlwaysBounceVertical(messageShown < messageHeight);
    y = messageTop + messageShown + belowMessage;

    std::weak_ptr<UIAlertView> weak = selfAlert();
    auto makeButton = [&](int index, CGRect frame) {
        const bool darker = index == cancelButtonIndex_ && count > 1;
        auto button = std::make_shared<UIModalButton>(frame, buttonTitleAtIndex(index),
                                                      darker ? UIModalButton::Look::AlertCancel : UIModalButton::Look::Alert,
                                                      [weak, index] {
                                                          if (const auto alert = weak.lock()) {
                                                              alert->buttonTapped(index);
                                                          }
                                                      });
        button->setTag(index);
        buttons_.push_back(button);
        addSubview(button);
    };
    const CGFloat fullWidth = kWidth - 2 * kButtonInset;
    if (count == 2) {
        const CGFloat half = (fullWidth - kButtonGap) / 2;
        makeButton(0, CGRectMake(kButtonInset, y, half, buttonHeight));
        makeButton(1, CGRectMake(kButtonInset + half + kButtonGap, y, half, buttonHeight));
        y += buttonHeight;
    } else if (count > 0) {
        // Stacked, the cancel button last.
        std::vector<int> order;
        for (int i = 0; i < count; ++i) {
            if (i != cancelButtonIndex_) {
                order.push_back(i);
            }
        }
        if (cancelButtonIndex_ >= 0 && cancelButtonIndex_ < count) {
            order.push_back(cancelButtonIndex_);
        }
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (i > 0) {
                y += buttonGap;
            }
            makeButton(order[i], CGRectMake(kButtonInset, y, fullWidth, buttonHeight));
            y += buttonHeight;
        }
    }
    const CGFloat height = y + kBottomMargin;

    // Centred in the interface above the keyboard, never above its top; one too tall for the
    // room above the keyboard lies over it (the box is drawn in front), inside the screen.
    const CGFloat bottom = UIModalChrome::keyboardTopInInterface();
    const CGFloat x = std::round((area.size.width - kWidth) / 2);
    const UIApplication& app = UIApplication::sharedApplication();
    const CGFloat screenTop = (app.isStatusBarHidden() ? 0 : UIApplication::kStatusBarHeight) + kScreenMargin / 2;
    const CGFloat top = std::max(std::max(kScreenMargin, screenTop),
                                 std::min(std::round((bottom - height) / 2), area.size.height - kScreenMargin - height));
    UIModalChrome::placeInInterface(*this, CGRectMake(x, top, kWidth, height));
    setNeedsDisplay();
}

// ---- Closing ----------------------------------------------------------------------------------

void UIAlertView::takeOffScreen()
{
    auto keep = selfAlert();
    NSNotificationCenter::defaultCenter().removeObserver(this);
    // A text field of the alert gives the keyboard up with it.
    if (const auto responder = UIResponder::currentFirstResponder()) {
        if (const auto* view = dynamic_cast<const UIView*>(responder.get()); view != nullptr && view->isDescendantOfView(this)) {
            responder->resignFirstResponder();
        }
    }
    setHidden(true);
    UIApplication::sharedApplication().removeWindow(this);
    if (backdrop_) {
        backdrop_->close();
        backdrop_.reset();
    }
    if (const auto previous = previousKeyWindow_.lock(); previous && !previous->isHidden()) {
        previous->makeKeyWindow();
    }
    previousKeyWindow_.reset();
}

void UIAlertView::buttonTapped(int index)
{
    if (state_ != State::Shown) {
        return;
    }
    auto keep = selfAlert();
    if (const auto delegate = delegate_.lock()) {
        delegate->alertViewClickedButtonAtIndex(this, index);
    }
    // The delegate may have dismissed the alert itself.
    if (state_ == State::Shown) {
        close(index);
    }
}

void UIAlertView::dismissWithClickedButtonIndex(int index, bool animated)
{
    auto keep = selfAlert();
    if (state_ == State::Queued) {
        std::erase(alertQueue().waiting, keep);
        state_ = State::Dismissed;
        if (const auto delegate = delegate_.lock()) {
            delegate->alertViewWillDismissWithButtonIndex(this, index);
        }
        dispatchAsyncMain([keep, index] {
            if (const auto delegate = keep->delegate_.lock()) {
                delegate->alertViewDidDismissWithButtonIndex(keep.get(), index);
            }
        });
        return;
    }
    if (state_ == State::Shown) {
        close(index);
    }
}

void UIAlertView::close(int index)
{
    auto keep = selfAlert();
    state_ = State::Dismissed;
    if (const auto delegate = delegate_.lock()) {
        delegate->alertViewWillDismissWithButtonIndex(this, index);
    }
    takeOffScreen();
    // Did dismiss on the next turn; until then the alert stays the current one, so an alert shown
    // meanwhile waits its turn.
    dispatchAsyncMain([keep, index] {
        if (const auto delegate = keep->delegate_.lock()) {
            delegate->alertViewDidDismissWithButtonIndex(keep.get(), index);
        }
        AlertQueue& queue = alertQueue();
        if (queue.current == keep) {
            queue.current.reset();
        }
        if (!queue.current && !queue.waiting.empty()) {
            const auto next = queue.waiting.front();
            queue.waiting.pop_front();
            queue.current = next;
            next->present();
        }
    });
}

CGRect UIAlertView::screenRectForButtonAtIndex(int index) const
{
    if (state_ != State::Shown) {
        return CGRectNull;
    }
    for (const auto& button : buttons_) {
        if (button->tag() == index) {
            return UIModalChrome::screenRectOfView(*button, button->bounds());
        }
    }
    return CGRectNull;
}

CGRect UIAlertView::screenRectForMessage() const
{
    if (state_ != State::Shown || !messageScroll_ || messageScroll_->isHidden()) {
        return CGRectNull;
    }
    return UIModalChrome::screenRectOfView(*messageScroll_, messageScroll_->bounds());
}

// ---- Drawing ----------------------------------------------------------------------------------

void UIAlertView::drawRect(CGRect)
{
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (context == nullptr) {
        return;
    }
    cairo_t* cr = context->cairo();
    const CGRect b = bounds();
    const CGRect box = CGRectInset(b, 1, 1);
    cairo_save(cr);
    UIRenderer::addRoundedRect(cr, box, kCornerRadius);
    UIModalChrome::fillVerticalGradient(cr, box, { 0.13, 0.19, 0.42, 1 }, { 0.04, 0.08, 0.25, 1 });
    // The gloss: a wide ellipse across the top, brightest at the edge.
    cairo_save(cr);
    UIRenderer::addRoundedRect(cr, box, kCornerRadius);
    cairo_clip(cr);
    cairo_save(cr);
    cairo_translate(cr, CGRectGetMidX(box), box.origin.y - 8);
    cairo_scale(cr, box.size.width * 0.78, 44);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    UIModalChrome::fillVerticalGradient(cr, CGRectMake(0, box.origin.y, 0, 36), { 1, 1, 1, 0.34 }, { 1, 1, 1, 0.08 });
    cairo_restore(cr);
    // White rim inside a dark outline.
    UIRenderer::addRoundedRect(cr, CGRectInset(box, 1.5, 1.5), kCornerRadius - 1.5);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.85);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    UIRenderer::addRoundedRect(cr, CGRectInset(b, 0.5, 0.5), kCornerRadius + 0.5);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_restore(cr);
}
