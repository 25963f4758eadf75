#include "Platform/UIKit/UIModalBackdrop.h"

#include <cairo.h>

#include <cmath>
#include <vector>

#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIModalChrome.h"
#include "Platform/UIKit/UIScreen.h"

namespace {

constexpr double kFlatDim = 0.4;
constexpr double kRadialCentreDim = 0.25;
constexpr double kRadialEdgeDim = 0.6;

// A plain view that lets touches through to the backdrop behind it.
class PassView : public UIView {
public:
    using UIView::UIView;
};

} // namespace

UIModalBackdrop::UIModalBackdrop(UIWindowLevel level, Dim dim, std::function<void()> touchedOutside)
    : UIWindow(UIScreen::mainScreen().bounds())
    , dim_(dim)
    , touchedOutside_(std::move(touchedOutside))
    , interfaceView_(std::make_shared<PassView>(CGRectZero))
{
    setWindowLevel(level);
    setOpaque(false);
    addSubview(interfaceView_);
}

UIModalBackdrop::~UIModalBackdrop()
{
    if (observing_) {
        NSNotificationCenter::defaultCenter().removeObserver(this);
    }
}

void UIModalBackdrop::fitInterface()
{
    setFrame(UIScreen::mainScreen().bounds());
    UIModalChrome::placeInInterface(*interfaceView_, UIModalChrome::interfaceBounds());
}

void UIModalBackdrop::present()
{
    fitInterface();
    if (!observing_) {
        observing_ = true;
        // The backdrop lives as long as it is shown; the observer goes with it.
        NSNotificationCenter::defaultCenter().addObserver(this, UIApplicationDidChangeStatusBarOrientationNotification, nullptr,
                                                          [this](const NSNotification&) {
                                                              fitInterface();
                                                              setNeedsDisplay();
                                                              if (relayout_) {
                                                                  relayout_();
                                                              }
                                                          });
        // The veil's holes follow the keyboard.
        for (const char* name : { UIKeyboardWillShowNotification, UIKeyboardWillHideNotification }) {
            NSNotificationCenter::defaultCenter().addObserver(this, name, nullptr, [this](const NSNotification&) { setNeedsDisplay(); });
        }
    }
    setHidden(false);
}

void UIModalBackdrop::close()
{
    if (observing_) {
        observing_ = false;
        NSNotificationCenter::defaultCenter().removeObserver(this);
    }
    auto keep = selfRef();
    setHidden(true);
    UIApplication::sharedApplication().removeWindow(this);
}

void UIModalBackdrop::relayoutShown()
{
    // A copy: a relayout may add or remove windows.
    const std::vector<UIWindowRef> windows = UIApplication::sharedApplication().windows();
    for (const auto& window : windows) {
        if (auto* backdrop = dynamic_cast<UIModalBackdrop*>(window.get()); backdrop && backdrop->observing_) {
            backdrop->fitInterface();
            if (backdrop->relayout_) {
                backdrop->relayout_();
            }
        }
    }
}

void UIModalBackdrop::drawRect(CGRect)
{
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (context == nullptr || dim_ == Dim::None) {
        return;
    }
    cairo_t* cr = context->cairo();
    const CGRect b = bounds();
    // The status bar stays bright above every veil, the keyboard above an alert's (it types into
    // the alert's field); the window lies on the screen unturned, so screen rectangles serve.
    const UIApplication& app = UIApplication::sharedApplication();
    const std::vector<UIApplication::ChromeRect> chrome = app.chromeRects();
    auto addVeilPath = [&] {
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_rectangle(cr, b.origin.x, b.origin.y, b.size.width, b.size.height);
        for (const UIApplication::ChromeRect& hole : chrome) {
            if (hole.part == UIApplication::ChromePart::StatusBar || dim_ == Dim::Radial) {
                cairo_rectangle(cr, hole.frame.origin.x, hole.frame.origin.y, hole.frame.size.width,
                                hole.frame.size.height);
            }
        }
    };
    if (dim_ == Dim::Flat) {
        addVeilPath();
        cairo_set_source_rgba(cr, 0, 0, 0, kFlatDim);
        cairo_fill(cr);
        return;
    }
    const double cx = CGRectGetMidX(b), cy = CGRectGetMidY(b);
    const double radius = std::hypot(b.size.width, b.size.height) / 2;
    cairo_pattern_t* pattern = cairo_pattern_create_radial(cx, cy, 0, cx, cy, radius);
    cairo_pattern_add_color_stop_rgba(pattern, 0, 0, 0, 0, kRadialCentreDim);
    cairo_pattern_add_color_stop_rgba(pattern, 1, 0, 0, 0, kRadialEdgeDim);
    addVeilPath();
    cairo_set_source(cr, pattern);
    cairo_fill(cr);
    cairo_pattern_destroy(pattern);
}

void UIModalBackdrop::touchesBegan(const UITouchSet&, UIEvent*)
{
    if (touchedOutside_) {
        auto keep = selfRef();
        const auto handler = touchedOutside_;
        handler();
    }
}
