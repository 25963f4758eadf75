#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/Foundation/NSException.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UIInterfaceOwner.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINib.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIWindow.h"
#include "tests/host/HostTestSupport.h"
#include "tests/uikit_controllers/ControlsTestSupport.h"

namespace {

// An owner whose actions log their names and whether a sender came with them.
class ActionLog : public UIResponder, public UIInterfaceOwner {
public:
    explicit ActionLog(std::string name) : name_(std::move(name)) { }
    std::vector<std::string>* log { nullptr };
    const UIResponder* lastSender { nullptr };

protected:
    void declareConnections(UIConnectionTable& table) override
    {
        for (const char* selector : { "down", "up:", "out", "exit", "enter", "cancel" }) {
            const std::string sel = selector;
            table.action(sel, [this, sel](UIResponder* sender) {
                lastSender = sender;
                log->push_back(name_ + "." + sel + (sel.back() == ':' && sender != nullptr ? "(sender)" : ""));
            });
        }
    }

private:
    std::string name_;
};

class ControlTest : public HostTest {
protected:
    ControlTest() : HostTest("ipad") { }

    void SetUp() override
    {
        HostTest::SetUp();
        UIApplication::sharedApplication().setStatusBarHidden(true);
        window_ = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
        window_->setBackgroundColor(UIColor::whiteColor());
        window_->makeKeyAndVisible();
    }

    void touch(UITouchPhase phase, CGPoint p) { UIApplication::sharedApplication().injectTouch(phase, p, clock_->now()); }

