#include "tests/uikit/UIKitTestSupport.h"

#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSURL.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UITapGestureRecognizer.h"

namespace {

class RecordingAppDelegate : public UIApplicationDelegate {
public:
    explicit RecordingAppDelegate(std::vector<std::string>& log) : log_(log) { }
    bool applicationDidFinishLaunchingWithOptions(UIApplication&, const UILaunchOptions&) override
    {
        log_.push_back("didFinishLaunching");
        return true;
    }
    void applicationDidBecomeActive(UIApplication&) override { log_.push_back("didBecomeActive"); }
    void applicationWillResignActive(UIApplication&) override { log_.push_back("willResignActive"); }
    void applicationDidEnterBackground(UIApplication&) override { log_.push_back("didEnterBackground"); }
    void applicationWillEnterForeground(UIApplication&) override { log_.push_back("willEnterForeground"); }
    void applicationWillTerminate(UIApplication&) override { log_.push_back("willTerminate"); }

private:
    std::vector<std::string>& log_;
};

} // namespace

class Application : public UIKitTest { };

TEST_F(Application, LifeCycleCallsComeOnceEachInOrder)
{
    std::vector<std::string> log;
    auto& app = UIApplication::sharedApplication();
    app.setDelegate(std::make_shared<RecordingAppDelegate>(log));
    int foregroundNotices = 0;
    NSNotificationCenter::defaultCenter().addObserver(this, UIApplicationWillEnterForegroundNotification, nullptr,
                                                      [&](const NSNotification&) { ++foregroundNotices; });
    EXPECT_TRUE(app.launch());
    app.launch();
    app.resignActive();
    app.becomeActive();
    app.enterBackground();
    app.enterBackground();
    app.enterForeground();
    app.enterForeground();
    app.terminate();
    app.terminate();
    app.enterBackground();
    NSNotificationCenter::defaultCenter().removeObserver(this);
    EXPECT_EQ(log, (std::vector<std::string> { "didFinishLaunching", "didBecomeActive", "willResignActive", "didBecomeActive",
                                               "willResignActive", "didEnterBackground", "willEnterForeground",
                                               "didBecomeActive", "willTerminate" }));
    EXPECT_EQ(foregroundNotices, 1);
}

TEST_F(Application, OpenURLHandsOnlyWebAddressesToTheOpener)
{
    auto& app = UIApplication::sharedApplication();
    std::vector<std::string> opened;
    app.setURLOpener([&](const std::string& url) {
        opened.push_back(url);
        return true;
    });
    std::vector<std::string> lines;
    const auto previous = NSLogSetSink([&](const std::string& line) { lines.push_back(line); });
    EXPECT_TRUE(app.openURL(*NSURL::URLWithString("https://example.com/a?b=%22c%22")));
    EXPECT_TRUE(app.openURL(*NSURL::URLWithString("HTTP://example.com")));
    EXPECT_FALSE(app.openURL(*NSURL::URLWithString("itms-apps://store/app")));
    NSLogSetSink(previous);
    EXPECT_EQ(opened, (std::vector<std::string> { "https://example.com/a?b=%22c%22", "HTTP://example.com" }));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("itms-apps://store/app"), std::string::npos);
}

TEST_F(Application, WindowsStackByLevelAndOverlaysLetTouchesThrough)
{
    auto& app = UIApplication::sharedApplication();
    auto main = makeWindow();
    auto overlay = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
    overlay->setWindowLevel(UIWindowLevelStatusBar);
    overlay->setHidden(false);
    auto later = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
    later->setHidden(false);
    EXPECT_EQ(app.windowsFrontToBack(), (std::vector<UIWindowRef> { overlay, later, main }));
    EXPECT_EQ(app.keyWindow(), main);
    EXPECT_TRUE(main->isKeyWindow());
    later->setHidden(true);

    StateLog mainTaps;
    StateLog overlayTaps;
    main->addGestureRecognizer(std::make_shared<UITapGestureRecognizer>(mainTaps.action()));
    overlay->addGestureRecognizer(std::make_shared<UITapGestureRecognizer>(overlayTaps.action()));
    tap({ 100, 100 });
    EXPECT_EQ(overlayTaps.states.size(), 1u) << "the front window takes the touch";
    advance(1);
    overlay->setUserInteractionEnabled(false);
    tap({ 100, 100 });
    EXPECT_EQ(overlayTaps.states.size(), 1u);
    EXPECT_EQ(mainTaps.states.size(), 1u) << "a display-only window lets it through";

    // Hidden windows stay listed (the loupe window is found again), until removed.
    overlay->setHidden(true);
    EXPECT_EQ(app.windows().size(), 3u);
    app.removeWindow(overlay.get());
    EXPECT_EQ(app.windows().size(), 2u);
}

