#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <variant>

#include "Host/HostOptions.h"
#include "Host/HostSession.h"
#include "Host/SceneTapView.h"
#include "Host/SceneTextBox.h"
#include "Host/ScriptDriver.h"
#include "Host/TestScene.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UIWindow.h"
#include "tests/host/HostTestSupport.h"

namespace {

class ScriptDriverTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        scene_ = std::make_shared<TestScene>();
        session_.launch(scene_, UIInterfaceOrientationPortrait);
    }

    ScriptDriver::Outcome run(const std::string& script) { return driver_.runText(script, "tour.txt"); }

    // A point of a view (its centre by default) in display points.
    std::string at(const UIView& view, CGPoint offset = CGPointMake(-1, -1)) const
    {
        const CGRect b = view.bounds();
        const CGPoint local = offset.x < 0 ? CGPointMake(CGRectGetMidX(b), CGRectGetMidY(b)) : offset;
        const CGPoint screen = view.convertPointToView(local, nullptr);
        const CGPoint display = CGPointApplyAffineTransform(screen, UIRenderer::screenToDisplayTransform(session_.orientation()));
        std::ostringstream text;
        text << display.x << " " << display.y;
        return text.str();
    }

    HostSession session_;
    ScriptDriver driver_ { session_ };
    std::shared_ptr<TestScene> scene_;
};

TEST_F(ScriptDriverTest, ShortScriptDrivesTheSceneAndWritesASnapshot)
{
    const std::string png = scratch("out/scene.png");
    const auto outcome = run("# a tour\n"
                             "\n"
                             "tap "
        + at(*scene_->tapView(), CGPointMake(40, 60))
        + "\n"
          "wait 0.1\n"
          "tap "
        + at(*scene_->textBox())
        + "\n"
          "type Hello, wörld\n"
          "snapshot "
        + png + "\n");
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(outcome.commandsRun, 5);
    EXPECT_FALSE(outcome.quit);
    EXPECT_EQ(scene_->tapView()->taps(), 1);
    EXPECT_EQ(scene_->textBox()->text(), u"Hello, wörld");

    const CGImageRef image = CGImage::createWithContentsOfFile(png);
    ASSERT_TRUE(image) << "no snapshot at " << png;
    EXPECT_EQ(image->width(), 320u);
    EXPECT_EQ(image->height(), 480u);
    // The tap's mark where the tap fell, and the first (red) shape.
    const CGPoint mark = scene_->tapView()->convertPointToView(CGPointMake(40, 60), nullptr);
    EXPECT_TRUE(pixelNear(*image, std::size_t(mark.x), std::size_t(mark.y), CGImage::Pixel { 230, 26, 153, 255 }, 6));
    const CGPoint red = scene_->shapes()[0]->center();
    EXPECT_TRUE(pixelNear(*image, std::size_t(red.x), std::size_t(red.y), CGImage::Pixel { 217, 51, 51, 255 }, 4));
    // The keyboard came up for the text box.
    EXPECT_TRUE(UIApplication::sharedApplication().isKeyboardVisible());
}

TEST_F(ScriptDriverTest, FailingLinesStopTheRunNamingTheirLine)
{
    struct Case {
        const char* script;
        const char* expected;
    };
    const Case cases[] = {
        { "wait 0\n\nfly 10 10\ntap 10 10\n", "tour.txt:3: unknown command \"fly\"" },
        { "tap 10\n", "tour.txt:1: tap: expected 2 arguments: tap X Y" },
        { "# comment\ntap 5000 10\n", "tour.txt:2: tap: point 5000 10 lies outside the screen (320 x 480 points)" },
        { "wait -1\n", "tour.txt:1: wait: not a number of seconds from 0 to 600: \"-1\"" },
        { "wait 1e9\n", "tour.txt:1: wait: not a number of seconds" },
        { "wait soon\n", "tour.txt:1: wait: not a number of seconds" },
        { "press 10 10 nan\n", "tour.txt:1: press: not a number of seconds" },
        { "swipe sideways 10 10\n", "tour.txt:1: swipe: not a direction (left, right, up or down): \"sideways\"" },
        { "key Escape\n", "tour.txt:1: key: unknown key \"Escape\"" },
        { "type hello\n", "tour.txt:1: type: nothing takes typed text" },
        { "key Backspace\n", "tour.txt:1: key: nothing takes key \"Backspace\"" },
        { "type\n", "tour.txt:1: type: nothing to type" },
        { "rotate sideways\n", "tour.txt:1: rotate: not an orientation (portrait, landscape, landscapeLeft or upsideDown): \"sideways\"" },
        { "background now\n", "tour.txt:1: background: expected 0 arguments: background" },
        { "snapshot /proc/self/no/such.png\n", "tour.txt:1: snapshot: cannot write the snapshot \"/proc/self/no/such.png\"" },
        { "tap 1O 10\n", "tour.txt:1: tap: not a point: 1O 10" },
    };
    for (const Case& c : cases) {
        const auto outcome = run(c.script);
        EXPECT_FALSE(outcome.ok) << c.script;
        EXPECT_EQ(outcome.error.rfind(c.expected, 0), 0u) << "script: " << c.script << "error: " << outcome.error;
    }
    // Lines after the failing one do not run.
    EXPECT_EQ(scene_->tapView()->taps(), 0);

    const auto missing = driver_.runFile(scratch("none.txt"));
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find("cannot read the script"), std::string::npos);
}

