#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "Host/HostSession.h"
#include "Host/ScriptDriver.h"
#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIActivityIndicatorView.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINib.h"
#include "Platform/UIKit/UIPasteboard.h"
#include "Platform/UIKit/UIProgressView.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UISegmentedControl.h"
#include "Platform/UIKit/UISwitch.h"
#include "Platform/UIKit/UITextField.h"
#include "Platform/UIKit/UITextFieldCaretView.h"
#include "Platform/UIKit/UITextView.h"
#include "Platform/UIKit/UIVisibleText.h"
#include "Platform/UIKit/UIWindow.h"
#include "tests/host/HostTestSupport.h"
#include "tests/support/LogCapture.h"

namespace {

// Hears every delegate call and action of the controls it serves, in order.
class Recorder : public UIResponder, public UITextFieldDelegate, public UITextViewDelegate {
public:
    std::vector<std::string> events;
    std::vector<std::string> names; // which field each event came from
    bool returns { true };

    std::string nameOf(const void* object) const
    {
        for (const auto& [pointer, name] : known) {
            if (pointer == object) {
                return name;
            }
        }
        return "?";
    }
    std::vector<std::pair<const void*, std::string>> known;

    void note(const std::string& event, const void* sender) { events.push_back(nameOf(sender) + " " + event); }

    bool textFieldShouldBeginEditing(UITextField* f) override { return note("shouldBegin", f), true; }
    void textFieldDidBeginEditing(UITextField* f) override { note("didBegin", f); }
    bool textFieldShouldEndEditing(UITextField* f) override { return note("shouldEnd", f), true; }
    void textFieldDidEndEditing(UITextField* f) override { note("didEnd", f); }
    bool textFieldShouldReturn(UITextField* f) override { return note("shouldReturn", f), returns; }

    [[nodiscard]] bool respondsToAction(const SEL&) const override { return true; }
    bool performAction(const SEL& action, const void* sender) override
    {
        note(action, sender);
        return true;
    }
};

class ControlTest : public HostTest {
protected:
    ControlTest() : HostTest("iphone") { }

    void SetUp() override
    {
        HostTest::SetUp();
        window_ = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
        window_->setBackgroundColor(UIColor::whiteColor());
        window_->makeKeyAndVisible();
    }

    std::shared_ptr<UITextField> field(const std::string& name, CGRect frame)
    {
        auto f = std::make_shared<UITextField>(frame);
        f->setBorderStyle(UITextBorderStyleRoundedRect);
        f->setFont(UIFont::systemFontOfSize(17));
        f->setDelegate(recorder_);
        recorder_->known.emplace_back(f.get(), name);
        for (const char* action : { "began:", "changed:", "ended:", "exit:" }) {
            const unsigned event = std::string(action) == "began:"     ? UIControlEventEditingDidBegin
                                   : std::string(action) == "changed:" ? UIControlEventEditingChanged
                                   : std::string(action) == "ended:"   ? UIControlEventEditingDidEnd
                                                                       : UIControlEventEditingDidEndOnExit;
            f->addTarget(recorder_, action, event);
        }
        window_->addSubview(f);
        return f;
    }

