#include "tests/screens_editor/EditorTestSupport.h"

#include "Classes/SyntaxColouring/SyntaxColouring.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/MessageUI/MFMailComposeViewController.h"
#include "Platform/UIKit/UIApplication.h"
#include "Classes/Controller/ActionPopover.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UISwitch.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UISegmentedControl.h"
#include "tests/support/LogCapture.h"

#include <fstream>
#include "tests/support/SnapshotFolder.h"

namespace {

// A PHP file of exactly `bytes` bytes.
std::string phpOfSize(std::size_t bytes)
{
    std::string text = "<?php\n// greeting\n$name = \"world\";\necho \"Hello, $name!\";\n";
    while (text.size() + 24 < bytes)
        text += "function f() { return 42; }\n";
    text += "?>\n";
    text.resize(bytes, ' ');
    return text;
}

const std::string kSample = "<?php\n$x = 1;\necho 'hi';\n?>\n";

TEST_F(EditorTest, OpensSmallTextsColouredAndLargeOrUnsupportedOnesPlain)
{
    struct Case {
        const char* device;
        std::size_t bytes;
        bool unsupported;
        bool coloured;
    };
    for (const Case& c : { Case { "ipad", 10239, false, true }, Case { "iphone", 10239, false, true },
                           Case { "ipad", 10240, false, false }, Case { "iphone", 100, true, false } }) {
        SCOPED_TRACE(std::string(c.device) + " " + std::to_string(c.bytes));
        const std::string text = phpOfSize(c.bytes);
        useDevice(c.device);
        server().writeFile("page.php", text);
        auto editor = open("page.php", nullptr, c.device, false, c.unsupported);
        ASSERT_TRUE(editor && editor->backupCode());
        EXPECT_EQ(utf16ToUtf8(editor->currentText()), text);
        EXPECT_EQ(editor->txtCode()->syntaxHighlighter() != nullptr, c.coloured);
        EXPECT_EQ(editor->txtCodePlain() == nullptr, c.coloured);
        EXPECT_EQ(editor->txtCode()->isHidden(), !c.coloured);
        EXPECT_EQ(editor->title(), "page.php");
        EXPECT_TRUE(editor->progressView()->isHidden());
        // Colouring on for a plain text: refused with the notice when large, silently otherwise.
        editor->dismissMeWithAction(kEditorActionColouringOn);
        const auto shown = dismissAlert();
        EXPECT_EQ(shown.second, c.bytes >= 10240 ? "Unfortunately Lexiphant is not able to color documents bigger than 10KB." : "");
        EXPECT_EQ(editor->txtCode()->syntaxHighlighter() != nullptr, c.coloured);
        window_->setRootViewController(nullptr);
        window_.reset();
    }
}

TEST_F(EditorTest, SavesTheEditedTextAndTakesTheUploadedTextAsSaved)
{
    auto editor = open("index.php", kSample);
    ASSERT_TRUE(editor && editor->backupCode());
    save();
    EXPECT_EQ(dismissAlert().second, "No changes were made to the file. There is no need to save it.");

    editor->txtCode()->setSelectedRange({ 0, 0 });
    editor->txtCode()->insertText(u"// top\n");
    editor->btnSavePressed(nullptr);
    // Typed while the upload runs: not part of what was stored.
    editor->txtCode()->insertText(u"x");
    waitIdle();
    turn();
    EXPECT_EQ(server().readFile("index.php").value_or(""), "// top\n" + kSample);
    EXPECT_EQ(utf16ToUtf8(*editor->backupCode()), "// top\n" + kSample);
    for (const auto& item : std::filesystem::directory_iterator(server().rootDir()))
        EXPECT_EQ(item.path().filename().string().find("_##_"), std::string::npos) << item.path();
    EXPECT_FALSE(UIAlertView::visibleAlert());

    // The extra "x" is unsaved: close asks; typed back, Save has nothing to do and close closes.
    editor->btnClosePressed(nullptr);
    ASSERT_EQ(UIActionSheet::visibleSheets().size(), 1u);
    EXPECT_EQ(UIActionSheet::visibleSheets().back()->title(), "Close file and discard all changes?");
    UIActionSheet::visibleSheets().back()->dismissWithClickedButtonIndex(1, false); // "No!"
    turn();
    EXPECT_TRUE(editorOnTop());
    editor->txtCode()->deleteBackward();
    save();
    EXPECT_EQ(dismissAlert().first, "Info");
    editor->btnClosePressed(nullptr);
    turn();
    EXPECT_FALSE(editorOnTop());
}

TEST_F(EditorTest, RefusedSaveIsShownAndTheTextStaysUnsaved)
{
    auto editor = open("locked.txt", "old text\n", "iphone", true);
    ASSERT_TRUE(editor && editor->backupCode());
    editor->txtCode()->insertText(u"new ");
    save();
    const auto shown = dismissAlert();
    EXPECT_EQ(shown.first, "Error");
    EXPECT_EQ(shown.second.rfind("Could not save file (", 0), 0u) << shown.second;
    EXPECT_NE(shown.second.find("\n'locked.txt' on the server was left as it was."), std::string::npos) << shown.second;
    EXPECT_EQ(server().readFile("locked.txt").value_or(""), "old text\n");
    EXPECT_NE(*editor->backupCode(), editor->currentText());
    editor->toogleBack(nullptr);
    ASSERT_EQ(UIActionSheet::visibleSheets().size(), 1u);
    UIActionSheet::visibleSheets().back()->dismissWithClickedButtonIndex(0, false); // "Yes."
    turn();
    EXPECT_FALSE(editorOnTop());
    EXPECT_EQ(server().readFile("locked.txt").value_or(""), "old text\n");
}

TEST_F(EditorTest, GoToLineCountsEveryHardLineBreakInUtf16Units)
{
    struct Case {
        std::u16string text;
        std::u16string entry;
        NSUInteger caret; // NSNotFound: the selection stays
    };
    const std::u16string abc = u"a\nbc\n";
    const Case cases[] = {
        { abc, u"2", 2 }, { abc, u"3", 5 }, { abc, u"1", 0 }, { abc, u"0", NSNotFound }, { abc, u"4", NSNotFound },
        { abc, u"x", NSNotFound }, { abc, u"", NSNotFound }, { abc, u" +2z", 2 },
        { u"a\rbc\rd", u"3", 5 }, { u"a\r\nb", u"2", 3 }, { u"\u00e9\U0001F600\nx", u"2", 4 },
        { u"p\u2028q", u"2", 2 },
    };
    auto editor = open("lines.txt", "x");
    ASSERT_TRUE(editor);
    for (const Case& c : cases) {
        SCOPED_TRACE(utf16ToUtf8(c.text) + " / " + utf16ToUtf8(c.entry));
        editor->txtCode()->setText(c.text);
        editor->txtCode()->setSelectedRange({ 1, 0 });
        editor->btnGotoPressed(nullptr);
        const auto shown = dismissAlert(1, &c.entry);
        EXPECT_EQ(shown.first, "Go to line (1-" + std::to_string(CodeWriteController::lineStarts(c.text).size()) + "):\n");
        EXPECT_EQ(editor->currentSelection().location, c.caret == NSNotFound ? 1 : c.caret);
        EXPECT_TRUE(editorOnTop());
    }
    editor->txtCode()->setText(abc);
    editor->toogleGoto(nullptr);
    EXPECT_EQ(dismissAlert(0).first, "Go to line (1-3):");
    EXPECT_TRUE(editorOnTop());
}

TEST_F(EditorTest, SearchSelectsTheFirstHitOrSaysItFoundNothing)
{
    struct Case {
        std::u16string entry;
        NSRange selection; // location NSNotFound: the "Find" alert
    };
    const Case cases[] = {
        { u"Foo", { 4, 3 } }, { u"Foo", { 4, 3 } }, { u"foo", { 0, 3 } }, { u"FOO", { NSNotFound, 0 } },
        { u"", { NSNotFound, 0 } }, { u"\U0001F600", { 8, 2 } },
    };
    auto editor = open("find.txt", "foo Foo \xF0\x9F\x98\x80\n", "iphone");
    ASSERT_TRUE(editor);
    for (const Case& c : cases) {
        SCOPED_TRACE(utf16ToUtf8(c.entry));
        editor->txtCode()->setSelectedRange({ 0, 0 });
        editor->btnFindPressed(nullptr);
        EXPECT_EQ(dismissAlert(1, &c.entry).first, "Search for:");
        if (c.selection.location == NSNotFound) {
            EXPECT_EQ(dismissAlert(), std::make_pair(std::string("Find"), "Could not find '" + utf16ToUtf8(c.entry) + "'."));
            EXPECT_EQ(editor->currentSelection().location, 0u);
        } else {
            EXPECT_EQ(editor->currentSelection().location, c.selection.location);
            EXPECT_EQ(editor->currentSelection().length, c.selection.length);
        }
    }
    // The phone sheet leads to the same prompts; cancelling leaves the screen open.
    editor->btnDoPressed();
    auto sheet = UIActionSheet::visibleSheets().back();
    ASSERT_EQ(sheet->buttonTitleAtIndex(2), "Search");
    EXPECT_EQ(sheet->buttonTitleAtIndex(4), "Disable Syntax Colouring");
    sheet->dismissWithClickedButtonIndex(2, false);
    turn();
    EXPECT_EQ(dismissAlert(0).first, "Search for:");
    EXPECT_TRUE(editorOnTop());
}

TEST_F(EditorTest, ColouringSwitchesOffAndOnWithoutChangingTheSavedState)
{
    auto editor = open("style.php", kSample, "iphone");
    ASSERT_TRUE(editor);
    const auto colouredRuns = [&] {
        std::size_t runs = 0;
        editor->txtCode()->attributedString().enumerateAttributesInRange(
            { 0, editor->txtCode()->text().size() }, [&](const NSAttributeDictionary&, NSRange) { ++runs; });
        return runs;
    };
    const std::size_t coloured = colouredRuns();
    EXPECT_GT(coloured, 1u);
    editor->btnDoPressed();
    auto sheet = UIActionSheet::visibleSheets().back();
    sheet->dismissWithClickedButtonIndex(4, false); // "Disable Syntax Colouring"
    turn();
    EXPECT_EQ(editor->txtCode()->syntaxHighlighter(), nullptr);
    EXPECT_EQ(colouredRuns(), 1u);
    editor->btnDoPressed();
    EXPECT_EQ(UIActionSheet::visibleSheets().back()->buttonTitleAtIndex(4), "Enable Syntax Colouring");
    UIActionSheet::visibleSheets().back()->dismissWithClickedButtonIndex(4, false);
    turn();
    EXPECT_EQ(editor->txtCode()->syntaxHighlighter(), editor->syntaxHighlight());
    EXPECT_EQ(colouredRuns(), coloured);
    EXPECT_EQ(*editor->backupCode(), editor->currentText());
}

TEST_F(EditorTest, PadPopoverShowsTheColouringStateAndSwitchesIt)
{
    auto editor = open("pad.php", kSample, "ipad");
    ASSERT_TRUE(editor);
    for (bool on : { false, true }) {
        editor->btnDoPressed();
        ASSERT_TRUE(editor->actionController() && editor->actionController()->isPopoverVisible());
        ActionPopover& popover = *editor->actionPopover();
        EXPECT_EQ(popover.swiColor()->isOn(), !on);
        EXPECT_FALSE(popover.btnMail()->isHidden());
        popover.swiColor()->setOn(on, false);
        popover.swiColorChanged();
        EXPECT_FALSE(editor->actionController()->isPopoverVisible());
        EXPECT_EQ(editor->txtCode()->syntaxHighlighter() != nullptr, on);
        advance(1);
    }
}

TEST_F(EditorTest, ExtraKeysInsertTheirStrings)
{
    auto editor = open("keys.txt", "");
    ASSERT_TRUE(editor);
    editor->txtCode()->setSelectedRange({ 0, 0 });
    auto button = std::make_shared<UIButton>();
    for (int tag : { 12, 0, 16, 2, 15 }) {
        button->setTag(tag);
        editor->btnPressed(button.get());
    }
    editor->keyboardControl()->setSelectedSegmentIndex(0);
    editor->btnPressed(editor->keyboardControl());
    EXPECT_EQ(editor->currentText(), u"\\<\"\t");
}

TEST_F(EditorTest, KeyboardResizingStartsFromTheFramesBeforeIt)
{
    auto editor = open("kb.txt", "text");
    ASSERT_TRUE(editor);
    const CGRect code = editor->txtCode()->frame();
    const CGRect container = editor->txtCode()->superview()->frame();
    const CGFloat bar = editor->keyboard()->frame().size.height;
    // The bar shows only while the code view edits.
    ASSERT_TRUE(editor->txtCode()->becomeFirstResponder());
    NSUserInfo info { { UIKeyboardFrameEndUserInfoKey, CGRectMake(0, 760, 768, 264) } };
    for (int round = 0; round < 3; ++round) {
        for (int shows = 0; shows < 2; ++shows)
            NSNotificationCenter::defaultCenter().postNotificationName(UIKeyboardDidShowNotification, nullptr, info);
        EXPECT_EQ(editor->txtCode()->superview()->frame().size.height, container.size.height - 264);
        EXPECT_EQ(editor->txtCode()->frame().size.height, code.size.height - 264 - bar) << "the code view ends at the bar";
        EXPECT_FALSE(editor->keyboard()->isHidden());
        NSNotificationCenter::defaultCenter().postNotificationName(UIKeyboardWillHideNotification, nullptr, info);
        EXPECT_EQ(editor->txtCode()->frame(), code);
        EXPECT_TRUE(editor->keyboard()->isHidden());
    }
}

TEST_F(EditorTest, DownloadErrorAlertAloneClosesTheScreen)
{
    auto editor = open("missing.txt", nullptr);
    ASSERT_TRUE(editor);
    auto alert = UIAlertView::visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Error");
    EXPECT_EQ(alert->message().rfind("Could not open file (78)!\n", 0), 0u) << alert->message();
    EXPECT_FALSE(editor->backupCode());
    // Another alert with the same tag does not close the screen.
    alert->dismissWithClickedButtonIndex(0, false);
    editor = nullptr;
    turn();
    turn();
    EXPECT_FALSE(editorOnTop());
}

TEST_F(EditorTest, OtherAlertsDoNotCloseTheScreen)
{
    auto editor = open("open.txt", "a");
    ASSERT_TRUE(editor);
    editor->btnSavePressed(nullptr);
    auto alert = UIAlertView::visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->tag(), 0);
    dismissAlert();
    EXPECT_TRUE(editorOnTop());
}

