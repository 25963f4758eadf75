#include "tests/screens_editor/EditorTestSupport.h"

#include <fstream>
#include <sstream>

#include "Classes/TextView/CodeCaretView.h"
#include "Classes/TextView/CodeContentView.h"

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

} // namespace