    std::shared_ptr<UIWindow> window_;
};

TEST_F(ControlTest, TouchesSendTheirEventsToTargetsInTheOrderTheyWereAdded)
{
    struct Case {
        const char* name;
        std::vector<CGPoint> moves; // after a touch down at (150, 120), before lifting at the last
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases {
        { "tap", { { 150, 120 } }, { "a.down", "a.up:(sender)", "b.up:(sender)" } },
        // Within the tracking margin the finger still counts as inside.
        { "slip just past the edge", { { 150, 180 } }, { "a.down", "a.up:(sender)", "b.up:(sender)" } },
        { "drag away", { { 150, 400 } }, { "a.down", "b.exit", "b.out" } },
        { "away and back", { { 150, 400 }, { 150, 120 } }, { "a.down", "b.exit", "b.enter", "a.up:(sender)", "b.up:(sender)" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> log;
        auto a = std::make_shared<ActionLog>("a");
        auto b = std::make_shared<ActionLog>("b");
        a->log = b->log = &log;
        auto button = UIButton::buttonWithType(UIButtonTypeCustom);
        button->setFrame(CGRectMake(100, 100, 100, 40));
        window_->addSubview(button);
        button->addTarget(a, "down", UIControlEventTouchDown);
        button->addTarget(a, "up:", UIControlEventTouchUpInside);
        button->addTarget(b, "up:", UIControlEventTouchUpInside);
        button->addTarget(b, "out", UIControlEventTouchUpOutside);
        button->addTarget(b, "exit", UIControlEventTouchDragExit);
        button->addTarget(b, "enter", UIControlEventTouchDragEnter);

        touch(UITouchPhaseBegan, CGPointMake(150, 120));
        EXPECT_TRUE(button->isHighlighted());
        for (const CGPoint p : c.moves) {
            advance(0.02);
            touch(UITouchPhaseMoved, p);
        }
        const bool inside = button->isHighlighted();
        advance(0.02);
        touch(UITouchPhaseEnded, c.moves.back());
        EXPECT_EQ(log, c.expected);
        EXPECT_EQ(inside, c.expected.back() == "b.up:(sender)") << "highlighted while the finger is inside";
        EXPECT_FALSE(button->isHighlighted());
        if (!log.empty() && log.back() == "b.up:(sender)") {
            EXPECT_EQ(b->lastSender, button.get());
        }
        button->removeFromSuperview();
    }
}

TEST_F(ControlTest, DisabledControlsAndTargetsThatHaveGoneReceiveNothing)
{
    std::vector<std::string> log;
    auto button = UIButton::buttonWithType(UIButtonTypeCustom);
    button->setFrame(CGRectMake(100, 100, 100, 40));
    window_->addSubview(button);
    {
        auto gone = std::make_shared<ActionLog>("gone");
        gone->log = &log;
        button->addTarget(gone, "down", UIControlEventTouchDown);
    }
    auto kept = std::make_shared<ActionLog>("kept");
    kept->log = &log;
    button->addTarget(kept, "up:", UIControlEventTouchUpInside);
    button->setEnabled(false);
    touch(UITouchPhaseBegan, CGPointMake(150, 120));
    touch(UITouchPhaseEnded, CGPointMake(150, 120));
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(button->isHighlighted());

    button->setEnabled(true);
    touch(UITouchPhaseBegan, CGPointMake(150, 120));
    touch(UITouchPhaseEnded, CGPointMake(150, 120));
    EXPECT_EQ(log, (std::vector<std::string> { "kept.up:(sender)" }));
    button->removeTarget(kept.get(), "up:", UIControlEventTouchUpInside);
    EXPECT_EQ(button->allControlEvents(), unsigned(UIControlEventTouchDown));
}

TEST_F(ControlTest, ButtonStatesFallBackToTheNormalValues)
{
    auto button = UIButton::buttonWithType(UIButtonTypeCustom);
    const UIImageRef normalImage = twoColourImage(CGSizeMake(4, 4), UIColor::redColor(), UIColor::redColor());
    button->setTitle(u"CONNECT", UIControlStateNormal);
    button->setTitleColor(UIColor::blackColor(), UIControlStateNormal);
    button->setTitleColor(UIColor::redColor(), UIControlStateHighlighted);
    button->setBackgroundImage(normalImage, UIControlStateNormal);
    button->setTitle(u"ON", UIControlStateSelected);

    EXPECT_EQ(button->titleLabel()->text(), u"CONNECT");
    button->setHighlighted(true);
    EXPECT_TRUE(button->currentTitleColor()->isEqual(*UIColor::redColor()));
    EXPECT_EQ(button->currentBackgroundImage(), normalImage);
    EXPECT_EQ(button->titleLabel()->text(), u"CONNECT");
    button->setHighlighted(false);
    button->setSelected(true);
    EXPECT_EQ(button->titleLabel()->text(), u"ON");
    EXPECT_TRUE(button->titleLabel()->textColor()->isEqual(*UIColor::blackColor()));
    EXPECT_EQ(button->visibleText(), u"ON");

    // Held down, a button without a highlighted image of its own shows its picture darkened.
    button->setSelected(false);
    button->setFrame(CGRectMake(0, 0, 40, 40));
    const CGImageRef normal = UIRenderer::snapshotView(*button, 1);
    button->setHighlighted(true);
    const CGImageRef held = UIRenderer::snapshotView(*button, 1);
    EXPECT_TRUE(pixelNear(*normal, 3, 3, kRed));
    EXPECT_TRUE(pixelNear(*held, 3, 3, { 166, 0, 0, 255 }, 6));
}

// An interface file's buttons, labels and image views, with keys of every kind and actions.
TEST_F(ControlTest, InterfaceFilesMakeControlsWithTheirKeysAndActions)
{
    class Owner : public ActionLog {
    public:
        Owner() : ActionLog("owner") { }
        UIButton* btnGo { nullptr };
        UILabel* lblName { nullptr };
        UIImageView* imgDino { nullptr };

    protected:
        void declareConnections(UIConnectionTable& table) override
        {
            ActionLog::declareConnections(table);
            table.outlet("btnGo", btnGo);
            table.outlet("lblName", lblName);
            table.outlet("imgDino", imgDino);
        }
    };
    const std::string json = R"({ "owner": "Owner", "objects": [ { "class": "UIView", "frame": [0, 0, 300, 200], "subviews": [
        { "class": "UIButton", "outlet": "btnGo", "frame": [10, 10, 120, 40], "title": "GO", "titleColor": "#ff0000",
          "font": { "name": "LexitypeNeue-Bold", "size": 24 }, "backgroundImage": "TextView/drag-dot.png", "enabled": false,
          "selected": true, "actions": [ { "event": "touchUpInside", "selector": "up:" } ] },
        { "class": "UILabel", "outlet": "lblName", "frame": [10, 60, 200, 40], "text": "index.html", "textColor": "#6d6d6d",
          "font": { "name": "Lexitype Neue", "size": 14 }, "textAlignment": 1, "numberOfLines": 2, "lineBreakMode": 3 },
        { "class": "UIImageView", "outlet": "imgDino", "frame": [10, 110, 50, 50], "image": "TextView/drag-dot.png", "contentMode": 1 } ] } ] })";
    auto owner = std::make_shared<Owner>();
    std::vector<std::string> log;
    owner->log = &log;
    const auto objects = UINib::nibWithJSON(json, "Controls.json")->instantiateWithOwner(owner.get());
    ASSERT_NE(owner->btnGo, nullptr);
    EXPECT_EQ(owner->btnGo->titleForState(UIControlStateNormal), u"GO");
    EXPECT_TRUE(owner->btnGo->titleColorForState(UIControlStateNormal)->isEqual(*UIColor::colorWithRed(1, 0, 0, 1)));
    EXPECT_DOUBLE_EQ(owner->btnGo->titleLabel()->font()->pointSize(), 24);
    EXPECT_TRUE(owner->btnGo->backgroundImageForState(UIControlStateNormal));
    EXPECT_FALSE(owner->btnGo->isEnabled());
    EXPECT_TRUE(owner->btnGo->isSelected());
    owner->btnGo->setEnabled(true);
    owner->btnGo->sendActionsForControlEvents(UIControlEventTouchUpInside);
    EXPECT_EQ(log, (std::vector<std::string> { "owner.up:(sender)" }));
    ASSERT_NE(owner->lblName, nullptr);
    EXPECT_EQ(owner->lblName->text(), u"index.html");
    EXPECT_EQ(owner->lblName->textAlignment(), UITextAlignmentCenter);
    EXPECT_EQ(owner->lblName->numberOfLines(), 2);
    EXPECT_EQ(owner->lblName->lineBreakMode(), UILineBreakModeHeadTruncation);
    ASSERT_NE(owner->imgDino, nullptr);
    EXPECT_EQ(owner->imgDino->contentMode(), UIViewContentModeScaleAspectFit);
    EXPECT_TRUE(owner->imgDino->image());

    // Bad values are refused with the key named.
    for (const char* bad : { R"("lineBreakMode": 9)", R"("textAlignment": -1)" }) {
        const std::string file = std::string(R"({ "objects": [ { "class": "UILabel", )") + bad + " } ] }";
        try {
            (void)UINib::nibWithJSON(file, "Bad.json")->instantiateWithOwner(nullptr);
            ADD_FAILURE() << bad << " was taken";
        } catch (const NamedException& error) {
            EXPECT_NE(error.reason().find("Bad.json"), std::string::npos) << error.reason();
        }
    }
    const std::string badEvent = R"({ "owner": "Owner", "objects": [ { "class": "UIButton",
        "actions": [ { "event": "touchUpSideways", "selector": "up:" } ] } ] })";
    EXPECT_THROW((void)UINib::nibWithJSON(badEvent, "Event.json")->instantiateWithOwner(owner.get()), NamedException);
}

} // namespace