TEST_F(EditorTest, BinaryFilesShowInTheWebViewWithoutSave)
{
    std::ifstream in(std::string(LEXIPHANT_SOURCE_DIR) + "/Resources/Images/LXPH_Editor_Back.png", std::ios::binary);
    const std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto editor = open("photo.PNG", png);
    ASSERT_TRUE(editor && editor->webView());
    EXPECT_FALSE(editor->webView()->isHidden());
    EXPECT_TRUE(editor->btnSave()->isHidden());
    EXPECT_TRUE(editor->txtCode()->isHidden());
    EXPECT_FALSE(editor->imgBack()->isHidden());
    EXPECT_EQ(NSFileManager::defaultManager().contentsAtPath(editor->fileEntry()->localPath()).value_or(""), png);
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return editor->webView()->hasDocument(); }, 20));
    // No saved state: Save only says so, Close does not ask.
    save();
    EXPECT_EQ(dismissAlert().first, "Info");

    // Mailed from the copy, typed by extension.
    editor->btnMailPressed();
    auto composer = std::dynamic_pointer_cast<MFMailComposeViewController>(editor->presentedViewController());
    ASSERT_TRUE(composer);
    ASSERT_TRUE(composer->message().attachment);
    EXPECT_EQ(composer->message().attachment->mimeType, "image/png");
    EXPECT_EQ(composer->message().attachment->data, png);
    composer->cancelPressed();
    turn();
    editor->btnClosePressed(nullptr);
    turn();
    EXPECT_FALSE(editorOnTop());
}

