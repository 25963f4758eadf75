#include <gtest/gtest.h>

#include "Classes/Controller/AlertPrompt.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UITextField.h"
#include "tests/uikit/UIKitTestSupport.h"
#include "tests/support/SnapshotFolder.h"

namespace {

// A caller of the prompt: reads the answer as its alert is about to go.
class PromptCaller : public UIAlertViewDelegate {
public:
    void alertViewWillDismissWithButtonIndex(UIAlertView* alertView, int buttonIndex) override
    {
        answers.push_back(buttonIndex == alertView->cancelButtonIndex()
                              ? std::string("no answer")
                              : utf16ToUtf8(static_cast<AlertPrompt*>(alertView)->enteredText()));
    }
    std::vector<std::string> answers;
};

class AlertPromptTest : public UIKitTest {
protected:
    void TearDown() override
    {
        UIAlertView::resetForTesting();
        UIKitTest::TearDown();
    }
    void tapButton(const AlertPrompt& prompt, int index)
    {
        const CGRect r = prompt.screenRectForButtonAtIndex(index);
        tap({ r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2 });
        advance(1);
        turn();
    }
    std::shared_ptr<UIWindow> window_ = makeWindow();
    std::shared_ptr<PromptCaller> caller_ = std::make_shared<PromptCaller>();
};

TEST_F(AlertPromptTest, FieldHasTheFocusWhenShownAndTheAnswerIsItsText)
{
    auto prompt = std::make_shared<AlertPrompt>("Rename", "\n", caller_, "Cancel", "OK");
    UITextField* field = prompt->textField().get();
    ASSERT_TRUE(field);
    EXPECT_EQ(field->frame(), CGRectMake(12, 45, 260, 25));
    EXPECT_EQ(field->superview(), prompt.get());
    EXPECT_EQ(field->autocapitalizationType(), UITextAutocapitalizationTypeNone);
    EXPECT_EQ(field->autocorrectionType(), UITextAutocorrectionTypeNo);
    EXPECT_TRUE(field->backgroundColor()->isEqual(*UIColor::whiteColor()));
    EXPECT_EQ(prompt->buttonTitleAtIndex(0), "Cancel");
    EXPECT_EQ(prompt->buttonTitleAtIndex(1), "OK");

    prompt->show();
    advance(1);
    EXPECT_TRUE(prompt->isVisible());
    EXPECT_TRUE(field->isFirstResponder()) << "typing goes straight into the prompt";
    field->insertText(u"index.html");
    EXPECT_EQ(prompt->enteredText(), u"index.html");
    EXPECT_TRUE(UIRenderer::writeScreenPNG(snapshotFile("screens_launch", "alert-prompt")));
    tapButton(*prompt, 1);
    EXPECT_FALSE(prompt->isVisible());

    // The cancel button gives no answer; a field moved by its caller stays where it was put.
    auto second = std::make_shared<AlertPrompt>("New document", "\n", caller_, "Cancel", "OK");
    second->textField()->setFrame(CGRectMake(12, 70, 260, 25));
    second->show();
    advance(1);
    turn();
    EXPECT_EQ(second->textField()->frame(), CGRectMake(12, 70, 260, 25));
    tapButton(*second, 0);
    EXPECT_EQ(caller_->answers, (std::vector<std::string> { "index.html", "no answer" }));
}

}