    std::shared_ptr<Recorder> recorder_ { std::make_shared<Recorder>() };
    std::shared_ptr<UIWindow> window_;
    HostSession session_;
    ScriptDriver driver_ { session_ };
};

TEST_F(ControlTest, TextFieldSendsDelegateCallsAndActionsInOrder)
{
    auto name = field("name", CGRectMake(20, 60, 280, 31));
    struct Step {
        const char* what;
        std::function<void()> act;
        std::vector<std::string> expected;
    };
    const std::vector<Step> steps {
        { "tap", [&] { session_.tap({ 100, 75 }); },
          { "name shouldBegin", "name didBegin", "name began:" } },
        { "type", [&] { ASSERT_TRUE(session_.typeText(u"ab")); }, { "name changed:" } },
        { "return", [&] { ASSERT_TRUE(session_.typeText(u"\n")); }, { "name shouldReturn", "name exit:" } },
        { "backspace", [&] { session_.pressKey(HostKey::Backspace); }, { "name changed:" } },
        { "resign", [&] { name->resignFirstResponder(); }, { "name shouldEnd", "name didEnd", "name ended:" } },
    };
    for (const auto& step : steps) {
        recorder_->events.clear();
        step.act();
        EXPECT_EQ(recorder_->events, step.expected) << step.what;
    }
    EXPECT_EQ(name->text(), u"a");
}

TEST_F(ControlTest, FocusMovesFromFieldToFieldWithTheKeyboardKeptUp)
{
    auto host = field("host", CGRectMake(20, 60, 280, 31));
    auto port = field("port", CGRectMake(20, 110, 280, 31));
    std::vector<std::string> keyboard;
    auto& center = NSNotificationCenter::defaultCenter();
    for (const char* name : { UIKeyboardWillShowNotification, UIKeyboardDidShowNotification, UIKeyboardWillHideNotification,
                              UIKeyboardDidHideNotification }) {
        center.addObserver(this, name, nullptr, [&keyboard, name](const NSNotification&) { keyboard.push_back(name); });
    }
    session_.tap({ 100, 75 });
    advance(1);
    recorder_->events.clear();
    keyboard.clear();
    session_.tap({ 100, 125 });
    advance(1);
    EXPECT_EQ(recorder_->events, (std::vector<std::string> { "port shouldBegin", "host shouldEnd", "host didEnd", "host ended:",
                                                             "port didBegin", "port began:" }));
    EXPECT_TRUE(keyboard.empty()) << keyboard.front();
    EXPECT_TRUE(UIApplication::sharedApplication().isKeyboardVisible());
    EXPECT_TRUE(port->isEditing());
    EXPECT_FALSE(host->isEditing());
    ASSERT_TRUE(session_.typeText(u"21"));
    EXPECT_EQ(port->text(), u"21");
    EXPECT_EQ(host->text(), u"");
    port->resignFirstResponder();
    advance(1);
    EXPECT_EQ(keyboard, (std::vector<std::string> { UIKeyboardWillHideNotification, UIKeyboardDidHideNotification }));
    center.removeObserver(this);
}

TEST_F(ControlTest, ClearsOnBeginAndRefusalsAreHonoured)
{
    auto f = field("f", CGRectMake(20, 60, 280, 31));
    f->setText(u"old");
    f->setClearsOnBeginEditing(true);
    ASSERT_TRUE(f->becomeFirstResponder());
    EXPECT_EQ(f->text(), u"");
    ASSERT_TRUE(session_.typeText(u"new"));
    recorder_->returns = false;
    recorder_->events.clear();
    ASSERT_TRUE(session_.typeText(u"\n"));
    EXPECT_EQ(recorder_->events, (std::vector<std::string> { "f shouldReturn" }));
    EXPECT_EQ(f->text(), u"new");
    f->setEnabled(false);
    EXPECT_FALSE(f->isFirstResponder());
    EXPECT_FALSE(f->becomeFirstResponder());
}

TEST_F(ControlTest, ScriptTypesIntoFieldAndSeesTextAndPlaceholders)
{
    auto user = field("user", CGRectMake(20, 60, 280, 31));
    user->setPlaceholder(u"User name");
    auto pass = field("pass", CGRectMake(20, 110, 280, 31));
    pass->setPlaceholder(u"Password");
    pass->setSecureTextEntry(true);
    const auto outcome = driver_.runText("assertVisible User name\n"
                                         "tapLabel User name\n"
                                         "type anna\n"
                                         "assertVisible anna\n"
                                         "tapLabel Password\n"
                                         "type s3cret\n"
                                         "waitFor anna 1\n",
                                         "fields.txt");
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(user->text(), u"anna");
    EXPECT_EQ(pass->text(), u"s3cret");
    for (const auto& visible : UIVisibleText::onScreen()) {
        EXPECT_EQ(visible.text.find(u"s3cret"), std::u16string::npos);
        EXPECT_NE(visible.text, u"Password"); // a placeholder shows only while there is no text
    }
}

TEST_F(ControlTest, SecureTextIsDrawnAsBulletsAndNeverLeavesTheField)
{
    LogCapture log;
    UIPasteboard::generalPasteboard().setString(u"before");
    auto secure = field("secure", CGRectMake(20, 60, 280, 31));
    secure->setSecureTextEntry(true);
    ASSERT_TRUE(secure->becomeFirstResponder());
    ASSERT_TRUE(session_.typeText(u"hunter2"));
    secure->resignFirstResponder();
    auto bullets = field("bullets", CGRectMake(20, 110, 280, 31));
    bullets->setText(std::u16string(7, UITextField::kBullet));
    auto plain = field("plain", CGRectMake(20, 160, 280, 31));
    plain->setText(u"hunter2");

    const auto a = UIRenderer::snapshotView(*secure, 1), b = UIRenderer::snapshotView(*bullets, 1),
               c = UIRenderer::snapshotView(*plain, 1);
    ASSERT_TRUE(a && b && c);
    int differFromBullets = 0, differFromPlain = 0;
    for (std::size_t y = 0; y < a->height(); ++y) {
        for (std::size_t x = 0; x < a->width(); ++x) {
            differFromBullets += !pixelNear(*a, x, y, b->pixelAt(x, y), 0);
            differFromPlain += !pixelNear(*a, x, y, c->pixelAt(x, y), 0);
        }
    }
    EXPECT_EQ(differFromBullets, 0);
    EXPECT_GT(differFromPlain, 20);
    ASSERT_TRUE(UIRenderer::writeScreenPNG(scratch("secure.png")));

    // Neither copy nor cut is offered, whatever is selected; the pasteboard keeps its text.
    ASSERT_TRUE(secure->becomeFirstResponder());
    EXPECT_EQ(session_.pressKey(HostKey::SelectAll), HostSession::KeyOutcome::Done);
    EXPECT_EQ(secure->selectedRange(), NSMakeRange(0, 7));
    EXPECT_EQ(session_.pressKey(HostKey::Copy), HostSession::KeyOutcome::NotAccepted);
    EXPECT_EQ(session_.pressKey(HostKey::Cut), HostSession::KeyOutcome::NotAccepted);
    EXPECT_FALSE(UIApplication::sharedApplication().sendAction(kUIActionCopy, secure.get(), nullptr));
    EXPECT_EQ(UIPasteboard::generalPasteboard().string(), u"before");
    EXPECT_EQ(secure->text(), u"hunter2");
    for (const auto& line : log.lines()) {
        EXPECT_EQ(line.find("hunter2"), std::string::npos) << line;
    }
    // The same commands on a plain field do copy.
    ASSERT_TRUE(plain->becomeFirstResponder());
    session_.pressKey(HostKey::SelectAll);
    EXPECT_EQ(session_.pressKey(HostKey::Copy), HostSession::KeyOutcome::Done);
    EXPECT_EQ(UIPasteboard::generalPasteboard().string(), u"hunter2");
}

TEST_F(ControlTest, SwitchAndSegmentsSendValueChangedOnlyForTheUser)
{
    auto swi = std::make_shared<UISwitch>(CGRectMake(20, 60, 10, 10));
    EXPECT_EQ(swi->frame().size, CGSizeMake(UISwitch::kWidth, UISwitch::kHeight));
    recorder_->known.emplace_back(swi.get(), "switch");
    swi->addTarget(recorder_, "switched:", UIControlEventValueChanged);
    window_->addSubview(swi);
    swi->setOn(true, true);
    EXPECT_TRUE(recorder_->events.empty());
    session_.tap({ 50, 70 });
    EXPECT_FALSE(swi->isOn());
    EXPECT_EQ(recorder_->events, (std::vector<std::string> { "switch switched:" }));

    struct Case {
        bool momentary;
        std::vector<CGFloat> taps; // x of each tap
        std::vector<std::string> events;
        int selected;
    };
    const std::vector<Case> cases {
        { false, { 40, 40, 250 }, { "segs changed:", "segs changed:" }, 2 },
        { true, { 40, 40 }, { "segs changed:", "segs changed:" }, 0 },
        { false, { 400 }, {}, -1 },
    };
    for (const auto& c : cases) {
        auto segs = std::make_shared<UISegmentedControl>(std::vector<std::u16string> { u"FTP", u"SFTP", u"SCP" });
        segs->setFrame(CGRectMake(20, 200, 270, 30));
        segs->setMomentary(c.momentary);
        recorder_->known.emplace_back(segs.get(), "segs");
        segs->addTarget(recorder_, "changed:", UIControlEventValueChanged);
        window_->addSubview(segs);
        recorder_->events.clear();
        for (const CGFloat x : c.taps) {
            session_.tap({ x, 215 });
        }
        EXPECT_EQ(recorder_->events, c.events) << c.momentary;
        EXPECT_EQ(segs->selectedSegmentIndex(), c.selected);
        EXPECT_EQ(segs->highlightedSegmentIndex(), -1);
        segs->removeFromSuperview();
    }
}

TEST_F(ControlTest, SpinnerAndProgressKeepTheirRules)
{
    auto spinner = std::make_shared<UIActivityIndicatorView>(UIActivityIndicatorViewStyleGray);
    window_->addSubview(spinner);
    EXPECT_TRUE(spinner->isHidden());
    spinner->startAnimating();
    EXPECT_TRUE(spinner->isAnimating());
    EXPECT_FALSE(spinner->isHidden());
    EXPECT_TRUE(spinner->layer()->animationForKey("spinnerTurning"));
    spinner->stopAnimating();
    EXPECT_TRUE(spinner->isHidden());
    EXPECT_FALSE(spinner->layer()->animationForKey("spinnerTurning"));
    spinner->setHidesWhenStopped(false);
    EXPECT_FALSE(spinner->isHidden());

    auto bar = std::make_shared<UIProgressView>(CGRectMake(0, 0, 200, 9));
    for (const auto& [given, kept] : std::vector<std::pair<float, float>> { { 0.25f, 0.25f }, { 1.5f, 1 }, { -1, 0 }, { NAN, 0 } }) {
        bar->setProgress(given);
        EXPECT_EQ(bar->progress(), kept) << given;
    }
    bar->setProgress(0.25f);
    EXPECT_EQ(bar->filledRect().size.width, 50);
}

TEST_F(ControlTest, InterfaceFilesSetTheControlsKeys)
{
    const auto nib = UINib::nibWithJSON(R"({ "objects": [
        { "class": "UITextField", "placeholder": "Port", "text": "21", "secureTextEntry": true, "clearsOnBeginEditing": true,
          "keyboardType": 4, "returnKeyType": 9, "autocorrectionType": 1, "borderStyle": 3, "delegate": "owner" },
        { "class": "UISwitch", "on": true, "onTintColor": "#ff0000" },
        { "class": "UISegmentedControl", "segments": ["FTP", "SFTP"], "selectedSegmentIndex": 1, "momentary": true },
        { "class": "UIActivityIndicatorView", "activityIndicatorViewStyle": 2, "hidesWhenStopped": false },
        { "class": "UIProgressView", "progress": 0.5, "progressTintColor": "#00ff00" },
        { "class": "UITextView", "text": "plain", "editable": false, "delegate": "owner" } ] })",
                                         "Controls.json");
    const auto objects = nib->instantiateWithOwner(recorder_.get());
    ASSERT_EQ(objects.size(), 6u);
    const auto& f = dynamic_cast<UITextField&>(*objects[0]);
    EXPECT_EQ(f.placeholder(), u"Port");
    EXPECT_EQ(f.text(), u"21");
    EXPECT_TRUE(f.isSecureTextEntry());
    EXPECT_TRUE(f.clearsOnBeginEditing());
    EXPECT_EQ(f.keyboardType(), UIKeyboardTypeNumberPad);
    EXPECT_EQ(f.returnKeyType(), UIReturnKeyDone);
    EXPECT_EQ(f.autocorrectionType(), UITextAutocorrectionTypeNo);
    EXPECT_EQ(f.borderStyle(), UITextBorderStyleRoundedRect);
    EXPECT_EQ(f.delegate().get(), static_cast<UITextFieldDelegate*>(recorder_.get()));
    const auto& s = dynamic_cast<UISwitch&>(*objects[1]);
    EXPECT_TRUE(s.isOn());
    EXPECT_TRUE(s.onTintColor()->isEqual(*UIColor::redColor()));
    const auto& g = dynamic_cast<UISegmentedControl&>(*objects[2]);
    EXPECT_EQ(g.numberOfSegments(), 2u);
    EXPECT_EQ(g.selectedSegmentIndex(), 1);
    EXPECT_TRUE(g.isMomentary());
    const auto& a = dynamic_cast<UIActivityIndicatorView&>(*objects[3]);
    EXPECT_EQ(a.activityIndicatorViewStyle(), UIActivityIndicatorViewStyleGray);
    EXPECT_FALSE(a.isHidden());
    EXPECT_FLOAT_EQ(dynamic_cast<UIProgressView&>(*objects[4]).progress(), 0.5f);
    auto& v = dynamic_cast<UITextView&>(*objects[5]);
    EXPECT_EQ(v.text(), u"plain");
    EXPECT_FALSE(v.isEditable());
    EXPECT_EQ(v.delegate().get(), static_cast<UITextViewDelegate*>(recorder_.get()));

    // Values out of range are refused with the key named.
    for (const char* bad : { R"({ "objects": [ { "class": "UITextField", "borderStyle": 7 } ] })",
                             R"({ "objects": [ { "class": "UISegmentedControl", "selectedSegmentIndex": 0 } ] })",
                             R"({ "objects": [ { "class": "UIProgressView", "progress": 2 } ] })" }) {
        EXPECT_ANY_THROW((void)UINib::nibWithJSON(bad, "Bad.json")->instantiateWithOwner(nullptr)) << bad;
    }
}