// A picture, PDF or office document offers nothing that edits or searches text, on the phone's
// sheet and the pad's popover (stacked without gaps), and no keyboard or extra-keys bar comes up
// over it; a text offers everything.
TEST_F(EditorTest, WebViewFilesOfferNoTextActionsAndNoKeyboard)
{
    const auto bytesOf = [](const std::string& path) {
        std::ifstream in(std::string(LEXIPHANT_SOURCE_DIR) + path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    struct Case {
        const char* device;
        const char* name;
        std::string bytes;
        bool text;
    };
    const std::vector<Case> cases {
        { "iphone", "logo.png", bytesOf("/demo/site/images/logo.png"), false },
        { "iphone", "prices.pdf", bytesOf("/demo/site/docs/price-list.pdf"), false },
        { "iphone", "notes.rtf", "not a document", false },
        { "iphone", "page.php", kSample, true },
        { "ipad", "logo.png", bytesOf("/demo/site/images/logo.png"), false },
        { "ipad", "notes.rtf", "not a document", false },
        { "ipad", "page.php", kSample, true },
    };
    const std::filesystem::path snapshots = snapshotFolder("screens_editor");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.device) + " " + c.name);
        window_.reset();
        auto editor = open(c.name, c.bytes, c.device);
        ASSERT_TRUE(editor);
        ASSERT_EQ(editor->webView()->isHidden(), c.text);
        const bool pad = std::string(c.device) == "ipad";
        editor->btnDoPressed();
        turn();
        if (!pad) {
            auto sheet = UIActionSheet::visibleSheets().back();
            std::vector<std::string> titles;
            for (int i = 0; i < sheet->numberOfButtons(); ++i)
                titles.push_back(sheet->buttonTitleAtIndex(i));
            const std::vector<std::string> offered = c.text
                ? std::vector<std::string> { "Go To Line", "Email File", "Search", "Preview", "Disable Syntax Colouring", "Cancel" }
                : std::vector<std::string> { "Email File", "Preview", "Cancel" };
            EXPECT_EQ(titles, offered);
            advance(1); // the sheet slides in
            if (!c.text) {
                EXPECT_TRUE(UIRenderer::writeScreenPNG((snapshots / ("web-sheet-" + std::filesystem::path(c.name).stem().string() + "-phone.png")).string()));
            }
            sheet->dismissWithClickedButtonIndex(sheet->cancelButtonIndex(), false);
        } else {
            ActionPopover& popover = *editor->actionPopover();
            for (UIView* row : { static_cast<UIView*>(popover.btnGoto()), static_cast<UIView*>(popover.btnFind()),
                                 static_cast<UIView*>(popover.swiColor()), static_cast<UIView*>(popover.lblColor()) })
                EXPECT_EQ(row->isHidden(), !c.text);
            EXPECT_FALSE(popover.btnMail()->isHidden());
            EXPECT_FALSE(popover.btnPreview()->isHidden());
            // The rows shown follow each other from the top; the popover ends below the last.
            EXPECT_EQ(popover.btnMail()->frame().origin.y, c.text ? 116 : 12);
            EXPECT_EQ(popover.btnPreview()->frame().origin.y, c.text ? 168 : 64);
            EXPECT_EQ(popover.contentSizeForViewInPopover().height, c.text ? 272 : 120);
            if (!c.text) {
                EXPECT_TRUE(UIRenderer::writeScreenPNG((snapshots / ("web-popover-" + std::filesystem::path(c.name).stem().string() + "-pad.png")).string()));
            }
            editor->actionController()->dismissPopoverAnimated(false);
        }
        turn();
        if (c.text) {
            window_->setRootViewController(nullptr);
            continue;
        }
        // Asked anyway (a stale menu, a shortcut): no prompt, no keyboard, no bar.
        for (int action : { kEditorActionGoto, kEditorActionFind, kEditorActionColouringOn, kEditorActionColouringOff })
            editor->dismissMeWithAction(action);
        editor->toogleGoto(nullptr);
        editor->btnFindPressed(nullptr);
        advance(1);
        EXPECT_FALSE(UIAlertView::visibleAlert());
        EXPECT_FALSE(editor->txtCode()->isFirstResponder());
        EXPECT_FALSE(UIApplication::sharedApplication().isKeyboardVisible());
        NSUserInfo info { { UIKeyboardFrameEndUserInfoKey, CGRectMake(0, 760, 768, 264) } };
        NSNotificationCenter::defaultCenter().postNotificationName(UIKeyboardDidShowNotification, nullptr, info);
        EXPECT_TRUE(editor->keyboard()->isHidden());
        window_->setRootViewController(nullptr);
    }
}