TEST_F(Application, DeviceProfilesSetTheScreenAndIdiom)
{
    struct Case {
        const char* name;
        CGSize size;
        CGFloat scale;
        UIUserInterfaceIdiom idiom;
    };
    const Case cases[] = {
        { "iphone", { 320, 480 }, 1, UIUserInterfaceIdiomPhone },
        { "iphone-retina", { 320, 480 }, 2, UIUserInterfaceIdiomPhone },
        { "iphone-tall", { 320, 568 }, 2, UIUserInterfaceIdiomPhone },
        { "ipad", { 768, 1024 }, 1, UIUserInterfaceIdiomPad },
        { "ipad-retina", { 768, 1024 }, 2, UIUserInterfaceIdiomPad },
    };
    for (const Case& c : cases) {
        const UIDeviceProfile* profile = UIDevice::profileNamed(c.name);
        ASSERT_NE(profile, nullptr) << c.name;
        UIDevice::currentDevice().setProfile(*profile);
        EXPECT_EQ(UIScreen::mainScreen().bounds().size, c.size) << c.name;
        EXPECT_EQ(UIScreen::mainScreen().scale(), c.scale) << c.name;
        EXPECT_EQ(UIImage::screenScale(), c.scale) << c.name;
        EXPECT_EQ(UI_USER_INTERFACE_IDIOM(), c.idiom) << c.name;
    }
    EXPECT_EQ(UIDevice::profileNamed("android"), nullptr);
    UIDevice::currentDevice().setProfile(*UIDevice::profileNamed("iphone"));
    EXPECT_EQ(UIScreen::mainScreen().applicationFrame(), CGRectMake(0, 20, 320, 460));
}

TEST_F(Application, StatusBarOrientationChangesAreAnnounced)
{
    auto& app = UIApplication::sharedApplication();
    std::vector<std::pair<std::string, int>> heard;
    for (const char* name : { UIApplicationWillChangeStatusBarOrientationNotification, UIApplicationDidChangeStatusBarOrientationNotification }) {
        NSNotificationCenter::defaultCenter().addObserver(this, name, nullptr, [&](const NSNotification& n) {
            heard.emplace_back(n.name, *n.userInfoValue<int>(UIApplicationStatusBarOrientationUserInfoKey));
        });
    }
    app.setStatusBarOrientation(UIInterfaceOrientationLandscapeLeft);
    app.setStatusBarOrientation(UIInterfaceOrientationLandscapeLeft);
    app.setStatusBarOrientation(UIInterfaceOrientation(9));
    NSNotificationCenter::defaultCenter().removeObserver(this);
    EXPECT_EQ(app.statusBarOrientation(), UIInterfaceOrientationLandscapeLeft);
    EXPECT_EQ(heard, (std::vector<std::pair<std::string, int>> { { UIApplicationWillChangeStatusBarOrientationNotification, 4 },
                                                                 { UIApplicationDidChangeStatusBarOrientationNotification, 1 } }));
    EXPECT_EQ(app.statusBarFrame(), CGRectMake(0, 0, 20, 1024));
}

TEST(NotificationCenter, DeliversByNameAndSenderAndSurvivesRemovalDuringDelivery)
{
    NSNotificationCenter center;
    int sender = 0;
    int stranger = 0;
    std::vector<std::string> heard;
    int a = 0, b = 0, c = 0;
    center.addObserver(&a, "ping", nullptr, [&](const NSNotification&) { heard.push_back("a any sender"); });
    center.addObserver(&b, "ping", &sender, [&](const NSNotification&) {
        heard.push_back("b from sender");
        center.removeObserver(&c);
    });
    center.addObserver(&c, "", nullptr, [&](const NSNotification& n) { heard.push_back("c " + n.name); });
    center.postNotificationName("ping", &sender);
    EXPECT_EQ(heard, (std::vector<std::string> { "a any sender", "b from sender" })) << "c was removed before its turn";
    heard.clear();
    center.postNotificationName("ping", &stranger);
    EXPECT_EQ(heard, (std::vector<std::string> { "a any sender" }));
    center.removeObserver(&a, "pong");
    EXPECT_EQ(center.observerCount(), 2u);
    center.removeObserver(&a, "ping");
    EXPECT_EQ(center.observerCount(), 1u);
}

class Pasteboard : public UIKitTest { };

TEST_F(Pasteboard, TextGoesThroughTheBackendAsWellFormedUtf8)
{
    auto& pasteboard = UIPasteboard::generalPasteboard();
    EXPECT_FALSE(pasteboard.string().has_value());
    EXPECT_FALSE(pasteboard.containsPasteboardTypes({ kUTTypeUTF8PlainText }));
    pasteboard.setString(u"caf\u00e9 \U0001F600");
    EXPECT_TRUE(pasteboard.containsPasteboardTypes({ "public.png", kUTTypeUTF8PlainText }));
    EXPECT_EQ(pasteboard.valueForPasteboardType(kUTTypeUTF8PlainText), std::optional<std::string>("caf\xc3\xa9 \xf0\x9f\x98\x80"));

    // A desktop clipboard holding bytes that are not UTF-8.
    struct Desktop : UIPasteboardBackend {
        std::optional<std::string> text { std::string("ok\xff\xfe!") };
        std::optional<std::string> readText() override { return text; }
        void writeText(const std::string& utf8) override { text = utf8; }
    };
    auto desktop = std::make_shared<Desktop>();
    pasteboard.setBackend(desktop);
    EXPECT_EQ(pasteboard.string(), std::optional<std::u16string>(u"ok\uFFFD\uFFFD!"));
    pasteboard.setValueForPasteboardType("bad\xc0", kUTTypeUTF8PlainText);
    EXPECT_EQ(desktop->text, std::optional<std::string>("bad\xef\xbf\xbd"));
    const long count = pasteboard.changeCount();
    pasteboard.setValueForPasteboardType("\x89PNG", "public.png");
    EXPECT_EQ(pasteboard.changeCount(), count + 1);
    EXPECT_EQ(pasteboard.valueForPasteboardType("public.png"), std::optional<std::string>("\x89PNG"));
    EXPECT_EQ(pasteboard.pasteboardTypes(), (std::vector<std::string> { kUTTypeUTF8PlainText, "public.png" }));
}
