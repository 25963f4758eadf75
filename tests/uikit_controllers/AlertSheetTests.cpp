#include "tests/uikit_controllers/ModalTestSupport.h"

#include <cmath>

#include "Host/HostSession.h"
#include "Classes/Others/SaveReport.h"
#include "Host/ScriptDriver.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIModalButton.h"
#include "Platform/UIKit/UIModalChrome.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UITextField.h"

namespace {

// Every message an alert or a sheet sent, in order ("clicked 1", "will 1", "did 1").
class Recorder : public UIAlertViewDelegate, public UIActionSheetDelegate {
public:
    std::vector<std::string> events;
    std::function<void()> onWillDismiss;
    void alertViewClickedButtonAtIndex(UIAlertView*, int i) override { events.push_back("clicked " + std::to_string(i)); }
    void alertViewWillDismissWithButtonIndex(UIAlertView*, int i) override
    {
        events.push_back("will " + std::to_string(i));
        if (onWillDismiss) {
            onWillDismiss();
        }
    }
    void alertViewDidDismissWithButtonIndex(UIAlertView*, int i) override { events.push_back("did " + std::to_string(i)); }
    void actionSheetClickedButtonAtIndex(UIActionSheet*, int i) override { events.push_back("clicked " + std::to_string(i)); }
    void actionSheetWillDismissWithButtonIndex(UIActionSheet*, int i) override { events.push_back("will " + std::to_string(i)); }
    void actionSheetDidDismissWithButtonIndex(UIActionSheet*, int i) override { events.push_back("did " + std::to_string(i)); }
};

using Events = std::vector<std::string>;

} // namespace

class Alerts : public ModalTest {
protected:
    void SetUp() override
    {
        ModalTest::SetUp();
        window = makeWindow();
        window->setBackgroundColor(UIColor::whiteColor());
        recorder = std::make_shared<Recorder>();
    }
    std::shared_ptr<UIAlertView> makeAlert(std::string cancel, std::vector<std::string> others)
    {
        return std::make_shared<UIAlertView>("Error", "You entered an invalid password!", recorder, std::move(cancel),
                                             std::move(others));
    }
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<Recorder> recorder;
};

TEST_F(Alerts, ButtonsAreIndexedCancelFirst)
{
    struct Case {
        const char* cancel;
        std::vector<std::string> others;
        int cancelIndex;
        int firstOther;
        std::vector<std::string> titles;
    };
    const Case cases[] = {
        { "Cancel", { "OK" }, 0, 1, { "Cancel", "OK" } },
        { "OK", {}, 0, -1, { "OK" } },
        { "", { "A", "B" }, -1, 0, { "A", "B" } },
        { "Cancel", { "A", "B" }, 0, 1, { "Cancel", "A", "B" } },
    };
    for (const Case& c : cases) {
        const auto alert = makeAlert(c.cancel, c.others);
        EXPECT_EQ(alert->cancelButtonIndex(), c.cancelIndex) << c.cancel;
        EXPECT_EQ(alert->firstOtherButtonIndex(), c.firstOther) << c.cancel;
        ASSERT_EQ(alert->numberOfButtons(), int(c.titles.size()));
        for (int i = 0; i < alert->numberOfButtons(); ++i) {
            EXPECT_EQ(alert->buttonTitleAtIndex(i), c.titles[std::size_t(i)]);
        }
        EXPECT_EQ(alert->buttonTitleAtIndex(9), "");
    }
}

TEST_F(Alerts, ATapClicksThenWillDismissThenDidDismissOnTheNextTurn)
{
    for (int index : { 0, 1 }) {
        recorder->events.clear();
        auto alert = makeAlert("Cancel", { "OK" });
        alert->setTag(7);
        alert->show();
        EXPECT_TRUE(alert->isVisible());
        EXPECT_EQ(UIAlertView::visibleAlert(), alert);
        const CGRect button = alert->screenRectForButtonAtIndex(index);
        ASSERT_FALSE(CGRectIsNull(button));
        tapRect(button);
        EXPECT_FALSE(alert->isVisible());
        turn();
        EXPECT_EQ(recorder->events, (Events { "clicked " + std::to_string(index), "will " + std::to_string(index),
                                              "did " + std::to_string(index) }));
        EXPECT_EQ(UIAlertView::visibleAlert(), nullptr);
        EXPECT_EQ(alert->tag(), 7);
    }
}

