#include <gtest/gtest.h>

#include "Classes/Controller/KeyboardAvoidance.h"
#include "Classes/Controller/PassController.h"
#include "Classes/Controller/SetPassController.h"
#include "Classes/Controller/UIColorHexColor.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UITextField.h"
#include "tests/screens_launch/LaunchTestSupport.h"
#include "tests/support/SnapshotFolder.h"

namespace {

class PasswordScreenTest : public LaunchTest {
protected:
    // Launches on the device with the stored password (null: none) and answers the first screen.
    template <typename Screen>
    std::shared_ptr<Screen> launchOn(const char* device, const char* storedPassword)
    {
        UIDevice::currentDevice().setProfile(*UIDevice::profileNamed(device));
        if (storedPassword)
            defaults().setString(storedPassword, "masterPassword");
        launch();
        auto screen = std::dynamic_pointer_cast<Screen>(topScreen());
        EXPECT_TRUE(screen) << "first screen on " << device;
        return screen;
    }
    // The text a user types into a field: a tap on it, then the keys.
    void typeInto(UITextField* field, const std::u16string& text)
    {
        tapView(*field);
        field->setText(u"");
        field->insertText(text);
    }
    [[nodiscard]] std::string alertMessage() const
    {
        auto alert = UIAlertView::visibleAlert();
        return alert ? alert->title() + ": " + alert->message() + " [" + alert->buttonTitleAtIndex(0) + "]" : "";
    }
    void snapshot(const std::string& name)
    {
        settle();
        EXPECT_TRUE(UIRenderer::writeScreenPNG(snapshotFile("screens_launch", name))) << name;
    }
};

TEST_F(PasswordScreenTest, OnlyTheStoredPasswordOpensTheStartScreen)
{
    const struct {
        const char16_t* typed;
        bool opens;
    } cases[] = {
        { u"Secret 1", true }, { u"secret 1", false }, { u"Secret1", false }, { u"Secret 1 ", false }, { u"", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf16ToUtf8(c.typed));
        UIAlertView::resetForTesting();
        defaults().removeObjectForKey("masterPassword");
        auto screen = launchOn<PassController>("ipad", "Secret 1");
        ASSERT_TRUE(screen);
        typeInto(screen->txtPass(), c.typed);
        tapView(*screen->btnGo());
        settle();
        if (c.opens) {
            EXPECT_TRUE(dynamic_cast<StubStartScreen*>(topScreen().get()));
            EXPECT_EQ(delegate_->navController()->viewControllers().size(), 2u) << "the password screen stays below";
            EXPECT_EQ(alertMessage(), "");
        } else {
            EXPECT_EQ(topScreen(), screen);
            EXPECT_EQ(alertMessage(), "Error: You entered an invalid password! [OK]");
        }
        closeApplication();
        UIApplication::sharedApplication().resetForTesting();
    }
}

TEST_F(PasswordScreenTest, SettingNeedsTheSamePasswordTwiceAndDecliningStoresEmpty)
{
    const struct {
        const char16_t* first;
        const char16_t* second;
        const char* alert; // null: stored
    } cases[] = {
        { u"abc", u"", "Error: Please enter your password twice! [OK]" },
        { u"", u"abc", "Error: Please enter your password twice! [OK]" },
        { u"", u"", "Error: Please enter your password twice! [OK]" },
        { u"abc", u"abd", "Error: The passwords you entered do not match! [OK]" },
        { u"pass Word", u"pass Word", nullptr },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf16ToUtf8(c.first) + "/" + utf16ToUtf8(c.second));
        UIAlertView::resetForTesting();
        defaults().removeObjectForKey("masterPassword");
        auto screen = launchOn<SetPassController>("iphone", nullptr);
        ASSERT_TRUE(screen);
        typeInto(screen->txtPass1(), c.first);
        typeInto(screen->txtPass2(), c.second);
        tapView(*screen->btnGo());
        settle();
        if (c.alert) {
            EXPECT_EQ(alertMessage(), c.alert);
            EXPECT_EQ(topScreen(), screen);
            EXPECT_FALSE(defaults().stringForKey("masterPassword").has_value());
        } else {
            EXPECT_EQ(alertMessage(), "");
            EXPECT_TRUE(dynamic_cast<StubStartScreen*>(topScreen().get()));
            NSUserDefaults::resetStandardUserDefaults();
            EXPECT_EQ(defaults().stringForKey("masterPassword"), "pass Word");
            EXPECT_TRUE(std::dynamic_pointer_cast<PassController>(relaunch()->navController()->topViewController()))
                << "asked for at the next launch";
        }
        closeApplication();
        UIApplication::sharedApplication().resetForTesting();
    }