TEST_F(ScriptDriverTest, QuitEndsTheRunAndTheApplication)
{
    const auto outcome = run("quit\ntap " + at(*scene_->tapView()) + "\n");
    EXPECT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.quit);
    EXPECT_EQ(outcome.commandsRun, 1);
    EXPECT_TRUE(UIApplication::sharedApplication().isTerminated());
    EXPECT_EQ(scene_->tapView()->taps(), 0);
}

TEST_F(ScriptDriverTest, LaterScreensAddCommands)
{
    std::vector<std::string> seen;
    driver_.addCommand("mark", "mark WORDS", [&](const ScriptDriver::Line& line) -> std::optional<std::string> {
        seen.push_back(line.rest);
        if (line.words.empty()) {
            return std::string("nothing to mark");
        }
        return std::nullopt;
    });
    EXPECT_TRUE(driver_.hasCommand("mark"));
    const auto outcome = run("mark  two words \r\nmark\n");
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.error, "tour.txt:2: mark: nothing to mark");
    EXPECT_EQ(seen, (std::vector<std::string> { "two words", "" }));
}

TEST_F(ScriptDriverTest, KeysEditThroughTheFirstResponderAndThePasteboard)
{
    auto& box = *scene_->textBox();
    const auto outcome = run("tap " + at(box)
                             + "\n"
                               "type abc\n"
                               "key ctrl+a\n"
                               "key ctrl+c\n"
                               "key Backspace\n"
                               "key ctrl+x\n" // nothing selected: ignored, as the keyboard ignores it
                               "key ctrl+v\n"
                               "key Return\n"
                               "key tab\n"
                               "key BACKSPACE\n");
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(box.text(), u"abc\n");
    EXPECT_EQ(UIPasteboard::generalPasteboard().string(), std::u16string(u"abc"));
}

TEST_F(ScriptDriverTest, DragsAndSwipesScrollAndPressShowsTheMenu)
{
    auto& scroll = *scene_->scrollView();
    const CGRect frame = scroll.convertRectToView(scroll.bounds(), nullptr);
    std::ostringstream script;
    script << "drag " << CGRectGetMidX(frame) << " " << CGRectGetMaxY(frame) - 10 << " " << CGRectGetMidX(frame) << " "
           << CGRectGetMinY(frame) + 10 << " 0.5\n"
           << "wait 1\n";
    ASSERT_TRUE(run(script.str()).ok);
    const CGFloat dragged = scroll.contentOffset().y;
    EXPECT_GT(dragged, 100);
    EXPECT_LE(dragged, scroll.maximumContentOffset().y);

    EXPECT_TRUE(run("swipe down " + at(scroll) + "\nwait 1\n").ok);
    EXPECT_LT(scroll.contentOffset().y, dragged);

    // The menu offers only what the box accepts: nothing while it is empty.
    const std::string box = at(*scene_->textBox());
    EXPECT_TRUE(run("press " + box + " 0.7\n").ok);
    EXPECT_TRUE(scene_->textBox()->isFirstResponder());
    EXPECT_FALSE(UIMenuController::sharedMenuController().isMenuVisible());
    EXPECT_TRUE(run("type abc\npress " + box + " 0.7\n").ok);
    EXPECT_TRUE(UIMenuController::sharedMenuController().isMenuVisible());
    // Turning the device hides it.
    EXPECT_TRUE(run("rotate landscape\n").ok);
    EXPECT_FALSE(UIMenuController::sharedMenuController().isMenuVisible());
}

TEST_F(ScriptDriverTest, RotationTurnsTheDisplayAndTapsFollowIt)
{
    const std::string png = scratch("landscape.png");
    auto& tapView = *scene_->tapView();
    ASSERT_TRUE(run("rotate landscape\nsnapshot " + png + "\n").ok);
    EXPECT_EQ(session_.orientation(), UIInterfaceOrientationLandscapeRight);
    EXPECT_EQ(UIDevice::currentDevice().orientation(), UIDeviceOrientationLandscapeLeft);
    const CGImageRef image = CGImage::createWithContentsOfFile(png);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 480u);
    EXPECT_EQ(image->height(), 320u);

    // A tap at the tap view's display point lands where it was aimed in the view.
    const auto outcome = run("tap " + at(tapView, CGPointMake(30, 20)) + "\nwait 0.1\n");
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(tapView.taps(), 1);
    EXPECT_NEAR(tapView.lastTap().x, 30, 1);
    EXPECT_NEAR(tapView.lastTap().y, 20, 1);
    // Display points beyond the portrait width are on screen in landscape.
    EXPECT_TRUE(run("tap 470 10\n").ok);

    ASSERT_TRUE(run("rotate portrait\n").ok);
    EXPECT_EQ(session_.orientation(), UIInterfaceOrientationPortrait);
}

