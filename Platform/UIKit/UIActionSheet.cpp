#include "Platform/UIKit/UIActionSheet.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIModalBackdrop.h"
#include "Platform/UIKit/UIModalButton.h"
#include "Platform/UIKit/UIModalChrome.h"
#include "Platform/UIKit/UIModalText.h"

namespace {

// Sheets and popovers lie above the application's windows and the keyboard.
constexpr UIWindowLevel kSheetLevel = UIWindowLevelNormal + 1;

constexpr CGFloat kTitleSize = 13;
constexpr CGFloat kButtonHeight = 44;
constexpr CGFloat kButtonGap = 8;
// A sheet taller than the screen below the status bar shrinks its buttons and gaps, down to these.
constexpr CGFloat kMinButtonHeight = 30;
constexpr CGFloat kMinButtonGap = 3;
// Phone: buttons inset from the sides, the cancel button set apart by one more gap.
constexpr CGFloat kPhoneInset = 20;
constexpr CGFloat kPhoneTop = 18;
constexpr CGFloat kPhoneTitleTop = 14;
constexpr CGFloat kPhoneTitleGap = 12;
constexpr CGFloat kPhoneBottom = 18;
// Pad: a panel of buttons this wide, its contents inset by the border.
constexpr CGFloat kPadButtonWidth = 272;
constexpr CGFloat kPadInset = 14;
constexpr CGFloat kPadTitleGap = 10;
// The pad's panel stands a little inside its frame.
constexpr CGFloat kPadShadow = 2;
constexpr CGFloat kScreenMargin = 10;

const UIFontRef& titleFont()
{
    static const UIFontRef font = UIFont::systemFontOfSize(kTitleSize);
    return font;
}

std::vector<std::shared_ptr<UIActionSheet>>& shownSheets()
{
    static std::vector<std::shared_ptr<UIActionSheet>> sheets;
    return sheets;
}

} // namespace

UIActionSheet::UIActionSheet(std::string title, std::weak_ptr<UIActionSheetDelegate> delegate, std::string cancelButtonTitle,
                             std::string destructiveButtonTitle, std::vector<std::string> otherButtonTitles)
    : UIView(CGRectMake(0, 0, 320, 200))
    , title_(std::move(title))
    , delegate_(std::move(delegate))
{
    setOpaque(false);
    if (!destructiveButtonTitle.empty()) {
        destructiveButtonIndex_ = addButtonWithTitle(std::move(destructiveButtonTitle));
    }
    for (auto& other : otherButtonTitles) {
        addButtonWithTitle(std::move(other));
    }
    if (!cancelButtonTitle.empty()) {
        cancelButtonIndex_ = addButtonWithTitle(std::move(cancelButtonTitle));
    }
}

UIActionSheet::~UIActionSheet() = default;

std::shared_ptr<UIActionSheet> UIActionSheet::selfSheet() { return std::static_pointer_cast<UIActionSheet>(selfRef()); }

int UIActionSheet::addButtonWithTitle(std::string title)
{
    buttonTitles_.push_back(std::move(title));
    return int(buttonTitles_.size()) - 1;
}

std::string UIActionSheet::buttonTitleAtIndex(int index) const
{
    return index >= 0 && index < numberOfButtons() ? buttonTitles_[std::size_t(index)] : std::string();
}

int UIActionSheet::firstOtherButtonIndex() const
{
    for (int i = 0; i < numberOfButtons(); ++i) {
        if (i != cancelButtonIndex_ && i != destructiveButtonIndex_) {
            return i;
        }
    }
    return -1;
}

std::vector<std::shared_ptr<UIActionSheet>> UIActionSheet::visibleSheets()
{
    std::vector<std::shared_ptr<UIActionSheet>> visible;
    for (const auto& sheet : shownSheets()) {
        if (sheet->isVisible()) {
            visible.push_back(sheet);
        }
    }
    return visible;
}

void UIActionSheet::resetForTesting()
{
    for (const auto& sheet : shownSheets()) {
        if (sheet->backdrop_) {
            sheet->backdrop_->close();
            sheet->backdrop_.reset();
        }
        sheet->removeFromSuperview();
        sheet->shown_ = false;
        sheet->dismissed_ = false;
    }
    shownSheets().clear();
}

// ---- Showing ----------------------------------------------------------------------------------

