#include "tests/uikit/UIKitTestSupport.h"

#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIKeyInput.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIScreen.h"

namespace {

// A small text box: takes the keyboard, offers copy with a selection and paste with pasteboard
// text, like the code view's rules.
class TextBox : public UIView, public UIKeyInput {
public:
    using UIView::UIView;
    bool canBecomeFirstResponder() override { return true; }
    bool canResignFirstResponder() override { return mayResign; }
    bool hasText() override { return !text.empty(); }
    void insertText(const std::u16string& typed) override { text += typed; }
    void deleteBackward() override
    {
        if (!text.empty()) {
            text.pop_back();
        }
    }
    bool respondsToAction(const SEL& action) const override
    {
        return action == kUIActionCopy || action == kUIActionPaste || action == "shout:";
    }
    bool canPerformAction(const SEL& action, const void* sender) override
    {
        if (action == kUIActionCopy) {
            return selected;
        }
        if (action == kUIActionPaste) {
            return UIPasteboard::generalPasteboard().containsPasteboardTypes({ kUTTypeUTF8PlainText });
        }
        return UIView::canPerformAction(action, sender);
    }
    bool performAction(const SEL& action, const void*) override
    {
        performed.push_back(action);
        return true;
    }
    std::u16string text;
    bool selected { false };
    bool mayResign { true };
    std::vector<SEL> performed;
};

// Records the names of the notifications it hears.
struct Listener {
    explicit Listener(const std::vector<std::string>& names)
    {
        for (const auto& name : names) {
            NSNotificationCenter::defaultCenter().addObserver(this, name, nullptr,
                                                              [this](const NSNotification& n) { heard.push_back(n); });
        }
    }
    ~Listener() { NSNotificationCenter::defaultCenter().removeObserver(this); }
    std::vector<std::string> names() const
    {
        std::vector<std::string> result;
        for (const auto& n : heard) {
            result.push_back(n.name);
        }
        return result;
    }
    std::vector<NSNotification> heard;
};

} // namespace

class Responders : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        window = makeWindow();
        box = std::make_shared<TextBox>(CGRectMake(100, 100, 200, 50));
        other = std::make_shared<TextBox>(CGRectMake(100, 300, 200, 50));
        window->addSubview(box);
        window->addSubview(other);
    }
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<TextBox> box;
    std::shared_ptr<TextBox> other;
};

TEST_F(Responders, FirstResponderChangesHands)
{
    auto plain = std::make_shared<UIView>(CGRectMake(0, 0, 10, 10));
    window->addSubview(plain);
    EXPECT_FALSE(plain->becomeFirstResponder()) << "a plain view does not take the role";

    auto loose = std::make_shared<TextBox>();
    EXPECT_FALSE(loose->becomeFirstResponder()) << "only a view in a window";

    EXPECT_TRUE(box->becomeFirstResponder());
    EXPECT_TRUE(box->isFirstResponder());
    EXPECT_EQ(UIResponder::currentFirstResponder(), box);

    box->mayResign = false;
    EXPECT_FALSE(other->becomeFirstResponder()) << "the first responder refuses to resign";
    EXPECT_TRUE(box->isFirstResponder());
    box->mayResign = true;
    EXPECT_TRUE(other->becomeFirstResponder());
    EXPECT_FALSE(box->isFirstResponder());

    // Leaving the window gives the role up; so does a superview leaving it.
    other->removeFromSuperview();
    EXPECT_EQ(UIResponder::currentFirstResponder(), nullptr);
    auto holder = std::make_shared<UIView>(CGRectMake(0, 0, 50, 50));
    auto nested = std::make_shared<TextBox>(CGRectMake(0, 0, 10, 10));
    holder->addSubview(nested);
    window->addSubview(holder);
    EXPECT_TRUE(nested->becomeFirstResponder());
    holder->removeFromSuperview();
    EXPECT_FALSE(nested->isFirstResponder());
}