TEST_F(EditorTest, MailIsFiledAsDownloadedAndTheCodeViewKeepsItsDelegate)
{
    auto editor = open("mail.php", kSample);
    ASSERT_TRUE(editor);
    editor->txtCode()->insertText(u"edited ");
    editor->dismissMeWithAction(kEditorActionMail);
    auto composer = std::dynamic_pointer_cast<MFMailComposeViewController>(editor->presentedViewController());
    ASSERT_TRUE(composer);
    composer->setToRecipients({ "me@example.com" });
    composer->sendPressed();
    turn();
    ASSERT_FALSE(composer->sentPath().empty());
    std::ifstream in(composer->sentPath(), std::ios::binary);
    const std::string filed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(filed.find("text/php"), std::string::npos);
    EXPECT_NE(filed.find("mail.php"), std::string::npos);
    EXPECT_EQ(composer->message().attachment->data, kSample);
    advance(1);
    EXPECT_FALSE(editor->presentedViewController());
    EXPECT_EQ(editor->txtCode()->delegate().get(), static_cast<CodeTextViewDelegate*>(editor.get()));
}

// The device turned while the composer is up: the pad's composer turns with it, the phone's stays
// upright; either way the editor beneath comes up the way the device is held once it closes.
TEST_F(EditorTest, AfterTheComposerClosesTheEditorFollowsTheDevice)
{
    for (const char* device : { "iphone", "ipad" }) {
        SCOPED_TRACE(device);
        window_.reset();
        auto editor = open("mail.php", kSample, device);
        ASSERT_TRUE(editor);
        editor->btnMailPressed();
        advance(1);
        auto composer = std::dynamic_pointer_cast<MFMailComposeViewController>(editor->presentedViewController());
        ASSERT_TRUE(composer);
        UIDevice::currentDevice().setOrientation(UIDeviceOrientationLandscapeLeft);
        advance(1);
        const bool pad = std::string(device) == "ipad";
        EXPECT_EQ(UIApplication::sharedApplication().statusBarOrientation(),
                  pad ? UIInterfaceOrientationLandscapeRight : UIInterfaceOrientationPortrait);
        composer->cancelPressed();
        advance(1);
        EXPECT_FALSE(editor->presentedViewController());
        EXPECT_EQ(UIApplication::sharedApplication().statusBarOrientation(), UIInterfaceOrientationLandscapeRight);
        EXPECT_EQ(editor->interfaceOrientation(), UIInterfaceOrientationLandscapeRight);
        UIDevice::currentDevice().setOrientation(UIDeviceOrientationPortrait);
        advance(1);
        EXPECT_EQ(UIApplication::sharedApplication().statusBarOrientation(), UIInterfaceOrientationPortrait);
        navigation_->popViewControllerAnimated(false);
        window_->setRootViewController(nullptr);
    }
}

