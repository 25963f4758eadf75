#include "tests/screens_editor/EditorTestSupport.h"

#include <fstream>
#include <sstream>

#include "Classes/Controller/AlertPrompt.h"
#include "Classes/TextView/CodeCaretView.h"
#include "Classes/TextView/CodeContentView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIModalChrome.h"
#include "Platform/UIKit/UIRenderer.h"
#include "tests/support/SnapshotFolder.h"

namespace {

std::string demoIndexPage()
{
    std::ifstream in(std::string(LEXIPHANT_SOURCE_DIR) + "/demo/site/index.html", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The index just past the end of a line (1-based), before its line break.
NSInteger endOfLine(const std::u16string& text, int line)
{
    std::size_t at = 0;
    for (int n = 1; n < line; ++n)
        at = text.find(u'\n', at) + 1;
    return static_cast<NSInteger>(text.find(u'\n', at));
}

// A tap low on the screen, then typing at once: once the keyboard is up and the code view has
// been made smaller above it, the caret line still shows.
TEST_F(EditorTest, CaretStaysVisibleWhenTheKeyboardShrinksTheCodeView)
{
    const std::string page = demoIndexPage();
    ASSERT_FALSE(page.empty());
    for (const char* device : { "ipad", "iphone" }) {
        SCOPED_TRACE(device);
        window_.reset();
        useDevice(device);
        auto editor = open("index.html", page, device);
        ASSERT_TRUE(editor && editor->backupCode());
        CodeTextView* code = editor->txtCode();
        CGPoint point = CGPointMake(300, 150);
        if (std::string(device) == "ipad") {
            const CGRect end = code->caretRectForIndex(endOfLine(code->text(), 13));
            point = code->contentView()->convertPointToView(CGPointMake(CGRectGetMidX(end), CGRectGetMidY(end)), nullptr);
        }
        // Typing at once, while the keyboard still slides in.
        tap(point);
        code->insertText(u"\nx");
        advance(1.0);
        ASSERT_TRUE(UIApplication::sharedApplication().isKeyboardVisible());
        ASSERT_LT(code->frame().size.height, code->superview()->frame().size.height);
        // Both on the screen: the caret as drawn, and the part of the code view that shows.
        const UIView* caretView = code->caretView();
        ASSERT_TRUE(caretView && caretView->superview());
        const CGRect caret = caretView->superview()->convertRectToView(caretView->frame(), nullptr);
        const CGRect shown = code->convertRectToView(code->bounds(), nullptr);
        EXPECT_TRUE(CGRectContainsRect(shown, caret))
            << "caret at y " << caret.origin.y << ".." << CGRectGetMaxY(caret) << ", code view shows " << shown.origin.y
            << ".." << CGRectGetMaxY(shown);
        editor->btnBackPressed(nullptr);
        advance(1.0);
    }
}

// The place of a view as shown on the turned screen.
CGRect shownRect(const UIView& view) { return UIModalChrome::interfaceRectOfView(view, view.bounds()); }

// With the keyboard up, in every orientation on both devices (turned with the keyboard up): the
// extra-keys bar sits on the keyboard, the code view ends at the bar and shows the typed line with
// the caret (two lines or more), it ends at the keyboard while a prompt has the keyboard, and the
// bar's Hide key takes the keyboard and the caret away again.
TEST_F(EditorTest, KeyboardUpInEveryOrientationKeepsTheTypedLineAndTheBarShowing)
{
    std::string text;
    for (int line = 1; line <= 90; ++line)
        text += "<p>line " + std::to_string(line) + "</p>\n";
    // Beside the test program, in the build folder.
    const std::filesystem::path snapshots = snapshotFolder("screens_editor");
    for (const char* device : { "iphone", "ipad" }) {
        for (const UIInterfaceOrientation orientation :
             { UIInterfaceOrientationPortrait, UIInterfaceOrientationLandscapeRight, UIInterfaceOrientationPortraitUpsideDown,
               UIInterfaceOrientationLandscapeLeft }) {
            // A phone never turns upside down.
            if (orientation == UIInterfaceOrientationPortraitUpsideDown && std::string(device) == "iphone")
                continue;
            SCOPED_TRACE(std::string(device) + " orientation " + std::to_string(orientation));
            window_.reset();
            useDevice(device);
            auto editor = open("page.html", text, device);
            ASSERT_TRUE(editor && editor->backupCode());
            CodeTextView* code = editor->txtCode();
            code->becomeFirstResponder();
            code->setSelectedRange(NSMakeRange(code->text().size(), 0));
            advance(1.0);
            if (orientation != UIInterfaceOrientationPortrait) {
                ASSERT_TRUE(UIViewControllerAttemptRotationToOrientation(orientation));
            }
            code->insertText(u"<p>typed</p>\n");
            advance(1.0);

            const CGFloat keyboardTop = UIModalChrome::keyboardTopInInterface();
            ASSERT_LT(keyboardTop, UIModalChrome::interfaceBounds().size.height);
            UIView* bar = editor->keyboard();
            ASSERT_FALSE(bar->isHidden());
            EXPECT_NEAR(CGRectGetMaxY(shownRect(*bar)), keyboardTop, 0.5);
            const CGRect shown = shownRect(*code);
            EXPECT_NEAR(CGRectGetMaxY(shown), shownRect(*bar).origin.y, 0.5) << "the code view ends at the bar";
            EXPECT_GE(shown.size.height, 2 * code->font()->lineHeight()) << "two full lines show";
            const CGRect caret = shownRect(*code->caretView());
            EXPECT_TRUE(CGRectContainsRect(shown, caret))
                << "caret " << caret.origin.y << ".." << CGRectGetMaxY(caret) << ", code view " << shown.origin.y << ".."
                << CGRectGetMaxY(shown);
            if (orientation == UIInterfaceOrientationPortrait || orientation == UIInterfaceOrientationLandscapeRight) {
                const std::string name = std::string("keyboard-") + device
                    + (orientation == UIInterfaceOrientationPortrait ? "-portrait.png" : "-landscape.png");
                EXPECT_TRUE(UIRenderer::writeScreenPNG((snapshots / name).string()));
            }

            // The go-to prompt's field takes the keyboard: the bar goes and the code view reaches
            // down to the keyboard (no empty band where the bar was); answered, the bar is back.
            editor->btnGotoPressed(nullptr);
            advance(1.0);
            const auto prompt = std::dynamic_pointer_cast<AlertPrompt>(UIAlertView::visibleAlert());
            ASSERT_TRUE(prompt);
            ASSERT_TRUE(UIApplication::sharedApplication().isKeyboardVisible());
            EXPECT_TRUE(bar->isHidden());
            EXPECT_NEAR(CGRectGetMaxY(shownRect(*code)), keyboardTop, 0.5) << "the code view ends at the keyboard";
            // The prompt lies below the status bar, its field above the keyboard.
            EXPECT_GE(shownRect(*prompt).origin.y, UIApplication::kStatusBarHeight);
            EXPECT_LE(CGRectGetMaxY(shownRect(*prompt->textField())), keyboardTop);
            if (orientation == UIInterfaceOrientationLandscapeRight) {
                EXPECT_TRUE(UIRenderer::writeScreenPNG((snapshots / (std::string("goto-") + device + "-landscape.png")).string()));
            }
            prompt->textField()->setText(u"2");
            prompt->dismissWithClickedButtonIndex(1, false);
            advance(1.0);
            ASSERT_FALSE(bar->isHidden());
            EXPECT_NEAR(CGRectGetMaxY(shownRect(*code)), shownRect(*bar).origin.y, 0.5) << "the code view ends at the bar again";

            // The bar's last button hides the keyboard; everything returns to its place.
            UIButton* hide = nullptr;
            for (const UIViewRef& subview : bar->subviews())
                if (auto* button = dynamic_cast<UIButton*>(subview.get()))
                    hide = button;
            ASSERT_TRUE(hide);
            EXPECT_LE(CGRectGetMaxY(shownRect(*hide)), keyboardTop);
            hide->sendActionsForControlEvents(UIControlEventTouchUpInside);
            advance(1.0);
            EXPECT_FALSE(UIApplication::sharedApplication().isKeyboardVisible());
            EXPECT_TRUE(bar->isHidden());
            EXPECT_FALSE(code->caretView() && code->caretView()->superview()) << "no caret without the keyboard";
            EXPECT_EQ(CGRectGetMaxY(code->frame()), editor->view()->bounds().size.height);
            UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientationPortrait);
            navigation_->popViewControllerAnimated(false);
            window_->setRootViewController(nullptr);
        }
    }
}

} // namespace