TEST_F(Responders, KeyboardNotificationsFollowTheFirstResponder)
{
    Listener listener({ UIKeyboardWillShowNotification, UIKeyboardDidShowNotification, UIKeyboardWillHideNotification,
                        UIKeyboardDidHideNotification });
    ASSERT_TRUE(box->becomeFirstResponder());
    EXPECT_EQ(listener.names(), std::vector<std::string> { UIKeyboardWillShowNotification });
    advance(UIApplication::kKeyboardAnimationDuration);
    EXPECT_EQ(listener.names().back(), UIKeyboardDidShowNotification);
    const auto* end = listener.heard.back().userInfoValue<CGRect>(UIKeyboardFrameEndUserInfoKey);
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(*end, CGRectMake(0, 1024 - 264, 768, 264)) << "iPad portrait keyboard along the bottom";

    // Handing the role to another text input keeps the keyboard up: no notices.
    ASSERT_TRUE(other->becomeFirstResponder());
    advance(1);
    EXPECT_EQ(listener.heard.size(), 2u);

    other->resignFirstResponder();
    EXPECT_EQ(listener.names().back(), UIKeyboardWillHideNotification);
    EXPECT_FALSE(UIApplication::sharedApplication().isKeyboardVisible());
    advance(UIApplication::kKeyboardAnimationDuration);
    EXPECT_EQ(listener.names().back(), UIKeyboardDidHideNotification);
    EXPECT_EQ(listener.heard.size(), 4u);

    // On a phone in landscape (home button right) the keyboard lies along the screen's left edge.
    UIDevice::currentDevice().setProfile(*UIDevice::profileNamed("iphone"));
    UIApplication::sharedApplication().setStatusBarOrientation(UIInterfaceOrientationLandscapeRight);
    EXPECT_EQ(UIApplication::sharedApplication().keyboardFrame(), CGRectMake(0, 0, 162, 480));
    EXPECT_EQ(UIApplication::sharedApplication().statusBarFrame(), CGRectMake(300, 0, 20, 480));
    EXPECT_EQ(UIScreen::mainScreen().applicationFrame(), CGRectMake(0, 0, 300, 480));
}

TEST_F(Responders, ShowingAndHidingTheKeyboardQuicklyPostsNoStaleDidShow)
{
    Listener listener({ UIKeyboardDidShowNotification, UIKeyboardDidHideNotification });
    ASSERT_TRUE(box->becomeFirstResponder());
    box->resignFirstResponder();
    advance(1);
    EXPECT_EQ(listener.names(), std::vector<std::string> { UIKeyboardDidHideNotification });
}

TEST_F(Responders, ActionsTravelTheResponderChain)
{
    auto inner = std::make_shared<UIView>(CGRectMake(0, 0, 10, 10));
    box->addSubview(inner);
    EXPECT_TRUE(inner->canPerformAction("shout:", nullptr)) << "the superview implements it";
    EXPECT_FALSE(inner->canPerformAction("whisper:", nullptr));
    EXPECT_TRUE(UIApplication::sharedApplication().sendAction("shout:", inner.get(), nullptr));
    EXPECT_EQ(box->performed, std::vector<SEL> { "shout:" });
    EXPECT_FALSE(UIApplication::sharedApplication().sendAction("shout:", nullptr, nullptr)) << "no first responder";
}

class Menu : public Responders {
protected:
    UIMenuController& menu = UIMenuController::sharedMenuController();
    std::vector<SEL> shown() const
    {
        std::vector<SEL> actions;
        for (const auto& command : menu.commands()) {
            actions.push_back(command.action);
        }
        return actions;
    }
};