    defaults().removeObjectForKey("masterPassword");
    auto screen = launchOn<SetPassController>("ipad", nullptr);
    ASSERT_TRUE(screen);
    tapView(*screen->btnNo());
    settle();
    EXPECT_TRUE(dynamic_cast<StubStartScreen*>(topScreen().get()));
    NSUserDefaults::resetStandardUserDefaults();
    EXPECT_EQ(defaults().stringForKey("masterPassword"), "") << "declined is empty, not absent";
    EXPECT_TRUE(dynamic_cast<StubStartScreen*>(relaunch()->navController()->topViewController().get()));
}

TEST(KeyboardShift, FractionOfTheKeyboardByTheFieldsPlaceInTheView)
{
    const CGRect view = CGRectMake(0, 20, 320, 460);
    const struct {
        CGFloat fieldMidY;
        CGFloat height;
        CGFloat shift;
    } cases[] = {
        { 20, 264, 0 },                  // the top edge
        { 20 + 0.2 * 460, 264, 0 },      // the upper fifth's end
        { 251, 216, 108 },               // just below the middle: (139 / 276) x 216
        { 420, 264, 264 },               // in the lowest fifth: all
        { 480, 162, 162 },               // the bottom edge
        { 182, 216, 54 },                // about a quarter: (70 / 276) x 216
        { 20 + 0.3 * 460, 353, 58 },     // floor(353 / 6)
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeyboardAvoidance::shiftDistance(CGRectMake(35, c.fieldMidY - 18, 250, 36), view, c.height), c.shift)
            << c.fieldMidY;
    EXPECT_EQ(KeyboardAvoidance::keyboardHeightsForIdiom(UIUserInterfaceIdiomPad).portrait, 264);
    EXPECT_EQ(KeyboardAvoidance::keyboardHeightsForIdiom(UIUserInterfaceIdiomPad).landscape, 353);
    EXPECT_EQ(KeyboardAvoidance::keyboardHeightsForIdiom(UIUserInterfaceIdiomPhone).portrait, 216);
    EXPECT_EQ(KeyboardAvoidance::keyboardHeightsForIdiom(UIUserInterfaceIdiomPhone).landscape, 162);
}