void UIActionSheet::showInView(UIView* view)
{
    if (isVisible()) {
        return;
    }
    auto keep = selfSheet();
    if (const auto delegate = delegate_.lock()) {
        delegate->willPresentActionSheet(this);
    }
    pad_ = UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad;
    shown_ = true;
    dismissed_ = false;
    shownSheets().push_back(keep);
    anchorView_ = view != nullptr ? std::static_pointer_cast<UIView>(view->shared_from_this()) : nullptr;
    anchor_ = view != nullptr && view->window() != nullptr ? UIModalChrome::interfaceRectOfView(*view, view->bounds())
                                                           : UIModalChrome::interfaceBounds();
    std::weak_ptr<UIActionSheet> weak = keep;
    backdrop_ = std::make_shared<UIModalBackdrop>(kSheetLevel, pad_ ? UIModalBackdrop::Dim::None : UIModalBackdrop::Dim::Flat,
                                                  [weak] {
                                                      if (const auto sheet = weak.lock()) {
                                                          sheet->touchedOutside();
                                                      }
                                                  });
    backdrop_->setRelayout([weak] {
        if (const auto sheet = weak.lock(); sheet && sheet->isVisible()) {
            sheet->setFrame(sheet->layoutSheet());
        }
    });
    backdrop_->present();
    const CGRect frame = layoutSheet();
    backdrop_->interfaceView()->addSubview(keep);
    if (pad_) {
        setFrame(frame);
    } else {
        // Up from below the bottom edge.
        setFrame(CGRectOffset(frame, 0, UIModalChrome::interfaceBounds().size.height - frame.origin.y));
        UIView::animateWithDuration(kSlideDuration, 0, UIViewAnimationOptionCurveEaseOut, [&] { setFrame(frame); }, {});
    }
    if (const auto delegate = delegate_.lock()) {
        delegate->didPresentActionSheet(this);
    }
}

CGRect UIActionSheet::layoutSheet()
{
    for (const auto& button : buttons_) {
        button->removeFromSuperview();
    }
    buttons_.clear();
    const CGRect area = UIModalChrome::interfaceBounds();
    const CGFloat width = pad_ ? kPadButtonWidth + 2 * (kPadInset + kPadShadow) : area.size.width;
    const CGFloat inset = pad_ ? kPadInset + kPadShadow : kPhoneInset;
    const CGFloat buttonWidth = width - 2 * inset;
    const auto titleBlock = UIModalChrome::wrapText(title_, titleFont(), buttonWidth);

    CGFloat y = pad_ ? kPadInset + kPadShadow : (titleBlock.lines.empty() ? kPhoneTop : kPhoneTitleTop);
    if (!titleText_) {
        static const CGColorRef titleColor = CGColorCreateRGBA(0.80, 0.82, 0.86, 1);
        static const CGColorRef shadow = CGColorCreateRGBA(0, 0, 0, 0.5);
        titleText_ = std::make_shared<UIModalText>(titleColor, shadow);
        addSubview(titleText_);
    }
    titleText_->setText(title_, titleBlock, CGRectMake(inset, y, buttonWidth, titleBlock.height()));
    if (!titleBlock.lines.empty()) {
        y += titleBlock.height() + (pad_ ? kPadTitleGap : kPhoneTitleGap);
    }
    // The buttons shown and the gaps between them (the cancel button is set apart by two).
    int shownButtons = 0;
    int gaps = 0;
    for (int index = 0; index < numberOfButtons(); ++index) {
        if (index == cancelButtonIndex_ && pad_) {
            continue;
        }
        gaps += shownButtons == 0 ? 0 : (index == cancelButtonIndex_ ? 2 : 1);
        ++shownButtons;
    }
    const CGFloat bottomMargin = pad_ ? kPadInset + kPadShadow : kPhoneBottom;
    const CGFloat statusBar = CGRectIsEmpty(UIApplication::sharedApplication().statusBarFrame()) ? 0 : UIApplication::kStatusBarHeight;
    const CGFloat available = area.size.height - statusBar - (pad_ ? 2 * kScreenMargin : 0);
    const CGFloat natural = y + bottomMargin + shownButtons * kButtonHeight + gaps * kButtonGap;
    CGFloat buttonHeight = kButtonHeight;
    CGFloat buttonGap = kButtonGap;
    if (natural > available && shownButtons > 0) {
        const CGFloat scale = std::max<CGFloat>(0, available - y - bottomMargin) / (shownButtons * kButtonHeight + gaps * kButtonGap);
        buttonHeight = std::max(kMinButtonHeight, std::floor(kButtonHeight * scale));
        buttonGap = std::max(kMinButtonGap, std::floor(kButtonGap * scale));
    }

    std::weak_ptr<UIActionSheet> weak = selfSheet();
    bool first = true;
    for (int index = 0; index < numberOfButtons(); ++index) {
        const bool cancel = index == cancelButtonIndex_;
        if (cancel && pad_) {
            continue; // a touch outside stands for it
        }
        if (!first) {
            y += buttonGap;
        }
        if (cancel && !first) {
            y += buttonGap;
        }
        first = false;
        const auto look = index == destructiveButtonIndex_ ? UIModalButton::Look::SheetDestructive
            : cancel                                       ? UIModalButton::Look::SheetCancel
                                                           : UIModalButton::Look::Sheet;
        auto button = std::make_shared<UIModalButton>(CGRectMake(inset, y, buttonWidth, buttonHeight), buttonTitleAtIndex(index),
                                                      look, [weak, index] {
                                                          if (const auto sheet = weak.lock()) {
                                                              sheet->buttonTapped(index);
                                                          }
                                                      });
        button->setTag(index);
        buttons_.push_back(button);
        addSubview(button);
        y += buttonHeight;
    }
    const CGFloat height = y + bottomMargin;
    setNeedsDisplay();
    if (!pad_) {
        return CGRectMake(0, area.size.height - height, width, height);
    }
    // Centred on the view, kept on screen.
    if (const auto view = anchorView_.lock(); view && view->window() != nullptr) {
        anchor_ = UIModalChrome::interfaceRectOfView(*view, view->bounds());
    }
    CGFloat x = std::round(CGRectGetMidX(anchor_) - width / 2);
    CGFloat top = std::round(CGRectGetMidY(anchor_) - height / 2);
    x = std::clamp(x, kScreenMargin, std::max(kScreenMargin, area.size.width - width - kScreenMargin));
    // Above the keyboard where it fits there (the keys stay in sight), else over it, in front.
    const CGFloat keyboardTop = UIModalChrome::keyboardTopInInterface();
    const CGFloat bottom = keyboardTop - statusBar - 2 * kScreenMargin >= height ? keyboardTop : area.size.height;
    top = std::clamp(top, statusBar + kScreenMargin, std::max(statusBar + kScreenMargin, bottom - height - kScreenMargin));
    return CGRectMake(x, top, width, height);
}