TEST_F(Menu, ShowsOnlyWhatTheFirstResponderAccepts)
{
    menu.setTargetRect(CGRectMake(10, 10, 3, 20), box.get());
    menu.setMenuVisible(true, false);
    EXPECT_FALSE(menu.isMenuVisible()) << "no first responder";

    ASSERT_TRUE(box->becomeFirstResponder());
    menu.setMenuVisible(true, false);
    EXPECT_FALSE(menu.isMenuVisible()) << "nothing accepted: no selection, empty pasteboard";

    box->selected = true;
    menu.setMenuItems({ { "Shout", "shout:" }, { "Whisper", "whisper:" } });
    menu.setMenuVisible(true, false);
    ASSERT_TRUE(menu.isMenuVisible());
    EXPECT_EQ(shown(), (std::vector<SEL> { kUIActionCopy, "shout:" }));

    UIPasteboard::generalPasteboard().setString(u"clip");
    menu.update();
    EXPECT_EQ(shown(), (std::vector<SEL> { kUIActionCopy, kUIActionPaste, "shout:" }));

    // The bar sits above the target, inside the screen.
    const CGRect target = box->convertRectToView(CGRectMake(10, 10, 3, 20), nullptr);
    EXPECT_LE(CGRectGetMaxY(menu.menuFrame()), CGRectGetMinY(target));
    EXPECT_FALSE(menu.pointsUp());
    EXPECT_GE(menu.menuFrame().origin.x, 0);

    // A target at the top of the screen puts the bar below it.
    menu.setTargetRect(CGRectMake(0, -90, 3, 20), box.get());
    menu.update();
    EXPECT_TRUE(menu.pointsUp());
    EXPECT_GE(menu.menuFrame().origin.y, CGRectGetMaxY(box->convertRectToView(CGRectMake(0, -90, 3, 20), nullptr)));

    // Nothing left to offer hides a visible menu on update.
    box->selected = false;
    UIPasteboard::generalPasteboard().resetForTesting();
    menu.setMenuItems({});
    menu.update();
    EXPECT_FALSE(menu.isMenuVisible());
}

TEST_F(Menu, VisibilityNoticesWithAndWithoutAnimation)
{
    Listener listener({ UIMenuControllerWillShowMenuNotification, UIMenuControllerDidShowMenuNotification,
                        UIMenuControllerWillHideMenuNotification, UIMenuControllerDidHideMenuNotification });
    box->selected = true;
    ASSERT_TRUE(box->becomeFirstResponder());
    menu.setTargetRect(CGRectMake(10, 10, 3, 20), box.get());

    menu.setMenuVisible(true, true);
    EXPECT_TRUE(menu.isMenuVisible()) << "visible at once, even while fading in";
    EXPECT_EQ(listener.names(), std::vector<std::string> { UIMenuControllerWillShowMenuNotification });
    advance(UIMenuController::kFadeDuration);
    EXPECT_EQ(listener.names().back(), UIMenuControllerDidShowMenuNotification);

    menu.setMenuVisible(false, false);
    EXPECT_FALSE(menu.isMenuVisible());
    EXPECT_EQ(listener.names().back(), UIMenuControllerDidHideMenuNotification) << "at once without animation";
    menu.setMenuVisible(false, false);
    EXPECT_EQ(listener.heard.size(), 4u) << "hiding a hidden menu says nothing";

    menu.setMenuVisible(true, false);
    menu.setMenuVisible(false, true);
    EXPECT_EQ(listener.names().back(), UIMenuControllerWillHideMenuNotification);
    advance(UIMenuController::kFadeDuration);
    EXPECT_EQ(listener.names().back(), UIMenuControllerDidHideMenuNotification);

    // A change of first responder hides the menu.
    menu.setMenuVisible(true, false);
    ASSERT_TRUE(other->becomeFirstResponder());
    EXPECT_FALSE(menu.isMenuVisible());
}

