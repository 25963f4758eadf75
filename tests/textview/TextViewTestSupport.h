#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Classes/SyntaxColouring/SyntaxColouring.h"
#include "Classes/TextView/CodeContentView.h"
#include "Classes/TextView/CodeTextView.h"
#include "Platform/CoreText/CTFont.h"
#include "Platform/Foundation/NSClock.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIMenuController.h"
#include "Platform/UIKit/UIResponder.h"
#include "Platform/UIKit/UIWindow.h"

// Counts the notices a code view sends.
class RecordingDelegate : public CodeTextViewDelegate {
public:
    bool respondsTo(Operation operation) const override { return operation == Operation::DidChange; }
    void textViewDidChange(CodeTextView* view) override
    {
        ++changes;
        framePresent = view->ctframe() != nullptr;
        textAtNotice = view->text();
    }
    int changes { 0 };
    bool framePresent { false };
    std::u16string textAtNotice;
};

// A fresh application on an iPad, the clock moved by hand, the log kept quiet, and one code
// view (320 points wide, in the code font) in a visible window.
class TextViewTest : public ::testing::Test {
protected:
    static constexpr CGFloat kWidth = 320;
    static constexpr CGFloat kHeight = 480;

    void SetUp() override
    {
        resetAll();
        previousSink_ = NSLogSetSink([](const std::string&) { });
        RunLoop::main().bindToCurrentThread();
        clock_ = std::make_shared<ManualClock>(1000.0);
        RunLoop::main().setClock(clock_);
        window_ = std::make_shared<UIWindow>(CGRectMake(0, 0, 768, 1024));
        window_->makeKeyAndVisible();
        view_ = CodeTextView::make(CGRectMake(0, 0, kWidth, kHeight));
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
        UIApplication::sharedApplication().resetForTesting();
        UIMenuController::sharedMenuController().resetForTesting();
        UIDevice::currentDevice().setProfile(*UIDevice::profileNamed("ipad"));
        RunLoop::main().resetForTesting();
    }

    // A colouring engine for the file name in the view's font, attached as the editor does.
    std::shared_ptr<SyntaxColouring> attachEngine(const std::string& fileName)
    {
        auto engine = std::make_shared<SyntaxColouring>(u"");
        engine->setFont(CTFontCreateWithName("Droid Sans Mono", 14));
        engine->setSyntaxDefinition(fileName);
        view_->setSyntaxHighlighter(engine);
        engine->setTextView(view_);
        return engine;
    }

    void advance(double seconds) { RunLoop::main().advance(seconds); }

    // The view point at the middle of a line's box, x from its origin.
    CGPoint pointOnLine(std::size_t line, CGFloat x) const
    {
        const CGPoint o = view_->ctframe()->origins()[line];
        CGPoint p = view_->contentView()->convertPointToView(CGPointMake(o.x + x, o.y + 3), view_.get());
        return p;
    }

    std::shared_ptr<ManualClock> clock_;
    std::shared_ptr<UIWindow> window_;
    std::shared_ptr<CodeTextView> view_;
    NSLogSink previousSink_;
};
