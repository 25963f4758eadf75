// A file keeps its line endings: Return, pasted and composed text take the file's own line break (its
// first one), in the code view and in the plain view, and the server gets nothing else changed.

#include "tests/screens_editor/EditorTestSupport.h"

#include <gtest/gtest.h>

#include "Platform/UIKit/UIPasteboard.h"

namespace {

TEST_F(EditorTest, ReturnAndPasteTakeTheFilesLineBreak)
{
    struct Case {
        const char* label;
        std::string text; // the file; repeated to 10240 bytes or more for the plain view
        bool plain;
        std::string lineBreak; // what Return and the pasted breaks become
    };
    const std::vector<Case> cases {
        { "LF", "one\ntwo\n", false, "\n" },
        { "CR LF", "one\r\ntwo\r\n", false, "\r\n" },
        { "CR", "one\rtwo\r", false, "\r" },
        { "mixed, CR first", "one\rtwo\r\nthree\n", false, "\r" },
        { "no break", "one", false, "\n" },
        { "plain LF", "one\ntwo\n", true, "\n" },
        { "plain CR LF", "one\r\ntwo\r\n", true, "\r\n" },
        { "plain CR", "one\rtwo\r", true, "\r" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string file = c.text;
        while (c.plain && file.size() < CodeWriteController::kLargestColouredBytes)
            file += c.text;
        window_.reset();
        auto editor = open("page.txt", file, "ipad");
        ASSERT_TRUE(editor && editor->backupCode());
        ASSERT_EQ(editor->txtCodePlain() != nullptr, c.plain);
        UIResponder* view = c.plain ? static_cast<UIResponder*>(editor->txtCodePlain().get()) : editor->txtCode();
        auto* input = dynamic_cast<UIKeyInput*>(view);
        ASSERT_TRUE(view->becomeFirstResponder());
        if (c.plain)
            editor->txtCodePlain()->setSelectedRange({ 0, 0 });
        else
            editor->txtCode()->setSelectedRange({ 0, 0 });
        // What the host sends for typing, the Return key and ctrl+v.
        input->insertText(u"x");
        input->insertText(u"\n");
        UIPasteboard::generalPasteboard().setString(u"p\r\nq\rr\n");
        ASSERT_TRUE(view->performAction(kUIActionPaste, nullptr));
        std::string composed;
        if (!c.plain) {
            // An input method's composition, committed with breaks of its own.
            editor->txtCode()->setMarkedTextSelectedRange(u"k\rm\n", NSMakeRange(4, 0));
            editor->txtCode()->unmarkText();
            composed = "k" + c.lineBreak + "m" + c.lineBreak;
        }
        save();
        EXPECT_FALSE(UIAlertView::visibleAlert());
        const std::string& b = c.lineBreak;
        EXPECT_EQ(server().readFile("page.txt").value_or(""), "x" + b + "p" + b + "q" + b + "r" + b + composed + file);
        EXPECT_EQ(*editor->backupCode(), editor->currentText());
        view->resignFirstResponder();
        navigation_->popViewControllerAnimated(false);
        window_->setRootViewController(nullptr);
    }
}

} // namespace
