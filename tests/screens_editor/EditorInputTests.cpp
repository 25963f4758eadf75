#include "tests/screens_editor/EditorTestSupport.h"

#include "Host/HostSession.h"
#include "Platform/UIKit/UIPasteboard.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIVisibleText.h"

namespace {

const std::string kText = "<?php\necho 1;\n?>\n";

// What the keyboard and the window's shortcuts send, each once.
void pressEveryKey(HostSession& host)
{
    UIPasteboard::generalPasteboard().setString(u"pasted");
    for (HostKey key : { HostKey::SelectAll, HostKey::Cut, HostKey::Paste, HostKey::Tab, HostKey::Backspace })
        (void)host.pressKey(key);
    (void)host.typeText(u"typed");
    (void)host.setMarkedText(u"\u304B", NSMakeRange(1, 0));
    host.unmarkText();
}

// While a panel is in front of the code view, keys never change the text behind it: they reach
// the panel's own field (the prompts) or nothing.
TEST_F(EditorTest, KeysBehindAPanelLeaveTheTextAlone)
{
    struct Case {
        const char* device;
        const char* panel;
        bool panelHasField;
    };
    const Case cases[] = {
        { "iphone", "close sheet", false },
        { "iphone", "action sheet", false },
        { "iphone", "info alert", false },
        { "iphone", "go-to prompt", true },
        { "ipad", "close sheet", false },
        { "ipad", "popover", false },
        { "ipad", "search prompt", true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.device) + " " + c.panel);
        window_.reset();
        auto editor = open("panel.php", kText, c.device);
        ASSERT_TRUE(editor);
        HostSession host;
        editor->txtCode()->becomeFirstResponder();
        editor->txtCode()->insertText(u"x");
        const std::u16string before = editor->txtCode()->text();
        const std::string panel = c.panel;
        if (panel == "close sheet")
            editor->btnClosePressed(nullptr);
        else if (panel == "action sheet" || panel == "popover")
            editor->btnDoPressed();
        else if (panel == "info alert")
            std::make_shared<UIAlertView>("Info", "Shown over the text.", std::weak_ptr<UIAlertViewDelegate>(), "OK")->show();
        else if (panel == "go-to prompt")
            editor->btnGotoPressed(nullptr);
        else
            editor->btnFindPressed(nullptr);
        advance(0.5);
        const auto prompt = std::dynamic_pointer_cast<AlertPrompt>(UIAlertView::visibleAlert());
        EXPECT_EQ(prompt != nullptr, c.panelHasField);
        pressEveryKey(host);
        (void)host.pressKey(HostKey::Return);
        EXPECT_EQ(editor->txtCode()->text(), before);
        if (prompt != nullptr) {
            EXPECT_EQ(prompt->textField()->text(), u"pastedtyped");
        }
        UIAlertView::resetForTesting();
        UIActionSheet::resetForTesting();
        if (editor->actionController())
            editor->actionController()->dismissPopoverAnimated(false);
        turn();
        // With the panel gone the keys reach the code view again.
        editor->txtCode()->becomeFirstResponder();
        (void)host.typeText(u"y");
        EXPECT_NE(editor->txtCode()->text(), before);
        window_->setRootViewController(nullptr);
        turn();
    }
}

// Held any way up, a right swipe over the code shows the line numbers (as texts a script can
// find beside their lines) and a left swipe hides them: the swipe is read as the person sees it.
TEST_F(EditorTest, ARightSwipeShowsTheGutterInEveryOrientation)
{
    for (const char* device : { "iphone", "ipad" }) {
        for (const UIInterfaceOrientation orientation : { UIInterfaceOrientationPortrait, UIInterfaceOrientationLandscapeRight,
                                                          UIInterfaceOrientationPortraitUpsideDown, UIInterfaceOrientationLandscapeLeft }) {
            if (orientation == UIInterfaceOrientationPortraitUpsideDown && std::string(device) == "iphone")
                continue;
            SCOPED_TRACE(std::string(device) + " orientation " + std::to_string(orientation));
            window_.reset();
            auto editor = open("gutter.php", kText, device);
            ASSERT_TRUE(editor);
            if (orientation != UIInterfaceOrientationPortrait) {
                ASSERT_TRUE(UIViewControllerAttemptRotationToOrientation(orientation));
            }
            advance(1);
            CodeTextView* code = editor->txtCode();
            ASSERT_EQ(code->lineNumberWidth(), 0);
            EXPECT_FALSE(UIVisibleText::find(u"2").view);
            const UIVisibleText line = UIVisibleText::find(u"echo 1;");
            ASSERT_TRUE(line.view);
            const CGPoint at = CGPointApplyAffineTransform(line.screenPoint, UIRenderer::screenToDisplayTransform(orientation));
            HostSession host;
            host.swipe(HostSession::Direction::Right, at);
            advance(1);
            EXPECT_GT(code->lineNumberWidth(), 0);
            const UIVisibleText number = UIVisibleText::find(u"2");
            const UIVisibleText moved = UIVisibleText::find(u"echo 1;");
            ASSERT_TRUE(number.view) << "the second line's number";
            ASSERT_TRUE(moved.view);
            // Beside its line, in the interface's axes.
            const CGAffineTransform toDisplay = UIRenderer::screenToDisplayTransform(orientation);
            const CGPoint numberAt = CGPointApplyAffineTransform(number.screenPoint, toDisplay);
            const CGPoint lineAt = CGPointApplyAffineTransform(moved.screenPoint, toDisplay);
            EXPECT_NEAR(numberAt.y, lineAt.y, 3);
            EXPECT_LT(numberAt.x, lineAt.x);
            host.swipe(HostSession::Direction::Left, lineAt);
            advance(1);
            EXPECT_EQ(code->lineNumberWidth(), 0);
            UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientationPortrait);
            navigation_->popViewControllerAnimated(false);
            window_->setRootViewController(nullptr);
        }
    }
}

} // namespace