TEST_F(Alerts, DidDismissWaitsForTheNextTurn)
{
    auto alert = makeAlert("OK", {});
    alert->show();
    alert->dismissWithClickedButtonIndex(0, true);
    EXPECT_EQ(recorder->events, (Events { "will 0" })) << "code dismisses without clicked";
    turn();
    EXPECT_EQ(recorder->events, (Events { "will 0", "did 0" }));
    // A closed alert hears nothing more.
    alert->dismissWithClickedButtonIndex(0, true);
    turn();
    EXPECT_EQ(recorder->events.size(), 2u);
}

TEST_F(Alerts, OneAlertAtATimeTheNextWaits)
{
    auto first = makeAlert("OK", {});
    auto second = makeAlert("Cancel", { "OK" });
    first->show();
    second->show();
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(second->isVisible());
    EXPECT_EQ(UIAlertView::queuedAlertCount(), 1u);
    // One shown in the will-dismiss of the first waits behind the second.
    auto third = makeAlert("OK", {});
    recorder->onWillDismiss = [&] {
        third->show();
        recorder->onWillDismiss = nullptr;
    };
    tapRect(first->screenRectForButtonAtIndex(0));
    EXPECT_FALSE(second->isVisible()) << "not before the first's did dismiss";
    turn();
    EXPECT_TRUE(second->isVisible());
    EXPECT_FALSE(third->isVisible());
    second->dismissWithClickedButtonIndex(1, false);
    turn();
    EXPECT_TRUE(third->isVisible());
    EXPECT_EQ(UIAlertView::queuedAlertCount(), 0u);
}

TEST_F(Alerts, AShownAlertKeepsItselfAliveAndAGoneDelegateIsNotCalled)
{
    std::weak_ptr<UIAlertView> weak;
    {
        auto alert = makeAlert("Cancel", { "OK" });
        weak = alert;
        alert->show();
    }
    ASSERT_FALSE(weak.expired());
    recorder.reset();
    tapRect(weak.lock()->screenRectForButtonAtIndex(1));
    turn();
    turn();
    EXPECT_TRUE(weak.expired()) << "released once dismissed";
}

TEST_F(Alerts, AddedViewsStayInTheAlertsCoordinates)
{
    auto alert = makeAlert("Cancel", { "OK" });
    alert->setMessage("\n");
    auto field = std::make_shared<UIView>(CGRectMake(12, 45, 260, 25));
    alert->addSubview(field);
    alert->show();
    const CGRect onScreen = field->convertRectToView(field->bounds(), nullptr);
    EXPECT_EQ(onScreen, CGRectMake(12, 45, 260, 25)) << "the alert is the field's window";
    const CGRect box = alert->frame();
    const CGRect okButton = alert->screenRectForButtonAtIndex(1);
    EXPECT_GT(CGRectGetMinY(okButton), CGRectGetMinY(box) + 45 + 25) << "the buttons lie below the field";
    EXPECT_NEAR(CGRectGetMidX(box), 384, 1) << "centred";
}

TEST_F(Alerts, SnapshotsOnPadAndPhone)
{
    for (const char* device : { "ipad", "iphone" }) {
        SCOPED_TRACE(device);
        useDevice(device);
        window->setFrame(UIScreen::mainScreen().bounds());
        auto alert = std::make_shared<UIAlertView>("Error", "Could not connect to server (6)!\nInvalid or unreachable host!",
                                                   recorder, "Cancel", std::vector<std::string> { "OK" });
        alert->show();
        ASSERT_TRUE(UIRenderer::writeScreenPNG(snapshotPath(std::string("alert-") + device)));
        const CGImageRef shot = UIRenderer::snapshotScreen();
        const CGRect box = alert->frame();
        const Pixel inside = pixelAt(shot, { CGRectGetMinX(box) + 7, CGRectGetMidY(box) });
        const Pixel corner = pixelAt(shot, { 2, UIScreen::mainScreen().bounds().size.height - 2 });
        EXPECT_GT(inside.b, inside.r + 40) << "blue-grey box";
        EXPECT_LT(corner.r, 140) << "the white screen is dimmed";
        alert->dismissWithClickedButtonIndex(0, false);
        turn();
    }
}