TEST_F(ControlTest, ControlsAreDrawnAsTheClassicPlatformDrawsThem)
{
    window_->setBackgroundColor(UIColor::colorWithWhite(0.85, 1));
    auto f = field("f", CGRectMake(20, 40, 280, 31));
    f->setPlaceholder(u"Host name");
    auto g = field("g", CGRectMake(20, 80, 280, 31));
    g->setText(u"ftp.example.com");
    auto line = field("line", CGRectMake(20, 120, 130, 31));
    line->setBorderStyle(UITextBorderStyleLine);
    line->setText(u"Line");
    auto bezel = field("bezel", CGRectMake(170, 120, 130, 31));
    bezel->setBorderStyle(UITextBorderStyleBezel);
    bezel->setText(u"Bezel");
    ASSERT_TRUE(g->becomeFirstResponder());
    auto on = std::make_shared<UISwitch>(CGRectMake(20, 170, 0, 0));
    on->setOn(true);
    auto off = std::make_shared<UISwitch>(CGRectMake(120, 170, 0, 0));
    auto segs = std::make_shared<UISegmentedControl>(std::vector<std::u16string> { u"FTP", u"SFTP" });
    segs->setFrame(CGRectMake(20, 220, 280, 44));
    segs->setSelectedSegmentIndex(0);
    auto barSegs = std::make_shared<UISegmentedControl>(std::vector<std::u16string> { u"TAB", u"<", u">", u"{" });
    barSegs->setSegmentedControlStyle(UISegmentedControlStyleBar);
    barSegs->setFrame(CGRectMake(20, 280, 280, 30));
    barSegs->setSelectedSegmentIndex(2);
    auto spinner = std::make_shared<UIActivityIndicatorView>(UIActivityIndicatorViewStyleGray);
    spinner->setCenter(CGPointMake(40, 350));
    spinner->startAnimating();
    auto large = std::make_shared<UIActivityIndicatorView>(UIActivityIndicatorViewStyleWhiteLarge);
    large->setCenter(CGPointMake(100, 350));
    large->startAnimating();
    auto dark = std::make_shared<UIView>(CGRectMake(75, 325, 50, 50));
    dark->setBackgroundColor(UIColor::darkGrayColor());
    auto bar = std::make_shared<UIProgressView>(CGRectMake(20, 400, 280, 9));
    bar->setProgress(0.5f);
    // A character no text font here has (U+1F35E, bread) comes from the colour emoji font in a
    // label, a field and a text view alike.
    auto label = std::make_shared<UILabel>(CGRectMake(20, 420, 140, 28));
    label->setText(u"Bread \U0001F35E");
    auto toast = field("toast", CGRectMake(170, 420, 130, 31));
    toast->setText(u"toast \U0001F35E");
    auto jam = UITextView::make(CGRectMake(20, 450, 280, 28));
    jam->setText(u"jam \U0001F35E");
    for (const UIViewRef& v : std::vector<UIViewRef> { on, off, segs, barSegs, spinner, dark, large, bar, label, jam }) {
        window_->addSubview(v);
    }
    // The caret sits after the text of the field being edited.
    ASSERT_EQ(g->caretView()->superview(), g.get());
    EXPECT_GT(g->caretView()->frame().origin.x, 120);
    g->resignFirstResponder();
    const std::string path = scratch("controls.png");
    ASSERT_TRUE(UIRenderer::writeScreenPNG(path));
    if (const char* keep = std::getenv("LEXIPHANT_KEEP_SNAPSHOTS")) {
        (void)UIRenderer::writeScreenPNG(std::string(keep) + "/controls.png");
    }
    const auto shot = UIRenderer::snapshotScreen();
    ASSERT_TRUE(shot);
    const CGFloat s = UIScreen::mainScreen().scale();
    const auto at = [&](CGFloat x, CGFloat y) { return shot->pixelAt(std::size_t(x * s), std::size_t(y * s)); };
    // The rounded field is white inside; the switch that is on shows its blue at the left, the
    // one that is off its light grey at the right; the selected plain segment is blue; the bar
    // is filled blue to its middle and grey beyond.
    EXPECT_TRUE(pixelNear(*shot, std::size_t(250 * s), std::size_t(55 * s), kWhite, 2));
    const auto onLeft = at(30, 183), offRight = at(190, 183);
    EXPECT_GT(onLeft.blue, 180);
    EXPECT_LT(onLeft.red, 60);
    EXPECT_GT(offRight.red, 200);
    EXPECT_NEAR(int(offRight.red), int(offRight.blue), 8);
    const auto selected = at(40, 250), unselected = at(270, 250);
    EXPECT_GT(selected.blue, 180);
    EXPECT_LT(selected.red, 100);
    EXPECT_GT(unselected.red, 200);
    const auto filled = at(60, 404), empty = at(260, 404);
    EXPECT_GT(filled.blue, 150);
    EXPECT_LT(filled.red, 120);
    EXPECT_GT(empty.red, 200);
    for (const UIViewRef& v : std::vector<UIViewRef> { label, toast, jam }) {
        const CGRect r = v->frame();
        std::size_t crust = 0;
        for (CGFloat y = r.origin.y; y < CGRectGetMaxY(r); y += 1 / s) {
            for (CGFloat x = r.origin.x; x < CGRectGetMaxX(r); x += 1 / s) {
                const auto px = at(x, y);
                crust += int(px.red) - int(px.blue) > 60 ? 1 : 0;
            }
        }
        EXPECT_GT(crust, 20u) << "the bread is drawn in its colours at " << r.origin.x << "," << r.origin.y;
    }
}

} // namespace
