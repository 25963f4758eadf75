#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "Host/HostSession.h"
#include "Platform/UIKit/UIMenuController.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UITextField.h"
#include "Platform/UIKit/UITextView.h"
#include "Platform/UIKit/UIWindow.h"
#include "tests/host/HostTestSupport.h"

namespace {

class EditMenuGestures : public HostTest {
protected:
    EditMenuGestures() : HostTest("iphone") { }

    void SetUp() override
    {
        HostTest::SetUp();
        window_ = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
        window_->makeKeyAndVisible();
    }

    std::vector<SEL> menuActions() const
    {
        std::vector<SEL> actions;
        for (const auto& command : UIMenuController::sharedMenuController().commands()) {
            actions.push_back(command.action);
        }
        return actions;
    }

    std::shared_ptr<UIWindow> window_;
    HostSession session_;
};

bool has(const std::vector<SEL>& actions, const SEL& action)
{
    return std::find(actions.begin(), actions.end(), action) != actions.end();
}

} // namespace

TEST_F(EditMenuGestures, DoubleTapAndLongPressShowTheMenuInTextViewsAndFields)
{
    struct Case {
        const char* view;
        bool doubleTap;
        bool offersCopy;
        NSRange selected;
    };
    const Case cases[] = {
        { "field", true, true, { 0, 5 } },
        { "field", false, false, { 0, 0 } },
        { "secure", true, false, { 0, 5 } },
        { "textView", true, true, { 0, 5 } },
        { "textView", false, false, { 0, 0 } },
    };
    for (const Case& c : cases) {
        const std::string kind = c.view;
        SCOPED_TRACE(kind + (c.doubleTap ? " double tap" : " long press"));
        UIMenuController::sharedMenuController().setMenuVisible(false);
        std::shared_ptr<UIView> view;
        std::function<NSRange()> selection;
        if (kind == "textView") {
            auto textView = UITextView::make(CGRectMake(0, 200, 320, 200));
            textView->setText(u"hello world\nsecond line");
            selection = [textView] { return textView->selectedRange(); };
            view = textView;
        } else {
            auto field = std::make_shared<UITextField>(CGRectMake(0, 100, 320, 31));
            field->setText(u"hello world");
            field->setSecureTextEntry(kind == "secure");
            selection = [field] { return field->selectedRange(); };
            view = field;
        }
        window_->addSubview(view);
        // Near the start of the first word, a little after its first letter.
        const CGPoint point = CGPointMake(view->frame().origin.x + 12, view->frame().origin.y + 12);
        if (c.doubleTap) {
            session_.tap(point);
            session_.tap(point);
        } else {
            session_.press(point, 0.8);
        }
        session_.wait(0.5);
        ASSERT_TRUE(UIMenuController::sharedMenuController().isMenuVisible());
        EXPECT_EQ(UIMenuController::sharedMenuController().targetView(), view.get());
        const auto actions = menuActions();
        EXPECT_EQ(has(actions, kUIActionCopy), c.offersCopy);
        EXPECT_EQ(has(actions, kUIActionCut), c.offersCopy);
        // A long press leaves a caret where the finger was, a double tap the word selected.
        EXPECT_EQ(selection().length, c.selected.length);
        if (c.doubleTap) {
            EXPECT_EQ(selection().location, c.selected.location);
        }
        view->resignFirstResponder();
        view->removeFromSuperview();
    }
}
