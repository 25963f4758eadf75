#include "GestureTestSupport.h"

#include "Host/HostKey.h"
#include "Host/HostSession.h"
#include "Platform/UIKit/UIResponder.h"

namespace {
const std::vector<SEL> kCommands = { kUIActionCut, kUIActionCopy, kUIActionPaste, kUIActionSelect, kUIActionSelectAll, kUIActionDelete };
}

// Which commands the menu offers: cut and paste only while editing, copy with a selection,
// select and select all with a caret in a non-empty text, delete never.
TEST_F(GestureTest, MenuCommandAvailability)
{
    struct Case {
        const char* name;
        std::u16string text;
        bool editing;
        NSRange selection;
        bool pasteboardText;
        std::vector<SEL> offered;
    };
    const Case cases[] = {
        { "selection while editing", u"abc def", true, { 0, 3 }, true, { kUIActionCut, kUIActionCopy, kUIActionPaste } },
        { "selection, not editing", u"abc def", false, { 0, 3 }, true, { kUIActionCopy } },
        { "caret while editing", u"abc def", true, { 2, 0 }, false, { kUIActionSelect, kUIActionSelectAll } },
        { "caret with pasteboard text", u"abc def", true, { 2, 0 }, true, { kUIActionPaste, kUIActionSelect, kUIActionSelectAll } },
        { "empty text", u"", true, { 0, 0 }, true, { kUIActionPaste } },
        { "empty text, not editing", u"", false, { 0, 0 }, true, {} },
    };
    for (const Case& c : cases) {
        UIPasteboard::generalPasteboard().resetForTesting();
        if (c.pasteboardText) {
            UIPasteboard::generalPasteboard().setString(u"clip");
        }
        load(c.text, c.editing);
        view_->setSelectedRange(c.selection);
        std::vector<SEL> offered;
        for (const SEL& action : kCommands) {
            if (view_->canPerformAction(action, nullptr)) {
                offered.push_back(action);
            }
        }
        EXPECT_EQ(offered, c.offered) << c.name;
        view_->resignFirstResponder();
    }
}

// The commands over the pasteboard, as the menu sends them.
TEST_F(GestureTest, CutCopyPasteSelectAndSelectAll)
{
    struct Case {
        const char* name;
        std::u16string text;
        NSRange selection;
        std::u16string clip; // on the pasteboard before
        SEL action;
        std::u16string expectedText;
        NSRange expectedSelection;
        std::u16string expectedClip;
    };
    const Case cases[] = {
        { "copy", u"alpha beta", { 6, 4 }, u"", kUIActionCopy, u"alpha beta", { 6, 4 }, u"beta" },
        { "cut", u"alpha beta gamma", { 5, 5 }, u"", kUIActionCut, u"alpha gamma", { 5, 0 }, u" beta" },
        { "cut across a surrogate pair", u"a\U0001F600b", { 1, 2 }, u"", kUIActionCut, u"ab", { 1, 0 }, u"\U0001F600" },
        { "paste at the caret", u"ab", { 1, 0 }, u"XYZ", kUIActionPaste, u"aXYZb", { 4, 0 }, u"XYZ" },
        { "paste over a selection", u"abcd", { 1, 2 }, u"\n", kUIActionPaste, u"a\nd", { 2, 0 }, u"\n" },
        { "select the word at the caret", u"alpha beta", { 7, 0 }, u"", kUIActionSelect, u"alpha beta", { 6, 4 }, u"" },
        { "select all trims blanks", u"  abc \n", { 0, 0 }, u"", kUIActionSelectAll, u"  abc \n", { 2, 3 }, u"" },
        { "select all of blanks keeps the caret", u" \n\t ", { 1, 0 }, u"", kUIActionSelectAll, u" \n\t ", { 1, 0 }, u"" },
    };
    for (const Case& c : cases) {
        UIPasteboard::generalPasteboard().resetForTesting();
        if (!c.clip.empty()) {
            UIPasteboard::generalPasteboard().setValueForPasteboardType(utf16ToUtf8(c.clip), kUTTypeUTF8PlainText);
        }
        load(c.text);
        view_->setSelectedRange(c.selection);
        EXPECT_TRUE(UIApplication::sharedApplication().sendAction(c.action, nullptr, nullptr)) << c.name;
        EXPECT_EQ(view_->text(), c.expectedText) << c.name;
        EXPECT_EQ(view_->selectedRange(), c.expectedSelection) << c.name;
        EXPECT_EQ(UIPasteboard::generalPasteboard().string().value_or(u""), c.expectedClip) << c.name;
    }
}

// Chosen from the menu, select and select all bring the menu back at the new selection once
// the menu has faded.
TEST_F(GestureTest, MenuReturnsAfterSelectAll)
{
    load(u"  some text here  ");
    view_->setSelectedRange(NSMakeRange(4, 0));
    view_->showMenu();
    advance(0.01);
    auto& menu = UIMenuController::sharedMenuController();
    ASSERT_TRUE(menu.isMenuVisible());
    EXPECT_TRUE(menu.performCommand(kUIActionSelectAll));
    EXPECT_EQ(view_->selectedRange(), NSMakeRange(2, 14));
    EXPECT_FALSE(menu.isMenuVisible());
    advance(UIMenuController::kFadeDuration + 0.05);
    EXPECT_TRUE(menu.isMenuVisible());
    const auto offered = menu.commands();
    ASSERT_FALSE(offered.empty());
    EXPECT_EQ(offered.front().action, kUIActionCut);
    // The next hide does not bring it back again.
    menu.setMenuVisible(false);
    advance(1);
    EXPECT_FALSE(menu.isMenuVisible());
    EXPECT_EQ(NSNotificationCenter::defaultCenter().observerCount(), 0u);
}

// The desktop's Ctrl+X/C/V/A reach the same commands, refused when the view does not offer them.
TEST_F(GestureTest, HostShortcutsReachTheCommands)
{
    HostSession host;
    host.setWaiter([this](double seconds) { advance(seconds); });
    load(u"  one two  ");
    view_->setSelectedRange(NSMakeRange(4, 0));
    using Outcome = HostSession::KeyOutcome;
    EXPECT_EQ(host.pressKey(HostKey::Paste), Outcome::NotAccepted); // nothing on the pasteboard
    EXPECT_EQ(host.pressKey(HostKey::SelectAll), Outcome::Done);
    EXPECT_EQ(view_->selectedRange(), NSMakeRange(2, 7));
    EXPECT_EQ(host.pressKey(HostKey::Copy), Outcome::Done);
    EXPECT_EQ(UIPasteboard::generalPasteboard().string().value_or(u""), u"one two");
    EXPECT_EQ(host.pressKey(HostKey::SelectAll), Outcome::NotAccepted); // a selection is there
    EXPECT_EQ(host.pressKey(HostKey::Cut), Outcome::Done);
    EXPECT_EQ(view_->text(), u"    ");
    EXPECT_EQ(host.pressKey(HostKey::Paste), Outcome::Done);
    EXPECT_EQ(view_->text(), u"  one two  ");
    EXPECT_EQ(view_->selectedRange(), NSMakeRange(9, 0));
    view_->resignFirstResponder();
    EXPECT_EQ(host.pressKey(HostKey::Cut), Outcome::NotAccepted);
}
