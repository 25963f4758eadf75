#include <set>

#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIKeyboardLayout.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UITextField.h"
#include "tests/uikit_controllers/ModalTestSupport.h"

namespace {

class Keyboard : public ModalTest { };

} // namespace

// In each layout the board carries the platform's keys, each whole on the board and none over
// another; the snapshot shows them with their caps drawn.
TEST_F(Keyboard, EveryLayoutHasItsKeysWithTheirCaps)
{
    struct Case {
        const char* device;
        UIInterfaceOrientation orientation;
        std::vector<std::u16string> caps; // besides the 26 letters
    };
    const Case cases[] = {
        { "iphone", UIInterfaceOrientationPortrait, { u"\u21e7", u"\u232b", u".?123", u"space", u"return" } },
        { "iphone", UIInterfaceOrientationLandscapeRight, { u"\u21e7", u"\u232b", u".?123", u"space", u"return" } },
        { "ipad", UIInterfaceOrientationPortrait, { u"\u21e7", u"\u232b", u".?123", u"space", u"return", u"\u2328" } },
        { "ipad", UIInterfaceOrientationLandscapeLeft, { u"\u21e7", u"\u232b", u".?123", u"space", u"return", u"\u2328" } },
    };
    for (const Case& c : cases) {
        const std::string name = std::string("keyboard-") + c.device
            + (UIInterfaceOrientationIsLandscape(c.orientation) ? "-landscape" : "-portrait");
        SCOPED_TRACE(name);
        useDevice(c.device);
        auto& app = UIApplication::sharedApplication();
        app.setStatusBarOrientation(c.orientation);
        auto window = makeWindow(UIScreen::mainScreen().bounds());
        window->setBackgroundColor(UIColor::whiteColor());
        auto typist = std::make_shared<UITextField>(CGRectMake(10, 40, 100, 30));
        window->addSubview(typist);
        ASSERT_TRUE(typist->becomeFirstResponder());
        advance(1);
        ASSERT_TRUE(app.isKeyboardVisible());

        const CGFloat height = app.keyboardHeight();
        const CGSize display = UIRenderer::displaySize(c.orientation);
        const auto keys = UIKeyboardLayout::keys(CGSizeMake(display.width, height), UI_USER_INTERFACE_IDIOM() == UIUserInterfaceIdiomPad);
        std::set<std::u16string> caps;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            caps.insert(keys[i].cap);
            EXPECT_TRUE(CGRectContainsRect(CGRectMake(0, 0, display.width, height), keys[i].frame)) << utf16ToUtf8(keys[i].cap);
            EXPECT_GE(keys[i].frame.size.width, 20) << utf16ToUtf8(keys[i].cap);
            for (std::size_t j = i + 1; j < keys.size(); ++j) {
                EXPECT_FALSE(CGRectIntersectsRect(keys[i].frame, keys[j].frame))
                    << utf16ToUtf8(keys[i].cap) << " and " << utf16ToUtf8(keys[j].cap);
            }
        }
        for (char16_t letter = u'A'; letter <= u'Z'; ++letter) {
            EXPECT_TRUE(caps.count(std::u16string(1, letter))) << char(letter);
        }
        for (const auto& cap : c.caps) {
            EXPECT_TRUE(caps.count(cap)) << utf16ToUtf8(cap);
        }

        // The cap of Q is drawn: dark ink in the middle of a white key.
        ASSERT_TRUE(UIRenderer::writeScreenPNG(snapshotPath(name)));
        const auto q = std::find_if(keys.begin(), keys.end(), [](const auto& k) { return k.cap == u"Q"; });
        ASSERT_NE(q, keys.end());
        const CGImageRef shot = UIRenderer::snapshotScreen();
        bool ink = false;
        const CGRect cap = CGRectInset(q->frame, q->frame.size.width / 4, q->frame.size.height / 4);
        for (CGFloat y = cap.origin.y; y < CGRectGetMaxY(cap) && !ink; y += 1) {
            for (CGFloat x = cap.origin.x; x < CGRectGetMaxX(cap) && !ink; x += 1) {
                // The snapshot stands upright for the orientation: it is in display points.
                ink = pixelAt(shot, CGPointMake(x, display.height - height + y)).r < 100;
            }
        }
        EXPECT_TRUE(ink) << "Q has no cap drawn";
        typist->resignFirstResponder();
        advance(1);
        window->setHidden(true);
    }
}