TEST_F(ScriptDriverTest, LifeCycleCommandsMoveTheApplication)
{
    UIApplication& app = UIApplication::sharedApplication();
    ASSERT_EQ(app.applicationState(), UIApplicationStateActive);
    ASSERT_TRUE(run("background\n").ok);
    EXPECT_EQ(app.applicationState(), UIApplicationStateBackground);
    // Regaining focus does not bring a background application back by itself.
    session_.becomeActive();
    EXPECT_EQ(app.applicationState(), UIApplicationStateBackground);
    ASSERT_TRUE(run("foreground\n").ok);
    EXPECT_EQ(app.applicationState(), UIApplicationStateActive);
    session_.resignActive();
    EXPECT_EQ(app.applicationState(), UIApplicationStateInactive);
    session_.becomeActive();
    EXPECT_EQ(app.applicationState(), UIApplicationStateActive);
}

TEST_F(ScriptDriverTest, WaitMovesTheClockAndRunsTimers)
{
    const double start = clock_->now();
    int fired = 0;
    performAfterDelay([&] { ++fired; }, 2.0);
    ASSERT_TRUE(run("wait 1.5\n").ok);
    EXPECT_EQ(fired, 0);
    ASSERT_TRUE(run("wait 0.5\n").ok);
    EXPECT_EQ(fired, 1);
    EXPECT_NEAR(clock_->now() - start, 2.0, 1e-9);
}

// Under the hand-moved clock, what another thread posts to the main run loop still arrives
// while a script waits; and a label padded with line breaks is found by its words.
TEST_F(ScriptDriverTest, WaitsLetOtherThreadsAnswerAndTextsAreMatchedByTheirWords)
{
    auto label = std::make_shared<UILabel>(CGRectMake(10, 10, 200, 60));
    scene_->window()->addSubview(label);
    struct Case {
        const char* script;
        const char16_t* shown; // set from another thread after a little real time
    };
    const Case cases[] = {
        { "waitFor Connected 5\nassertVisible Connected\n", u"Connected" },
        { "wait 1\nassertVisible Demo site\n", u"Demo site\n " },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        label->setText(u"");
        std::thread answer([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            performOnMainThread([&] { label->setText(c.shown); }, false);
        });
        const auto outcome = run(c.script);
        answer.join();
        EXPECT_TRUE(outcome.ok) << outcome.error;
    }
}

TEST(HostOptionsTest, CommandLines)
{
    struct Case {
        std::vector<const char*> args;
        const char* error; // null: accepted
    };
    const Case cases[] = {
        { { "lexiphant" }, nullptr },
        { { "lexiphant", "--device", "iphone-tall", "--landscape", "--headless", "--script", "a.txt" }, nullptr },
        { { "lexiphant", "--device" }, "--device needs a name" },
        { { "lexiphant", "--device", "pager" }, "unknown device \"pager\"" },
        { { "lexiphant", "--script" }, "--script needs a file" },
        { { "lexiphant", "--fullscreen" }, "unknown option \"--fullscreen\"" },
    };
    for (const Case& c : cases) {
        const auto parsed = HostOptions::parse(int(c.args.size()), c.args.data());
        if (c.error == nullptr) {
            EXPECT_TRUE(std::holds_alternative<HostOptions>(parsed)) << c.args.size();
        } else {
            ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << c.error;
            EXPECT_EQ(std::get<std::string>(parsed).rfind(c.error, 0), 0u) << std::get<std::string>(parsed);
        }
    }
    const auto full = std::get<HostOptions>(HostOptions::parse(7, cases[1].args.data()));
    EXPECT_EQ(full.device, "iphone-tall");
    EXPECT_TRUE(full.landscape);
    EXPECT_TRUE(full.headless);
    EXPECT_EQ(full.scriptPath, "a.txt");
    EXPECT_EQ(std::get<HostOptions>(HostOptions::parse(1, cases[0].args.data())).device, "ipad");

    // Nothing could drive a run with neither window nor script: it would wait forever.
    const struct {
        std::vector<const char*> args;
        bool display;
        const char* problem; // null: none
    } windowless[] = {
        { { "lexiphant" }, true, nullptr },
        { { "lexiphant" }, false, "no display" },
        { { "lexiphant", "--headless" }, true, "--headless needs --script FILE" },
        { { "lexiphant", "--headless", "--test-scene" }, false, "--headless needs --script FILE" },
        { { "lexiphant", "--headless", "--script", "a.txt" }, false, nullptr },
        { { "lexiphant", "--headless", "--help" }, false, nullptr },
    };
    for (const auto& c : windowless) {
        const auto options = std::get<HostOptions>(HostOptions::parse(int(c.args.size()), c.args.data()));
        const auto problem = options.problemWithoutScript(c.display);
        EXPECT_EQ(problem.has_value(), c.problem != nullptr) << c.args.back() << " " << c.display;
        if (problem && c.problem) {
            EXPECT_EQ(problem->rfind(c.problem, 0), 0u) << *problem;
        }
    }
}

} // namespace