// ---- Closing ----------------------------------------------------------------------------------

void UIActionSheet::buttonTapped(int index)
{
    if (!isVisible()) {
        return;
    }
    auto keep = selfSheet();
    if (const auto delegate = delegate_.lock()) {
        delegate->actionSheetClickedButtonAtIndex(this, index);
    }
    if (isVisible()) {
        close(index);
    }
}

void UIActionSheet::touchedOutside()
{
    // Only the pad's panel goes away on a touch outside; the phone's veil just holds still.
    if (!pad_ || !isVisible()) {
        return;
    }
    const int index = cancelButtonIndex_ >= 0 && cancelButtonIndex_ < numberOfButtons() ? cancelButtonIndex_ : -1;
    if (index >= 0) {
        buttonTapped(index);
    } else {
        close(-1);
    }
}

void UIActionSheet::dismissWithClickedButtonIndex(int index, bool animated)
{
    if (isVisible()) {
        close(index);
    }
}

void UIActionSheet::close(int index)
{
    auto keep = selfSheet();
    dismissed_ = true;
    if (const auto delegate = delegate_.lock()) {
        delegate->actionSheetWillDismissWithButtonIndex(this, index);
    }
    removeFromSuperview();
    if (backdrop_) {
        backdrop_->close();
        backdrop_.reset();
    }
    dispatchAsyncMain([keep, index] {
        if (const auto delegate = keep->delegate_.lock()) {
            delegate->actionSheetDidDismissWithButtonIndex(keep.get(), index);
        }
        keep->shown_ = false;
        std::erase(shownSheets(), keep);
    });
}

std::optional<CGPoint> UIActionSheet::screenPointForButtonAtIndex(int index) const
{
    if (!isVisible()) {
        return std::nullopt;
    }
    for (const auto& button : buttons_) {
        if (button->tag() == index) {
            const CGRect r = UIModalChrome::screenRectOfView(*button, button->bounds());
            return CGPointMake(CGRectGetMidX(r), CGRectGetMidY(r));
        }
    }
    if (pad_ && index == cancelButtonIndex_ && index >= 0) {
        // A corner of the interface the panel does not cover.
        const CGRect area = UIModalChrome::interfaceBounds();
        const CGRect panel = frame();
        for (const CGPoint p : { CGPointMake(5, 25), CGPointMake(area.size.width - 5, area.size.height - 5),
                                 CGPointMake(5, area.size.height - 5) }) {
            if (!CGRectContainsPoint(panel, p)) {
                return UIModalChrome::screenPointFromInterface(p);
            }
        }
    }
    return std::nullopt;
}

// ---- Drawing ----------------------------------------------------------------------------------

void UIActionSheet::drawRect(CGRect)
{
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (context == nullptr) {
        return;
    }
    cairo_t* cr = context->cairo();
    const CGRect b = bounds();
    if (pad_) {
        UIModalChrome::drawPopoverBody(cr, CGRectInset(b, kPadShadow, kPadShadow), 0, CGPointZero);
    } else {
        cairo_rectangle(cr, b.origin.x, b.origin.y, b.size.width, b.size.height);
        UIModalChrome::fillVerticalGradient(cr, b, { 0.33, 0.35, 0.40, 1 }, { 0.06, 0.07, 0.09, 1 });
        cairo_rectangle(cr, b.origin.x, b.origin.y, b.size.width, 1);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.8);
        cairo_fill(cr);
        cairo_rectangle(cr, b.origin.x, b.origin.y + 1, b.size.width, 1);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.3);
        cairo_fill(cr);
    }
}