TEST_F(EditorTest, MailTypesFollowKindAndExtension)
{
    struct Case {
        const char* name;
        const char* type;
    };
    for (const Case& c : { Case { "photo.JPG", "image/jpeg" }, Case { "script.pl", "text/plain" },
                           Case { "page.phtml", "text/plain" }, Case { "slides.ppt", "application/vnd.ms-powerpoint" },
                           Case { "a.css", "text/css" }, Case { "a.js", "application/x-javascript" },
                           Case { "a.pdf", "application/pdf" }, Case { "a.gif", "image/gif" },
                           Case { "a.bmp", "image/x-ms-bmp" }, Case { "a.csv", "text/csv" }, Case { "a.xml", "text/xml" },
                           Case { "a.rtf", "application/rtf" }, Case { "a.doc", "application/msword" },
                           Case { "a.xls", "application/vnd.ms-excel" }, Case { "a.htm", "text/html" } }) {
        FileEntry entry;
        entry.setName(c.name);
        const std::string extension = entry.parseExtension();
        EXPECT_EQ(CodeWriteController::mailTypeFor(entry.extType(), extension), c.type) << c.name;
    }
}

TEST_F(EditorTest, CustomTemplateIsEditedAndSavedToTheDocumentsFolder)
{
    auto app = std::make_shared<LexiphantAppDelegate>();
    std::vector<std::u16string> templates(8);
    templates[2] = u"my template";
    app->setTemplates(templates);
    UIApplication::sharedApplication().setDelegate(app);
    NSUserDefaults::standardUserDefaults().setBool(true, "customTemplate");
    useDevice("iphone");
    editor_ = std::make_shared<CodeWriteController>();
    navigation_->pushViewControllerAnimated(editor_, false);
    turn();
    EXPECT_EQ(editor_->currentText(), u"my template");
    editor_->btnDoPressed();
    auto sheet = UIActionSheet::visibleSheets().back();
    for (int i = 0; i < sheet->numberOfButtons(); ++i)
        EXPECT_NE(sheet->buttonTitleAtIndex(i), "Email File");
    sheet->dismissWithClickedButtonIndex(sheet->cancelButtonIndex(), false);
    turn();
    editor_->txtCode()->setSelectedRange({ 11, 0 });
    editor_->txtCode()->insertText(u" v2");
    save();
    EXPECT_FALSE(UIAlertView::visibleAlert());
    const std::string path = NSFileManager::defaultManager().documentsDirectory() + "/custom_template.txt";
    EXPECT_EQ(NSFileManager::defaultManager().contentsAtPath(path).value_or(""), "my template v2");
    EXPECT_EQ(app->templates()[2], u"my template v2");
    EXPECT_FALSE(NSUserDefaults::standardUserDefaults().boolForKey("customTemplate"));
    editor_->btnClosePressed(nullptr);
    turn();
    EXPECT_FALSE(editorOnTop());
    UIApplication::sharedApplication().setDelegate(nullptr);
}

TEST_F(EditorTest, SnapshotsOfAColouredPhpFile)
{
    for (const char* device : { "iphone", "ipad" }) {
        useDevice(device);
        auto editor = open("index.php", phpOfSize(900), device);
        ASSERT_TRUE(editor);
        advance(1);
        const std::string path = snapshotFile("screens_editor", std::string("editor-php-") + device);
        EXPECT_TRUE(UIRenderer::writeScreenPNG(path)) << path;
        window_->setRootViewController(nullptr);
        window_.reset();
    }
}

}