// The longest messages the app shows (a save's report naming every left-over, a path that has
// no break in it) on the smallest screens: the message's shown part and every button lie inside
// the screen, apart; a message taller than the room scrolls to its last line under a drag while
// the buttons stay; no line is wider than the box, so nothing of a long name is cut.
TEST_F(Alerts, LongMessagesScrollInsideTheScreenWithTheirButtonsInView)
{
    const std::string longName = "Jahresbericht_des_Vorstands_Endfassung_nach_der_Sitzung_vom_Mai.html";
    SaveReport report;
    report.name = report.shownName = longName;
    report.switchedToUTF8 = true;
    report.readEncoding = NSISOLatin1StringEncoding;
    report.modeWanted = 0600;
    report.modeNow = 0644;
    report.places = { { longName, SaveReport::Holds::newText },
                      { longName + "_##_", SaveReport::Holds::earlierText },
                      { longName + "_##_2", SaveReport::Holds::earlierText } };
    const SaveResultText saved = saveResultText(report);
    const std::string store = "Your stored connections could not be read (file is not a database), so none are listed "
                              "and new ones cannot be stored. The file was kept as it was:\n/var/mobile/Applications/"
                              "3F2504E0-4F89-11D3-9A0C-0305E82C3301/Library/Application_Support/Lexiphant/connections.sqlite";
    struct Case {
        const char* shot;
        const char* device;
        bool landscape;
        bool keyboard;
        std::string title;
        std::string message;
        std::vector<std::string> others;
        bool scrolls;
    };
    const Case cases[] = {
        { "alert-save-iphone-landscape-keyboard", "iphone", true, true, saved.title, saved.message, {}, true },
        { "alert-save-iphone", "iphone", false, false, saved.title, saved.message, {}, true },
        { "alert-save-ipad-landscape-keyboard", "ipad", true, true, saved.title, saved.message, {}, false },
        { "alert-store-iphone-landscape-keyboard", "iphone", true, true, "Error", store, { "Retry", "Quit" }, true },
        { "alert-store-iphone", "iphone", false, true, "Error", store, { "Retry" }, false },
        { "alert-short-iphone-landscape-keyboard", "iphone", true, true, "Error", "You entered an invalid password!", {}, false },
    };
    UIApplication& app = UIApplication::sharedApplication();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shot);
        useDevice(c.device);
        window->setFrame(UIScreen::mainScreen().bounds());
        app.setStatusBarOrientation(c.landscape ? UIInterfaceOrientationLandscapeRight : UIInterfaceOrientationPortrait);
        auto field = std::make_shared<UITextField>(CGRectMake(0, 0, 100, 30));
        window->addSubview(field);
        if (c.keyboard) {
            ASSERT_TRUE(field->becomeFirstResponder());
        }
        auto alert = std::make_shared<UIAlertView>(c.title, c.message, recorder, "OK", c.others);
        alert->show();
        turn();
        ASSERT_TRUE(UIRenderer::writeScreenPNG(snapshotPath(c.shot)));

        const CGRect screen = UIScreen::mainScreen().bounds();
        const CGRect message = alert->screenRectForMessage();
        EXPECT_TRUE(CGRectContainsRect(screen, message));
        std::vector<CGRect> buttons;
        for (int i = 0; i < alert->numberOfButtons(); ++i) {
            buttons.push_back(alert->screenRectForButtonAtIndex(i));
            EXPECT_TRUE(CGRectContainsRect(screen, buttons.back())) << "button " << i;
            EXPECT_TRUE(CGRectIsEmpty(CGRectIntersection(message, buttons.back()))) << "button " << i;
        }
        std::shared_ptr<UIScrollView> scroller;
        for (const auto& view : alert->subviews()) {
            if (auto found = std::dynamic_pointer_cast<UIScrollView>(view)) {
                scroller = found;
            }
        }
        ASSERT_TRUE(scroller);
        EXPECT_EQ(scroller->maximumContentOffset().y > 0, c.scrolls);
        if (c.scrolls) {
            const CGRect shown = UIModalChrome::interfaceRectOfView(*scroller, scroller->bounds());
            EXPECT_GE(shown.size.height, 2 * std::ceil(UIFont::systemFontOfSize(16)->lineHeight())) << "a few lines show";
            for (int i = 0; i < 8; ++i) {
                drag(UIModalChrome::screenPointFromInterface({ CGRectGetMidX(shown), CGRectGetMaxY(shown) - 4 }),
                     UIModalChrome::screenPointFromInterface({ CGRectGetMidX(shown), CGRectGetMinY(shown) + 4 }), 0.3);
                advance(1);
            }
            EXPECT_EQ(scroller->contentOffset().y, scroller->maximumContentOffset().y) << "dragged to the last line";
            for (int i = 0; i < alert->numberOfButtons(); ++i) {
                EXPECT_EQ(alert->screenRectForButtonAtIndex(i), buttons[std::size_t(i)]) << "the buttons stay";
            }
            ASSERT_TRUE(UIRenderer::writeScreenPNG(snapshotPath(std::string(c.shot) + "-scrolled")));
        }
        // Every line fits the box's text width, and the lines together lose no character.
        const UIFontRef font = UIFont::systemFontOfSize(16);
        const auto block = UIModalChrome::wrapText(c.message, font, UIAlertView::kWidth - 24);
        std::u16string joined;
        for (const auto& line : block.lines) {
            EXPECT_LE(sizeWithFont(line, font).width, UIAlertView::kWidth - 24);
            joined += line;
        }
        std::u16string expected = utf8ToUtf16(c.message);
        std::erase_if(expected, [](char16_t ch) { return ch == u' ' || ch == u'\n'; });
        std::erase_if(joined, [](char16_t ch) { return ch == u' '; });
        EXPECT_EQ(joined, expected);

        alert->dismissWithClickedButtonIndex(0, false);
        turn();
        field->resignFirstResponder();
        field->removeFromSuperview();
    }
    app.setStatusBarOrientation(UIInterfaceOrientationPortrait);
}

