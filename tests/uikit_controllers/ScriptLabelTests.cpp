#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Host/HostSession.h"
#include "Host/ScriptDriver.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIInterfaceOwner.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINib.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UITextField.h"
#include "Platform/UIKit/UITextView.h"
#include "Platform/UIKit/UIViewController.h"
#include "Platform/UIKit/UIVisibleText.h"
#include "Platform/UIKit/UIWindow.h"
#include "tests/host/HostTestSupport.h"

namespace {

class Screen : public UIResponder, public UIInterfaceOwner {
public:
    std::vector<std::string> pressed;

protected:
    void declareConnections(UIConnectionTable& table) override
    {
        table.action("btnGoPressed:", [this](UIResponder* sender) {
            pressed.push_back(utf16ToUtf8(static_cast<UIButton*>(sender)->currentTitle()));
        });
    }
};

class ScriptLabelTest : public HostTest {
protected:
    ScriptLabelTest() : HostTest("iphone") { }

    void SetUp() override
    {
        HostTest::SetUp();
        window_ = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
        window_->setBackgroundColor(UIColor::whiteColor());
        window_->makeKeyAndVisible();
        for (const char16_t* title : { u"CONNECT", u"CANCEL" }) {
            auto button = UIButton::buttonWithType(UIButtonTypeCustom);
            button->setFrame(CGRectMake(20, 100 + 60 * CGFloat(buttons_.size()), 200, 44));
            button->setTitle(title, UIControlStateNormal);
            button->addTarget(screen_, "btnGoPressed:", UIControlEventTouchUpInside);
            window_->addSubview(button);
            buttons_.push_back(button);
        }
        auto title = std::make_shared<UILabel>(CGRectMake(20, 40, 280, 30));
        title->setText(u"CONNECT TO SERVER");
        window_->addSubview(title);
        // Hidden and clipped-away texts are not on screen.
        auto hidden = std::make_shared<UILabel>(CGRectMake(20, 300, 280, 30));
        hidden->setText(u"Secret");
        hidden->setHidden(true);
        window_->addSubview(hidden);
        auto clip = std::make_shared<UIView>(CGRectMake(0, 400, 100, 20));
        clip->setClipsToBounds(true);
        auto outside = std::make_shared<UILabel>(CGRectMake(0, 30, 100, 20));
        outside->setText(u"Below");
        clip->addSubview(outside);
        window_->addSubview(clip);
    }

    ScriptDriver::Outcome run(const std::string& script) { return driver_.runText(script, "labels.txt"); }

