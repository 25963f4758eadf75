#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Classes/TextView/CodeCaretView.h"
#include "Classes/TextView/CodeContentView.h"
#include "Classes/TextView/CodeLineNumberView.h"
#include "Classes/TextView/CodeSelectionView.h"
#include "Classes/TextView/CodeTextView.h"
#include "Classes/TextView/CodeTextWindow.h"
#include "Platform/Foundation/NSClock.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIActionSheet.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIMenuController.h"
#include "Platform/UIKit/UIPasteboard.h"
#include "Platform/UIKit/UIResponder.h"
#include "Platform/UIKit/UIWindow.h"

// A delegate that answers the operations it is told to and records what it hears.
class ScriptedDelegate : public CodeTextViewDelegate {
public:
    std::vector<Operation> implemented;
    bool shouldBegin { true };
    bool shouldEnd { true };
    std::vector<std::string> heard;
    std::vector<std::string> urls;

    bool respondsTo(Operation operation) const override
    {
        return std::find(implemented.begin(), implemented.end(), operation) != implemented.end();
    }
    bool textViewShouldBeginEditing(CodeTextView*) override { return shouldBegin; }
    bool textViewShouldEndEditing(CodeTextView*) override { return shouldEnd; }
    void textViewDidBeginEditing(CodeTextView*) override { heard.push_back("begin"); }
    void textViewDidEndEditing(CodeTextView*) override { heard.push_back("end"); }
    void textViewDidChange(CodeTextView*) override { heard.push_back("change"); }
    void textViewDidSelectURL(CodeTextView*, const NSURL& url) override { urls.push_back(url.absoluteString()); }
};

// A fresh iPad application with the clock moved by hand and one code view (320 x 480, in the
// code font) at the top left of a visible window, just below the status bar as the app's screens
// lie (the bar takes the touches on it), touched through the application as the host touches it.
class GestureTest : public ::testing::Test {
protected:
    static constexpr CGFloat kWidth = 320;
    static constexpr CGFloat kHeight = 480;

    void SetUp() override
    {
        resetAll();
        previousSink_ = NSLogSetSink([this](const std::string& line) { log_.push_back(line); });
        RunLoop::main().bindToCurrentThread();
        clock_ = std::make_shared<ManualClock>(1000.0);
        RunLoop::main().setClock(clock_);
        window_ = std::make_shared<UIWindow>(CGRectMake(0, 0, 768, 1024));
        window_->makeKeyAndVisible();
        view_ = CodeTextView::make(CGRectMake(0, UIApplication::kStatusBarHeight, kWidth, kHeight));
        window_->addSubview(view_);
        view_->setFont(UIFont::fontWithName("Droid Sans Mono", 14));
        UIView::layoutPendingViews();
    }

    void TearDown() override
    {
        view_.reset();
        window_.reset();
        resetAll();
        NSLogSetSink(previousSink_);
    }

    static void resetAll()
    {
        UIGestureRecognizer::resetAllForTesting();
        UIResponder::resetFirstResponderForTesting();
        UIActionSheet::resetForTesting();
        UIApplication::sharedApplication().resetForTesting();
        UIMenuController::sharedMenuController().resetForTesting();
        UIPasteboard::generalPasteboard().resetForTesting();
        UIDevice::currentDevice().setProfile(*UIDevice::profileNamed("ipad"));
        RunLoop::main().resetForTesting();
    }

    void advance(double seconds) { RunLoop::main().advance(seconds); }
    double now() const { return clock_->now(); }

    // Text set, layout done, view first responder when asked.
    void load(const std::u16string& text, bool focus = true)
    {
        view_->setText(text);
        if (focus) {
            view_->becomeFirstResponder();
        }
        UIView::layoutPendingViews();
        advance(1); // any scroll to the caret has ended
    }

    // The view point where index i's caret stands, halfway up its line.
    CGPoint pointAtIndex(NSUInteger i) const
    {
        const CGRect caret = view_->caretRectForIndex(static_cast<NSInteger>(i));
        return view_->contentView()->convertPointToView(CGPointMake(caret.origin.x, CGRectGetMidY(caret)), view_.get());
    }
    CGPoint screen(CGPoint viewPoint) const { return view_->convertPointToView(viewPoint, nullptr); }

    void down(CGPoint p) { UIApplication::sharedApplication().injectTouch(UITouchPhaseBegan, screen(p), now()); }
    void move(CGPoint p) { UIApplication::sharedApplication().injectTouch(UITouchPhaseMoved, screen(p), now()); }
    void up(CGPoint p) { UIApplication::sharedApplication().injectTouch(UITouchPhaseEnded, screen(p), now()); }
    // A tap; the clock then passes the double-tap interval unless told otherwise.
    void tap(CGPoint p, double settle = 0.35)
    {
        down(p);
        advance(0.05);
        up(p);
        advance(settle);
    }
    void swipe(CGPoint from, CGFloat dx)
    {
        down(from);
        for (int i = 1; i <= 5; ++i) {
            advance(0.02);
            move(CGPointMake(from.x + dx * i / 5, from.y));
        }
        up(CGPointMake(from.x + dx, from.y));
    }

    bool menuVisible() const { return UIMenuController::sharedMenuController().isMenuVisible(); }
    bool logged(const std::string& line) const { return std::find(log_.begin(), log_.end(), line) != log_.end(); }

    std::shared_ptr<ManualClock> clock_;
    std::shared_ptr<UIWindow> window_;
    std::shared_ptr<CodeTextView> view_;
    std::vector<std::string> log_;
    NSLogSink previousSink_;
};