class Sheets : public Alerts {
protected:
    std::shared_ptr<UIActionSheet> makeSheet(std::string title, std::string cancel, std::string destructive,
                                             std::vector<std::string> others)
    {
        return std::make_shared<UIActionSheet>(std::move(title), recorder, std::move(cancel), std::move(destructive),
                                               std::move(others));
    }
};

TEST_F(Sheets, ButtonsAreIndexedDestructiveOthersCancel)
{
    struct Case {
        const char* cancel;
        const char* destructive;
        std::vector<std::string> others;
        int cancelIndex;
        int destructiveIndex;
        std::vector<std::string> titles;
    };
    const Case cases[] = {
        { "Cancel", "Delete", { "Rename" }, 2, 0, { "Delete", "Rename", "Cancel" } },
        { "", "Yes.", { "No!" }, -1, 0, { "Yes.", "No!" } },
        { "Cancel", "", { "Go To Line", "Email File" }, 2, -1, { "Go To Line", "Email File", "Cancel" } },
    };
    for (const Case& c : cases) {
        const auto sheet = makeSheet("Do you really want to delete 'a.txt'?", c.cancel, c.destructive, c.others);
        EXPECT_EQ(sheet->cancelButtonIndex(), c.cancelIndex);
        EXPECT_EQ(sheet->destructiveButtonIndex(), c.destructiveIndex);
        ASSERT_EQ(sheet->numberOfButtons(), int(c.titles.size()));
        for (int i = 0; i < sheet->numberOfButtons(); ++i) {
            EXPECT_EQ(sheet->buttonTitleAtIndex(i), c.titles[std::size_t(i)]);
        }
        EXPECT_EQ(sheet->title(), "Do you really want to delete 'a.txt'?");
    }
}

TEST_F(Sheets, EveryButtonGivesItsIndexInOrder)
{
    for (const char* device : { "iphone", "ipad" }) {
        useDevice(device);
        window->setFrame(UIScreen::mainScreen().bounds());
        const bool pad = std::string(device) == "ipad";
        for (int index = 0; index < 3; ++index) {
            SCOPED_TRACE(std::string(device) + " button " + std::to_string(index));
            recorder->events.clear();
            auto sheet = makeSheet("", "Cancel", "Delete", { "Rename" });
            sheet->showInView(window.get());
            advance(UIActionSheet::kSlideDuration + 0.1);
            ASSERT_TRUE(sheet->isVisible());
            const auto point = sheet->screenPointForButtonAtIndex(index);
            ASSERT_TRUE(point.has_value());
            tap(*point);
            turn();
            EXPECT_EQ(recorder->events, (Events { "clicked " + std::to_string(index), "will " + std::to_string(index),
                                                  "did " + std::to_string(index) }));
            EXPECT_FALSE(sheet->isVisible());
            EXPECT_TRUE(UIActionSheet::visibleSheets().empty());
            if (pad && index == 2) {
                EXPECT_FALSE(CGRectContainsPoint(sheet->frame(), *point)) << "the pad shows no cancel button";
            }
        }
    }
}