TEST_F(Menu, TappingACommandPerformsItAndHidesTheMenu)
{
    box->selected = true;
    ASSERT_TRUE(box->becomeFirstResponder());
    menu.setTargetRect(CGRectMake(10, 20, 3, 20), box.get());
    menu.setMenuVisible(true, false);
    ASSERT_EQ(menu.commands().size(), 1u);
    const CGRect copyFrame = menu.commands().front().frame;
    const CGPoint onCopy { CGRectGetMidX(copyFrame), CGRectGetMidY(copyFrame) };

    // Down on the command, up elsewhere: nothing.
    down(onCopy);
    up({ 700, 900 });
    EXPECT_TRUE(box->performed.empty());
    EXPECT_TRUE(menu.isMenuVisible());

    tap(onCopy);
    EXPECT_EQ(box->performed, std::vector<SEL> { kUIActionCopy });
    EXPECT_FALSE(menu.isMenuVisible());
}

// The menu stands upright in the interface whatever way the device is turned: it sits above its
// target in interface terms, inside the interface, and a tap where it shows performs the command.
TEST_F(Menu, LaidOutAndTappedInInterfaceCoordinatesInEveryOrientation)
{
    box->selected = true;
    ASSERT_TRUE(box->becomeFirstResponder());
    const CGRect local = CGRectMake(10, 20, 3, 20);
    for (const UIInterfaceOrientation orientation : { UIInterfaceOrientationPortrait, UIInterfaceOrientationLandscapeRight,
                                                      UIInterfaceOrientationLandscapeLeft,
                                                      UIInterfaceOrientationPortraitUpsideDown }) {
        UIApplication::sharedApplication().setStatusBarOrientation(orientation);
        box->performed.clear();
        menu.setTargetRect(local, box.get());
        menu.setMenuVisible(true, false);
        ASSERT_TRUE(menu.isMenuVisible()) << orientation;
        const CGRect target = CGRectApplyAffineTransform(box->convertRectToView(local, nullptr),
                                                         UIRenderer::screenToDisplayTransform(orientation));
        const CGRect bar = menu.menuFrame();
        const CGSize interface = UIRenderer::displaySize(orientation);
        EXPECT_FALSE(menu.pointsUp()) << orientation;
        EXPECT_LE(CGRectGetMaxY(bar), CGRectGetMinY(target)) << orientation;
        EXPECT_GE(CGRectGetMaxY(bar), CGRectGetMinY(target) - UIMenuController::kArrowHeight - 1) << orientation;
        EXPECT_NEAR(CGRectGetMidX(bar), CGRectGetMidX(target), 0.5) << orientation;
        EXPECT_EQ(bar.size.height, UIMenuController::kMenuHeight) << orientation;
        EXPECT_GE(CGRectGetMinX(bar), 0) << orientation;
        EXPECT_LE(CGRectGetMaxX(bar), interface.width) << orientation;
        EXPECT_EQ(menu.targetFrame(), target) << orientation;

        ASSERT_EQ(menu.commands().size(), 1u);
        const CGRect copy = menu.commands().front().frame;
        const CGPoint onCopy = UIRenderer::screenPointFromDisplayPoint({ CGRectGetMidX(copy), CGRectGetMidY(copy) }, orientation);
        tap(onCopy);
        EXPECT_EQ(box->performed, std::vector<SEL> { kUIActionCopy }) << orientation;
        EXPECT_FALSE(menu.isMenuVisible()) << orientation;
    }
}

// In landscape the interface is wider than the portrait screen: a target near the interface's
// right edge keeps the bar within the interface, not the portrait width.
TEST_F(Menu, LandscapeBarStaysInsideTheInterfaceWidth)
{
    UIApplication::sharedApplication().setStatusBarOrientation(UIInterfaceOrientationLandscapeLeft);
    box->selected = true;
    ASSERT_TRUE(box->becomeFirstResponder());
    // The screen's top edge is the interface's right edge in this orientation.
    menu.setTargetRect(CGRectMake(100, 2, 3, 20), window.get());
    menu.setMenuVisible(true, false);
    ASSERT_TRUE(menu.isMenuVisible());
    const CGRect bar = menu.menuFrame();
    EXPECT_GT(CGRectGetMaxX(bar), 768);
    EXPECT_LE(CGRectGetMaxX(bar), 1024 - 4);
    EXPECT_LT(CGRectGetMaxY(bar), 100);
}