// The view moves up while a field edits and back down after; on the set screen both fields
// move it as the first one does.
TEST_F(PasswordScreenTest, ViewMovesUpForTheKeyboardAndBack)
{
    const struct {
        const char* device;
        bool setScreen;
        CGFloat shift;
    } cases[] = {
        // pad: view (0, 20) 768 x 1004; field centre at 20 + 410 + 20 -> floor(0.3805 x 264)
        { "ipad", false, 100 },
        // phone: view (0, 20) 320 x 460; field centre at 20 + 170 + 18 -> floor(0.3478 x 216)
        { "iphone", false, 75 },
        // pad set screen: first field centre at 20 + 372 + 20 -> floor(0.3174 x 264)
        { "ipad", true, 83 },
        // phone set screen: first field centre at 20 + 138 + 18 -> floor(0.2319 x 216)
        { "iphone", true, 50 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.device) + (c.setScreen ? " set" : " ask"));
        defaults().removeObjectForKey("masterPassword");
        std::shared_ptr<MasterPasswordScreen> screen;
        std::vector<UITextField*> fields;
        if (c.setScreen) {
            auto set = launchOn<SetPassController>(c.device, nullptr);
            ASSERT_TRUE(set);
            fields = { set->txtPass1(), set->txtPass2() };
            screen = set;
        } else {
            auto ask = launchOn<PassController>(c.device, "x");
            ASSERT_TRUE(ask);
            fields = { ask->txtPass() };
            screen = ask;
        }
        const CGRect rest = screen->view()->frame();
        for (UITextField* field : fields) {
            tapView(*field);
            settle();
            EXPECT_TRUE(field->isFirstResponder());
            EXPECT_EQ(screen->animatedDistance(), c.shift);
            EXPECT_EQ(screen->view()->frame().origin.y, rest.origin.y - c.shift);
        }
        // The return key gives the keyboard up.
        fields.back()->insertText(u"\n");
        settle();
        EXPECT_FALSE(fields.back()->isFirstResponder());
        EXPECT_EQ(screen->view()->frame(), rest);
        closeApplication();
        UIApplication::sharedApplication().resetForTesting();
    }
}

TEST_F(PasswordScreenTest, ButtonsTakeTheAccentColourAndRotationSwapsTheBackground)
{
    defaults().setString("ff8800", "colorScheme");
    auto screen = launchOn<SetPassController>("ipad", nullptr);
    ASSERT_TRUE(screen);
    const struct {
        UIButton* button;
        const char* colour;
        CGFloat fontSize;
    } buttons[] = { { screen->btnGo(), "ff8800", 24 }, { screen->btnNo(), "6d6d6d", 26 } };
    for (const auto& b : buttons) {
        EXPECT_TRUE(b.button->backgroundColor()->isEqual(*UIColorHexColor::colorWithHexString(b.colour))) << b.colour;
        EXPECT_EQ(b.button->layer()->cornerRadius(), 4);
        EXPECT_TRUE(b.button->layer()->masksToBounds());
        EXPECT_EQ(b.button->layer()->borderWidth(), 0);
        EXPECT_EQ(b.button->titleLabel()->font()->pointSize(), b.fontSize);
    }
    tapView(*screen->txtPass1());
    ASSERT_TRUE(screen->txtPass1()->isFirstResponder());
    UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientationLandscapeRight);
    settle();
    EXPECT_FALSE(screen->txtPass1()->isFirstResponder()) << "turning gives the keyboard up";
    EXPECT_EQ(screen->btnBack()->backgroundImageForState(UIControlStateNormal),
              UIImage::imageNamed("QV_LXPH_LS_Hintergrund.png"));
    UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientationPortraitUpsideDown);
    settle();
    EXPECT_EQ(screen->btnBack()->backgroundImageForState(UIControlStateNormal),
              UIImage::imageNamed("QV_LXPH_P_Hintergrund.png"));
}

// Pictures of both screens on both devices, and the pad turned, for people to look at.
TEST_F(PasswordScreenTest, Snapshots)
{
    for (const char* device : { "ipad", "iphone" }) {
        defaults().removeObjectForKey("masterPassword");
        auto set = launchOn<SetPassController>(device, nullptr);
        ASSERT_TRUE(set);
        set->txtPass1()->setText(u"secret");
        snapshot(std::string("set-password-") + device);
        closeApplication();
        UIApplication::sharedApplication().resetForTesting();

        auto ask = launchOn<PassController>(device, "x");
        ASSERT_TRUE(ask);
        snapshot(std::string("password-") + device);
        tapView(*ask->btnGo());
        snapshot(std::string("password-wrong-") + device);
        tapAlertButton(0);
        if (std::string(device) == "ipad") {
            UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientationLandscapeRight);
            tapView(*ask->txtPass());
            snapshot("password-ipad-landscape-editing");
        }
        closeApplication();
        UIApplication::sharedApplication().resetForTesting();
        UIAlertView::resetForTesting();
    }
}

}
