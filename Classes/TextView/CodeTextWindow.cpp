#include "Classes/TextView/CodeTextWindow.h"

#include <algorithm>
#include <cmath>

#include "Classes/TextView/CodeLoupeView.h"
#include "Classes/TextView/CodeMagnifyView.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIScreen.h"

namespace {

constexpr CGFloat kPopScale = 0.01;
// How far the loupe may stand above the screen's top edge.
constexpr CGFloat kLoupeTopLimit = -40;
constexpr CGFloat kLoupeLift = 10;
constexpr CGFloat kMagnifierDrop = 8;
constexpr CGFloat kMagnifierShift = 2;

std::weak_ptr<UIView> weakView(UIView* view)
{
    return view ? std::static_pointer_cast<UIView>(view->shared_from_this()) : std::weak_ptr<UIView> {};
}

}

CodeTextWindow::CodeTextWindow(CGRect frame)
    : UIWindow(frame)
{
    setBackgroundColor(UIColor::clearColor());
    setOpaque(false);
    // The window only displays: touches go on to the text beneath.
    setUserInteractionEnabled(false);
}

void CodeTextWindow::showFromViewRect(UIView* view, CGRect rect)
{
    if (showing_) {
        return;
    }
    if (!view_) {
        UIViewRef overlay = type_ == 0 ? UIViewRef(std::make_shared<CodeLoupeView>()) : UIViewRef(std::make_shared<CodeMagnifyView>());
        addSubview(overlay);
        view_ = overlay.get();
    }
    const CGFloat w = view_->bounds().size.width;
    const CGFloat h = view_->bounds().size.height;
    CGFloat x = std::floor(CGRectGetMinX(rect) - w / 2);
    CGFloat y = std::floor(CGRectGetMinY(rect) - h);
    if (type_ == 1) {
        y = std::max<CGFloat>(0, y + kMagnifierDrop);
        x += kMagnifierShift;
    } else {
        y = std::max(kLoupeTopLimit, y - kLoupeLift);
    }
    view_->setFrame(CGRectMake(x, y + h / 2, w, h));
    view_->setTransform(CGAffineTransformMakeScale(kPopScale, kPopScale));
    view_->setAlpha(kPopScale);
    UIView* overlay = view_;
    UIView::animateWithDuration(
        kAnimationDuration,
        [overlay, x, y, w, h] {
            overlay->setAlpha(1.0);
            overlay->setTransform(CGAffineTransformMakeScale(1.0, 1.0));
            overlay->setFrame(CGRectMake(x, y, w, h));
        },
        [self = std::weak_ptr<CodeTextWindow>(std::static_pointer_cast<CodeTextWindow>(selfRef())), target = weakView(view), rect](bool) {
            const auto window = self.lock();
            if (!window) {
                return;
            }
            window->showing_ = true;
            dispatchAfter(0, [self, target, rect] {
                const auto current = self.lock();
                const auto content = target.lock();
                if (current && content) {
                    current->renderWithContentViewFromRect(content.get(), rect);
                }
            });
        });
}

void CodeTextWindow::renderWithContentViewFromRect(UIView* view, CGRect rect)
{
    if (!showing_ || !view_ || !view) {
        return;
    }
    const CGFloat w = view_->bounds().size.width;
    const CGFloat h = view_->bounds().size.height;
    const CGFloat x = std::floor(CGRectGetMinX(rect) - w / 2 + rect.size.width / 2);
    CGFloat y = std::floor(CGRectGetMinY(rect) - h);
    if (type_ == 1) {
        y = std::max<CGFloat>(0, y);
    } else {
        y = std::max(kLoupeTopLimit, y - kLoupeLift);
    }
    const CGRect caret = convertRectToView(rect, view);
    const CGRect current = view_->frame();
    view_->setFrame(CGRectMake(x, y, current.size.width, current.size.height));
    UIImageRef image = screenshotFromCaretFrameInViewScale(caret, view, type_ == 1);
    static_cast<CodeLensView*>(view_)->setContentImage(std::move(image));
}

UIImageRef CodeTextWindow::screenshotFromCaretFrameInViewScale(CGRect caretFrame, UIView* view, bool)
{
    if (!view) {
        return nullptr;
    }
    // The copy is centred on the caret rectangle (in the view's own, upward space): the text
    // under the finger, or under the dragged end, stands in the middle of the loupe. (Shifting a
    // second conversion of the rectangle by fixed amounts, as the phone's own layer drawing
    // needed, brought text from lines above the finger here.)
    const CGSize size = view_ ? view_->bounds().size : view->bounds().size;
    const CGRect caret = CGRectStandardize(caretFrame);
    const CGFloat height = view->bounds().size.height;
    CGPoint p;
    p.x = CGRectGetMidX(caret) - size.width / 2;
    p.y = height - CGRectGetMidY(caret) - size.height / 2;
    UIGraphicsBeginImageContextWithOptions(size, true, UIScreen::mainScreen().scale());
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (!context) {
        UIGraphicsEndImageContext();
        return nullptr;
    }
    CGContextSetRGBFillColor(context, 1, 1, 1, 1);
    CGContextFillRect(context, CGContextGetClipBoundingBox(context));
    CGContextSaveGState(context);
    // A point (u, v) of the view (its space runs upward) lands at (u - p.x, H - v - p.y), upright.
    CGContextTranslateCTM(context, 0, height);
    CGContextScaleCTM(context, 1, -1);
    CGContextTranslateCTM(context, -p.x, p.y);
    view->layer()->renderInContext(context);
    CGContextRestoreGState(context);
    UIImageRef image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return image;
}

void CodeTextWindow::hide(bool)
{
    if (!view_) {
        return;
    }
    UIView* overlay = view_;
    const CGRect f = overlay->frame();
    const CGPoint centre = overlay->center();
    UIView::animateWithDuration(
        kAnimationDuration,
        [overlay, f, centre] {
            overlay->setFrame(CGRectMake(std::floor(centre.x - f.size.width / 2), centre.y, f.size.width, f.size.height));
            overlay->setTransform(CGAffineTransformMakeScale(kPopScale, kPopScale));
        },
        [self = std::weak_ptr<CodeTextWindow>(std::static_pointer_cast<CodeTextWindow>(selfRef())), gone = weakView(overlay)](bool) {
            const auto window = self.lock();
            if (!window) {
                return;
            }
            window->showing_ = false;
            if (const auto v = gone.lock(); v && v.get() == window->view_) {
                v->removeFromSuperview();
                window->view_ = nullptr;
            }
            window->setWindowLevel(UIWindowLevelNormal);
            window->setHidden(true);
        });
}

void CodeTextWindow::updateWindowTransform()
{
    setFrame(UIScreen::mainScreen().bounds());
    switch (UIApplication::sharedApplication().statusBarOrientation()) {
    case UIInterfaceOrientationPortrait:
        layer()->setTransform(CATransform3DIdentity);
        break;
    case UIInterfaceOrientationPortraitUpsideDown:
        layer()->setTransform(CATransform3DMakeRotation(M_PI, 0, 0, 1));
        break;
    case UIInterfaceOrientationLandscapeRight:
        layer()->setTransform(CATransform3DMakeRotation(M_PI / 2, 0, 0, 1));
        break;
    case UIInterfaceOrientationLandscapeLeft:
        layer()->setTransform(CATransform3DMakeRotation(-M_PI / 2, 0, 0, 1));
        break;
    default:
        break;
    }
}

void CodeTextWindow::layoutSubviews()
{
    UIWindow::layoutSubviews();
    updateWindowTransform();
}