TEST_F(Sheets, OnThePadATouchOutsideCancels)
{
    useDevice("ipad");
    auto withCancel = makeSheet("", "Cancel", "Delete", { "Rename" });
    withCancel->showInView(window.get());
    tap(CGPointMake(20, 1000));
    turn();
    EXPECT_EQ(recorder->events, (Events { "clicked 2", "will 2", "did 2" }));

    recorder->events.clear();
    auto withoutCancel = makeSheet("Do you really want to delete this connection?", "", "Yes.", { "No!" });
    withoutCancel->showInView(window.get());
    EXPECT_FALSE(withoutCancel->screenPointForButtonAtIndex(-1).has_value());
    tap(CGPointMake(20, 1000));
    turn();
    EXPECT_EQ(recorder->events, (Events { "will -1", "did -1" }));

    // On the phone the veil only holds still.
    useDevice("iphone");
    recorder->events.clear();
    auto phone = makeSheet("", "Cancel", "", { "Rename" });
    phone->showInView(window.get());
    advance(0.5);
    tap(CGPointMake(160, 40));
    turn();
    EXPECT_TRUE(phone->isVisible());
    EXPECT_TRUE(recorder->events.empty());
}

TEST_F(Sheets, SnapshotsOnPadAndPhone)
{
    for (const char* device : { "iphone", "ipad" }) {
        SCOPED_TRACE(device);
        useDevice(device);
        window->setFrame(UIScreen::mainScreen().bounds());
        auto sheet = makeSheet("Do you really want to delete 'index.html'?", "Cancel", "Delete", { "Rename" });
        sheet->showInView(window.get());
        advance(UIActionSheet::kSlideDuration + 0.1);
        ASSERT_TRUE(UIRenderer::writeScreenPNG(snapshotPath(std::string("sheet-") + device)));
        const CGImageRef shot = UIRenderer::snapshotScreen();
        const auto destructive = sheet->screenPointForButtonAtIndex(0);
        ASSERT_TRUE(destructive.has_value());
        const Pixel red = pixelAt(shot, { destructive->x - 80, destructive->y + 8 });
        EXPECT_GT(red.r, red.g + 80) << "the destructive button is red";
        const Pixel other = pixelAt(shot, { destructive->x - 80, sheet->screenPointForButtonAtIndex(1)->y + 8 });
        EXPECT_GT(other.g, 180) << "the other buttons are light";
        sheet->dismissWithClickedButtonIndex(2, false);
        turn();
    }
}

TEST_F(Sheets, TheScriptDriverAnswersByIndexOrTitle)
{
    HostSession session;
    ScriptDriver driver(session);
    struct Case {
        const char* device;
        const char* script;
        Events events;
    };
    const Case cases[] = {
        { "ipad", "answerAlert OK", { "clicked 1", "will 1", "did 1" } },
        { "iphone", "answerAlert 0", { "clicked 0", "will 0", "did 0" } },
        { "iphone", "answerSheet Go To Line", { "clicked 0", "will 0", "did 0" } },
        { "iphone", "answerSheet Cancel", { "clicked 2", "will 2", "did 2" } },
        { "ipad", "answerSheet Cancel", { "clicked 2", "will 2", "did 2" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        useDevice(c.device);
        window->setFrame(UIScreen::mainScreen().bounds());
        recorder->events.clear();
        auto alert = makeAlert("Cancel", { "OK" });
        auto sheet = makeSheet("", "Cancel", "", { "Go To Line", "Email File" });
        if (std::string(c.script).starts_with("answerAlert")) {
            alert->show();
        } else {
            sheet->showInView(window.get());
            advance(0.5);
        }
        const auto outcome = driver.runText(c.script, "answers");
        EXPECT_TRUE(outcome.ok) << outcome.error;
        EXPECT_EQ(recorder->events, c.events);
    }
    auto alert = makeAlert("Cancel", { "OK" });
    alert->show();
    const auto unknown = driver.runText("answerAlert Maybe", "answers");
    EXPECT_FALSE(unknown.ok);
    EXPECT_NE(unknown.error.find(R"(no button "Maybe" on the alert (buttons: "Cancel", "OK"))"), std::string::npos) << unknown.error;
    const auto noSheet = driver.runText("answerSheet 0", "answers");
    EXPECT_NE(noSheet.error.find("no action sheet on screen"), std::string::npos) << noSheet.error;
}