    std::shared_ptr<Screen> screen_ { std::make_shared<Screen>() };
    std::shared_ptr<UIWindow> window_;
    std::vector<std::shared_ptr<UIButton>> buttons_;
    HostSession session_;
    ScriptDriver driver_ { session_ };
};

TEST_F(ScriptLabelTest, VisibleTextsAreListedFrontToBackWithTheirRectangles)
{
    std::vector<std::u16string> texts;
    for (const auto& visible : UIVisibleText::onScreen()) {
        texts.push_back(visible.text);
    }
    EXPECT_EQ(texts, (std::vector<std::u16string> { u"CONNECT TO SERVER", u"CANCEL", u"CONNECT" }));
    EXPECT_EQ(UIVisibleText::find(u"CANCEL").screenRect, CGRectMake(20, 160, 200, 44));
}

TEST_F(ScriptLabelTest, ScriptsTapAndWaitByWhatAPersonSees)
{
    struct Case {
        std::string script;
        bool ok;
        std::vector<std::string> pressed;
        std::string errorPart;
    };
    const std::vector<Case> cases {
        { "assertVisible CONNECT TO SERVER\ntapLabel CANCEL\ntapLabel \"CONNECT\"\n", true, { "CANCEL", "CONNECT" }, "" },
        { "tapLabel Apply\n", false, {},
          "labels.txt:1: tapLabel: cannot tap: no visible text \"Apply\"; on screen: \"CONNECT TO SERVER\", \"CANCEL\", \"CONNECT\"" },
        { "assertVisible Secret\n", false, {}, "no visible text \"Secret\"" },
        { "assertVisible Below\n", false, {}, "the text \"Below\" is not visible: cut off by a view that clips it" },
        { "assertHidden Below\nassertHidden Secret\nassertHidden Nowhere\n", true, {}, "" },
        { "assertHidden CANCEL\n", false, {}, "assertHidden: the text \"CANCEL\" is visible at 120 182" },
        { "waitFor Connected 0.5\n", false, {}, "waitFor: waited 0.5 s: no visible text \"Connected\"" },
        { "waitFor Connected 1000\n", false, {}, "not a number of seconds" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        screen_->pressed.clear();
        const auto outcome = run(c.script);
        EXPECT_EQ(outcome.ok, c.ok) << outcome.error;
        EXPECT_EQ(screen_->pressed, c.pressed);
        EXPECT_NE(outcome.error.find(c.errorPart), std::string::npos) << outcome.error;
    }

    // A text that comes later is waited for, as long as the script allows.
    (void)performAfterDelay(buttons_[0], [](UIButton& b) { b.setTitle(u"Connected", UIControlStateNormal); }, 1.0);
    const auto waited = run("waitFor Connected 3\ntapLabel Connected\n");
    EXPECT_TRUE(waited.ok) << waited.error;
    EXPECT_EQ(screen_->pressed, std::vector<std::string> { "Connected" });
}

// A text counts only where it is drawn on top and inside the screen; what covers it is named,
// and a tap on a covered label is refused rather than sent to what lies in front.
TEST_F(ScriptLabelTest, CoveredTextsAreNeitherVisibleNorTapped)
{
    auto add = [this](std::shared_ptr<UIView> parent, CGRect frame, const char16_t* text) {
        auto label = std::make_shared<UILabel>(frame);
        label->setText(text);
        (parent ? parent : std::static_pointer_cast<UIView>(window_))->addSubview(label);
        return label;
    };
    add(nullptr, CGRectMake(20, 420, 200, 30), u"Under the keys");
    add(nullptr, CGRectMake(400, 20, 100, 30), u"Off screen");
    auto scroller = std::make_shared<UIScrollView>(CGRectMake(0, 200, 300, 40));
    scroller->setContentSize(CGSizeMake(300, 200));
    scroller->setClipsToBounds(true);
    window_->addSubview(scroller);
    add(scroller, CGRectMake(0, 100, 200, 30), u"Scrolled away");
    // A list below a header, scrolled by one row: it clips by default, as a table does, so its
    // first row is cut at the list's top edge rather than drawn over the header.
    add(nullptr, CGRectMake(0, 290, 150, 20), u"Folder header");
    auto list = std::make_shared<UIScrollView>(CGRectMake(0, 310, 150, 60));
    list->setContentSize(CGSizeMake(150, 200));
    window_->addSubview(list);
    add(list, CGRectMake(0, 0, 150, 20), u"first row");
    add(list, CGRectMake(0, 20, 150, 20), u"second row");
    list->setContentOffset(CGPointMake(0, 20));
    auto textView = UITextView::make(CGRectMake(0, 240, 320, 40));
    textView->setText(u"first line\nsecond line\nthird line\nfourth line");
    window_->addSubview(textView);
    auto field = std::make_shared<UITextField>(CGRectMake(20, 10, 200, 25));
    window_->addSubview(field);
    auto alert = std::make_shared<UIAlertView>("Sure?", "", std::weak_ptr<UIAlertViewDelegate>(), "Cancel");
    // Cut short by its label, the name shows as its head and an ellipsis.
    add(nullptr, CGRectMake(20, 300, 60, 20), u"big-notes.txt");
    // A short text in a wide label, with an opaque view over the label's middle only.
    add(nullptr, CGRectMake(20, 330, 280, 20), u"t4");
    auto overMiddle = std::make_shared<UIView>(CGRectMake(120, 325, 100, 30));
    overMiddle->setBackgroundColor(UIColor::whiteColor());
    window_->addSubview(overMiddle);
    std::unique_ptr<UIInteractionPause> slide;

    struct Case {
        const char* setup; // "keyboard", "alert" or nothing
        std::string script;
        bool ok;
        std::string errorPart;
    };
    const Case cases[] = {
        { "", "assertVisible Under the keys\nassertVisible first line\nassertHidden third line\n", true, "" },
        { "keyboard", "assertVisible Under the keys\n", false, "\"Under the keys\" is not visible: covered by the keyboard" },
        { "keyboard", "tapLabel Under the keys\n", false, "cannot tap: the text \"Under the keys\" is not visible: covered by the keyboard" },
        { "keyboard", "assertHidden Under the keys\nassertVisible CANCEL\n", true, "" },
        { "alert", "tapLabel CANCEL\n", false, "covered by the veil of an alert" },
        { "alert", "assertVisible Sure?\nassertHidden CONNECT TO SERVER\n", true, "" },
        { "", "assertVisible Off screen\n", false, "\"Off screen\" is not visible: outside the screen" },
        { "", "assertVisible Scrolled away\n", false, "\"Scrolled away\" is not visible: cut off by a view that clips it" },
        { "", "assertVisible second line\nassertVisible third line\n", false, "\"third line\" is not visible: cut off by a view that clips it" },
        { "", "assertVisible Folder header\nassertVisible second row\nassertHidden first row\n", true, "" },
        { "", "tapLabel first row\n", false, "\"first row\" is not visible: cut off by a view that clips it" },
        { "", "assertHidden big-notes.txt\n", true, "" },
        { "", "assertVisible big-notes.txt\nassertVisible big-\u2026\n", false, "no visible text \"big-notes.txt\"; on screen: \"t4\", \"big-\u2026\"" },
        { "", "assertVisible big-\u2026\n", true, "" },
        { "", "assertVisible t4\ntapLabel t4\n", true, "" },
        { "slide", "assertVisible CANCEL\n", false, "\"CANCEL\" is not visible: moving with a screen transition" },
        { "slide", "tapLabel CANCEL\n", false, "moving with a screen transition" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        const std::string setup = c.setup;
        if (setup == "keyboard") {
            field->becomeFirstResponder();
        } else if (setup == "alert") {
            alert->show();
        } else if (setup == "slide") {
            slide = std::make_unique<UIInteractionPause>();
        }
        screen_->pressed.clear();
        const auto outcome = run(c.script);
        EXPECT_EQ(outcome.ok, c.ok) << outcome.error;
        EXPECT_TRUE(screen_->pressed.empty());
        EXPECT_NE(outcome.error.find(c.errorPart), std::string::npos) << outcome.error;
        slide.reset();
        field->resignFirstResponder();
        alert->dismissWithClickedButtonIndex(0, false);
        advance(0.5);
    }
}

// A screen from an interface file whose button is reached by its outlet name.
class OutletScreen : public UIViewController {
public:
    UIButton* btnGo { nullptr };
    UIButton* btnHidden { nullptr };
    int presses { 0 };

protected:
    void declareConnections(UIConnectionTable& table) override
    {
        UIViewController::declareConnections(table);
        table.outlet("btnGo", btnGo);
        table.outlet("btnHidden", btnHidden);
        table.action("btnGoPressed", [this] { ++presses; });
    }
};

TEST_F(ScriptLabelTest, ScriptsTapTheViewOfAnOutletOfAVisibleScreen)
{
    auto controller = std::make_shared<OutletScreen>();
    const std::string json = R"({ "owner": "OutletScreen", "objects": [ { "class": "UIView", "outlet": "view",
        "frame": [0, 0, 320, 480], "subviews": [
          { "class": "UIButton", "outlet": "btnGo", "frame": [40, 300, 100, 40],
            "actions": [ { "event": "touchUpInside", "selector": "btnGoPressed" } ] },
          { "class": "UIButton", "outlet": "btnHidden", "frame": [40, 360, 100, 40], "hidden": true } ] } ] })";
    (void)UINib::nibWithJSON(json, "OutletScreen.json")->instantiateWithOwner(controller.get());
    window_->setRootViewController(controller);
    ASSERT_NE(controller->btnGo, nullptr);

    EXPECT_TRUE(run("tapOutlet btnGo\ntapOutlet btnGo\n").ok);
    EXPECT_EQ(controller->presses, 2);
    const auto hidden = run("tapOutlet btnHidden\n");
    EXPECT_FALSE(hidden.ok);
    EXPECT_NE(hidden.error.find("no visible view bound to the outlet \"btnHidden\"; visible outlets: btnGo, view"), std::string::npos)
        << hidden.error;
    EXPECT_FALSE(run("tapOutlet btnMissing\n").ok);
}

} // namespace
