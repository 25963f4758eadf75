#include "Classes/Controller/CodeWriteController.h"

#include "Classes/Controller/AccentColor.h"
#include "Classes/Controller/ActionPopover.h"
#include "Classes/Controller/AlertPrompt.h"
#include "Classes/Controller/RoundedButton.h"
#include "Classes/Controller/UIColorHexColor.h"
#include "Classes/FileTemplates.h"
#include "Classes/LexiphantAppDelegate.h"
#include "Classes/Others/FileEntry.h"
#include "Classes/Others/NetworkManager.h"
#include "Classes/SyntaxColouring/SyntaxColouring.h"
#include "Classes/TextView/CodeTextView.h"
#include "Platform/CoreText/CTFont.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSThread.h"
#include "Platform/Foundation/NSURL.h"
#include "Platform/Foundation/NSURLRequest.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIActionSheet.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UIProgressView.h"
#include "Platform/UIKit/UISegmentedControl.h"
#include "Platform/UIKit/UISwitch.h"
#include "Platform/UIKit/UITextField.h"
#include "Platform/UIKit/UITextView.h"
#include "Platform/UIKit/UIWebView.h"
#include "Platform/UIKit/UIWindow.h"

#include <cstdio>

namespace {

constexpr char kButtonFontName[] = "LexitypeNeue-Bold";
constexpr char kButtonGrey[] = "6d6d6d";
constexpr CGFloat kPadCodeFontSize = 14;
constexpr CGFloat kPhoneCodeFontSize = 11;

bool onPad() { return UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad; }

void logCurrentThread() { NSLog(std::string("Current Thread:") + (isMainThread() ? "{name = main}" : "{name = (null)}")); }

// The phone sheet's items, by what they do (the sheet leaves out what cannot be done).
constexpr char kSheetGoto[] = "Go To Line";
constexpr char kSheetMail[] = "Email File";
constexpr char kSheetSearch[] = "Search";
constexpr char kSheetPreview[] = "Preview";
constexpr char kSheetColouringOff[] = "Disable Syntax Colouring";
constexpr char kSheetColouringOn[] = "Enable Syntax Colouring";

// The download progress function: runs on the transfer thread and only posts the fraction.
int downloadProgressCallback(void* client, double dltotal, double dlnow, double ultotal, double ulnow)
{
    if (client == nullptr)
        return 0;
    NSLogf("prog: %f, %f, %f, %f", dltotal, dlnow, ultotal, ulnow);
    if (dltotal > 0) {
        // The screen outlives its download (it cannot close while the activity display is up);
        // the main thread still looks it up weakly, in case it went since.
        auto* screen = static_cast<CodeWriteController*>(client);
        std::weak_ptr<UIResponder> target = screen->weak_from_this();
        const float progress = float(dlnow / dltotal);
        performOnMainThread(
            [target, progress] {
                if (auto alive = std::dynamic_pointer_cast<CodeWriteController>(target.lock()))
                    alive->setCurrentProgress(progress);
            },
            false);
    }
    return 0;
}

}

const std::array<std::u16string, 15> CodeWriteController::kExtraKeys = {
    u"\t", u"<", u"=", u">", u"(", u")", u"[", u"]", u"{", u"}", u"/", u"\\", u"$", u"'", u"\"",
};

CodeWriteController::CodeWriteController(const std::string&)
    : UIViewController(onPad() ? kClassName : std::string(kClassName) + "_iPhone")
{
}

CodeWriteController::~CodeWriteController() { NSNotificationCenter::defaultCenter().removeObserver(this); }

std::shared_ptr<CodeWriteController> CodeWriteController::selfScreen()
{
    return std::static_pointer_cast<CodeWriteController>(selfRef());
}

void CodeWriteController::declareConnections(UIConnectionTable& table)
{
    UIViewController::declareConnections(table);
    table.outlet("txtCode", txtCode_);
    table.outlet("txtLines", txtLines_);
    table.outlet("lblName", lblName_);
    table.outlet("progressView", progressView_);
    table.outlet("webView", webView_);
    table.outlet("imgBack", imgBack_);
    table.outlet("imgView", imgView_);
    table.outlet("btnClose", btnClose_);
    table.outlet("btnSave", btnSave_);
    table.outlet("btnDo", btnDo_);
    table.outlet("btnGoto", btnGoto_);
    table.outlet("btnFind", btnFind_);
    table.outlet("btnPreview", btnPreview_);
    table.outlet("btnMail", btnMail_);
    table.outlet("btnCloseArrow", btnCloseArrow_);
    table.outlet("keyboard", keyboard_);
    table.outlet("keyboardControl", keyboardControl_);
    table.outlet("swiColor", swiColor_);
    table.outlet("activity", activity_);
    table.outlet("imgLine", imgLine_);
    table.outlet("scrollCode", scrollCode_);
    table.action("btnDoPressed", [this] { btnDoPressed(); });
    table.action("btnGotoPressed:", [this](UIResponder* sender) { btnGotoPressed(sender); });
    table.action("toogleGoto:", [this](UIResponder* sender) { toogleGoto(sender); });
    table.action("btnFindPressed:", [this](UIResponder* sender) { btnFindPressed(sender); });
    table.action("btnMailPressed", [this] { btnMailPressed(); });
    table.action("btnPreviewPressed", [this] { btnPreviewPressed(); });
    table.action("btnSavePressed:", [this](UIResponder* sender) { btnSavePressed(sender); });
    table.action("btnClosePressed:", [this](UIResponder* sender) { btnClosePressed(sender); });
    table.action("toogleBack:", [this](UIResponder* sender) { toogleBack(sender); });
    table.action("btnBackPressed:", [this](UIResponder* sender) { btnBackPressed(sender); });
    table.action("btnPressed:", [this](UIResponder* sender) { btnPressed(sender); });
}

// ---- Load and appearance -------------------------------------------------------------------

void CodeWriteController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    if (txtCode_ != nullptr)
        txtCode_->setHidden(true);
    if (webView_ != nullptr)
        webView_->setHidden(true);
    txtCodePlain_.reset();

    auto self = selfScreen();
    NSNotificationCenter& center = NSNotificationCenter::defaultCenter();
    center.addObserver(self, UIKeyboardDidShowNotification, nullptr,
                       [](CodeWriteController& screen, const NSNotification& note) { screen.keyboardDidShow(note); });
    center.addObserver(self, UIKeyboardWillHideNotification, nullptr,
                       [](CodeWriteController& screen, const NSNotification& note) { screen.keyboardWillHide(note); });

    if (btnMail_ != nullptr)
        btnMail_->setHidden(true);
    const UIFontRef keyFont = UIFont::fontWithName(kButtonFontName, 18);
    if (keyboard_ != nullptr)
        for (const UIViewRef& subview : keyboard_->subviews())
            if (auto* button = dynamic_cast<UIButton*>(subview.get()))
                button->titleLabel()->setFont(keyFont);
    if (keyboardControl_ != nullptr) {
        NSAttributeDictionary attributes;
        attributes[NSFontAttributeName] = keyFont;
        keyboardControl_->setTitleTextAttributes(attributes, UIControlStateNormal);
        keyboardControl_->setTitleTextAttributes(attributes, UIControlStateSelected);
    }
    logCurrentThread();
    if (swiColor_ != nullptr)
        swiColor_->setOnTintColor(AccentColor::accentColor());

    if (!fileEntry_) {
        loadCustomTemplate();
        return;
    }
    startActivity();
    NetworkManager::sharedManager().setDelegate(std::static_pointer_cast<NetworkManagerDelegate>(self));
    if (lblName_ != nullptr)
        lblName_->setText(utf8ToUtf16(fileEntry_->name()));
    for (UIButton* button : { btnPreview_, btnGoto_, btnFind_ })
        if (button != nullptr)
            button->setHidden(true);
    startDownload();
}

void CodeWriteController::startDownload()
{
    const bool binary = isBinaryKind(fileEntry_->extType());
    if (btnSave_ != nullptr)
        btnSave_->setHidden(binary);
    DownloadRequest request { fileEntry_->name(), &downloadProgressCallback, this };
    const bool started = NetworkManager::sharedManager().beginOperation(binary ? 5 : 3, [request, binary] {
        if (binary)
            NetworkManager::sharedManager().downloadBinaryFile(request);
        else
            NetworkManager::sharedManager().downloadFile(request);
    });
    if (!started) {
        stopActivity();
        showDownloadError("Could not open file!\nAnother remote operation is still running.");
    }
}

void CodeWriteController::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    setTitle(fileEntry_ ? fileEntry_->name() : FileTemplates::kCustomTemplateFileName);
    if (progressView_ != nullptr)
        progressView_->setProgressTintColor(AccentColor::accentColor());
    if (imgBack_ != nullptr)
        imgBack_->setHidden(true);
    styleButton(btnClose_, 26, false);
    styleButton(btnSave_, 24, true);
    styleButton(btnDo_, 26, false);
    if (txtCode_ != nullptr)
        txtCode_->setDelegate(nullptr);
}

void CodeWriteController::viewDidUnload()
{
    UIViewController::viewDidUnload();
    txtCode_ = nullptr;
    txtLines_ = nullptr;
    activity_ = nullptr;
    imgView_ = nullptr;
    imgLine_ = nullptr;
    imgBack_ = nullptr;
    webView_ = nullptr;
    btnClose_ = nullptr;
    btnCloseArrow_ = nullptr;
    btnSave_ = nullptr;
    btnGoto_ = nullptr;
    btnFind_ = nullptr;
    lblName_ = nullptr;
    fileEntry_.reset();
    data_.clear();
    NSNotificationCenter& center = NSNotificationCenter::defaultCenter();
    center.removeObserver(this, UIKeyboardDidShowNotification);
    center.removeObserver(this, UIKeyboardWillHideNotification);
}

void CodeWriteController::styleButton(UIButton* button, CGFloat fontSize, bool accent)
{
    RoundedButton::style(
        button, kButtonFontName, fontSize, accent ? AccentColor::accentColor() : UIColorHexColor::colorWithHexString(kButtonGrey));
}

// The custom template: no download; template 2 is edited in the code view and saved to the
// Documents folder.
void CodeWriteController::loadCustomTemplate()
{
    std::u16string text;
    if (LexiphantAppDelegate* app = LexiphantAppDelegate::sharedDelegate();
        app != nullptr && app->templates().size() > FileTemplates::kCustomTemplateIndex)
        text = app->templates()[FileTemplates::kCustomTemplateIndex];
    if (lblName_ != nullptr)
        lblName_->setText(utf8ToUtf16(FileTemplates::kCustomTemplateFileName));
    for (UIButton* button : { btnPreview_, btnGoto_, btnFind_ })
        if (button != nullptr)
            button->setHidden(true);
    if (txtCode_ == nullptr)
        return;
    txtCode_->setHidden(false);
    txtCode_->setFont(UIFont::fontWithName(kCodeFontName, onPad() ? kPadCodeFontSize : kPhoneCodeFontSize));
    txtCode_->setText(text);
    attachCurrentViewDelegate();
    backupCode_ = currentText();
}

void CodeWriteController::saveCustomTemplate()
{
    const std::u16string text = currentText();
    const std::string path = NSFileManager::defaultManager().documentsDirectory() + "/"
        + FileTemplates::kCustomTemplateFileName;
    (void)NSFileManager::defaultManager().createDirectoryAtPath(
        NSFileManager::defaultManager().documentsDirectory(), true);
    if (!NSFileManager::defaultManager().writeToFile(path, utf16ToUtf8(text))) {
        NSLog("Could not write the custom template to " + path);
        showAlert("Error", "Could not save the custom template.");
        return;
    }
    if (LexiphantAppDelegate* app = LexiphantAppDelegate::sharedDelegate()) {
        auto& templates = app->templates();
        if (templates.size() <= FileTemplates::kCustomTemplateIndex)
            templates.resize(FileTemplates::kCount);
        templates[FileTemplates::kCustomTemplateIndex] = text;
    }
    NSUserDefaults& defaults = NSUserDefaults::standardUserDefaults();
    defaults.setBool(false, FileTemplates::kCustomTemplateKey);
    (void)defaults.synchronize();
    backupCode_ = text;
}

// ---- Downloads -----------------------------------------------------------------------------

void CodeWriteController::setCurrentProgress(float progress)
{
    if (progressView_ != nullptr)
        progressView_->setProgress(progress);
}

void CodeWriteController::startActivity()
{
    if (progressView_ != nullptr) {
        progressView_->setProgress(0);
        progressView_->setHidden(false);
    }
    if (btnClose_ != nullptr && btnClose_->superview() != nullptr) {
        UIView* bar = btnClose_->superview();
        bar->setBackgroundColor(UIColor::blackColor());
        bar->setAlpha(0.5);
        bar->setUserInteractionEnabled(false);
    }
}

void CodeWriteController::stopActivity()
{
    if (progressView_ != nullptr)
        progressView_->setHidden(true);
    if (btnClose_ != nullptr && btnClose_->superview() != nullptr) {
        UIView* bar = btnClose_->superview();
        bar->setAlpha(1);
        bar->setUserInteractionEnabled(true);
    }
}

void CodeWriteController::showDownloadError(int code)
{
    // libcurl's words alone ("Remote file not found") hide why; the server's reply tells it.
    NetworkManager& network = NetworkManager::sharedManager();
    std::string reason = network.getErrorMessage(code);
    if (const std::string reply = network.lastReplyLine(); !reply.empty())
        reason += "\n" + reply;
    showDownloadError(stringWithFormat("Could not open file (%d)!\n%s", code, reason.c_str()));
}

void CodeWriteController::showDownloadError(const std::string& message)
{
    auto alert = std::make_shared<UIAlertView>("Error", message, selfScreen(), "OK");
    downloadErrorAlert_ = alert;
    alert->show();
}

void CodeWriteController::downloadedFile(int code)
{
    logCurrentThread();
    stopActivity();
    if (code != 0) {
        showDownloadError(code);
        return;
    }
    if (txtCode_ != nullptr)
        txtCode_->setHidden(false);
    if (txtLines_ != nullptr)
        txtLines_->setHidden(true);
    if (imgView_ != nullptr)
        imgView_->setHidden(true);
    if (webView_ != nullptr)
        webView_->setHidden(true);

    EncodedString decoded = NetworkManager::getStringFromData(data_);
    currentEncoding_ = decoded.encoding;
    NSLogf("ENCODING: %d", int(currentEncoding_));
    if (data_.size() >= kLargestColouredBytes || (fileEntry_ && fileEntry_->unsupported()))
        showPlainText(decoded.string);
    else
        showColouredText(decoded.string);
    attachCurrentViewDelegate();
    backupCode_ = currentText();
}

void CodeWriteController::showPlainText(const std::u16string& text)
{
    const CGRect frame = txtCode_ != nullptr ? txtCode_->frame() : view()->bounds();
    if (txtCode_ != nullptr) {
        txtCode_->setHidden(true);
        txtCode_->setSyntaxHighlighter(nullptr);
    }
    txtCodePlain_ = UITextView::make(frame);
    txtCodePlain_->setAutoresizingMask(txtCode_ != nullptr ? txtCode_->autoresizingMask() : 18);
    txtCodePlain_->setHidden(false);
    // Over the code view, in the code view's own container, so the keyboard resizing serves both.
    if (txtCode_ != nullptr && txtCode_->superview() != nullptr)
        txtCode_->superview()->addSubview(txtCodePlain_);
    else
        view()->addSubview(txtCodePlain_);
    txtCodePlain_->setBackgroundColor(UIColor::colorWithWhite(1, 0));
    txtCodePlain_->setText(text);
    txtCodePlain_->setFont(UIFont::fontWithName(kCodeFontName, kPlainFontSize));
}

void CodeWriteController::showColouredText(const std::u16string& text)
{
    syntaxHighlight_ = std::make_shared<SyntaxColouring>(std::u16string());
    const CGFloat size = onPad() ? kPadCodeFontSize : kPhoneCodeFontSize;
    CTFontRef ctFont = CTFontCreateWithName(kCodeFontName, size);
    UIFontRef font = UIFont::fontWithName(kCodeFontName, size);
    syntaxHighlight_->setFont(ctFont);
    if (txtCode_ != nullptr)
        txtCode_->setFont(font);
    ctFont.reset();
    syntaxHighlight_->setSyntaxDefinition(fileEntry_ ? fileEntry_->name() : std::string());
    if (txtCode_ != nullptr) {
        txtCode_->setSyntaxHighlighter(syntaxHighlight_);
        syntaxHighlight_->setTextView(std::static_pointer_cast<CodeTextView>(txtCode_->shared_from_this()));
    }
    txtCodePlain_.reset();
    if (txtCode_ != nullptr)
        txtCode_->setText(text);
}

void CodeWriteController::downloadedBinary(int code)
{
    logCurrentThread();
    stopActivity();
    if (code != 0) {
        showDownloadError(code);
        return;
    }
    if (imgBack_ != nullptr)
        imgBack_->setHidden(false);
    if (txtCode_ != nullptr)
        txtCode_->setHidden(true);
    if (txtLines_ != nullptr)
        txtLines_->setHidden(true);
    if (imgView_ != nullptr)
        imgView_->setHidden(true);
    if (webView_ == nullptr || !fileEntry_)
        return;
    webView_->setHidden(false);
    NSLog("trying to display " + fileEntry_->localPath() + " ...");
    webView_->loadRequest(NSURLRequest::requestWithURL(NSURL::fileURLWithPath(fileEntry_->localPath())));
}

void CodeWriteController::webViewDidFailLoadWithError(UIWebView& webView, const NSError& error)
{
    NSLog("Failed loading file: " + error.localizedDescription());
}

// ---- The current view ----------------------------------------------------------------------

std::u16string CodeWriteController::currentText() const
{
    if (txtCodePlain_)
        return txtCodePlain_->text();
    return txtCode_ != nullptr ? txtCode_->text() : std::u16string();
}

NSRange CodeWriteController::currentSelection() const
{
    if (txtCodePlain_)
        return txtCodePlain_->selectedRange();
    return txtCode_ != nullptr ? txtCode_->selectedRange() : NSRange { 0, 0 };
}

void CodeWriteController::attachCurrentViewDelegate()
{
    if (txtCodePlain_)
        txtCodePlain_->setDelegate(std::static_pointer_cast<UITextViewDelegate>(selfScreen()));
    else if (txtCode_ != nullptr)
        txtCode_->setDelegate(std::static_pointer_cast<CodeTextViewDelegate>(selfScreen()));
}

void CodeWriteController::clearCurrentViewDelegate()
{
    if (txtCodePlain_)
        txtCodePlain_->setDelegate(nullptr);
    else if (txtCode_ != nullptr)
        txtCode_->setDelegate(nullptr);
}

void CodeWriteController::currentBecomeFirstResponder()
{
    if (txtCodePlain_)
        txtCodePlain_->becomeFirstResponder();
    else if (txtCode_ != nullptr)
        txtCode_->becomeFirstResponder();
}

void CodeWriteController::setCurrentSelection(NSRange range)
{
    if (txtCodePlain_)
        txtCodePlain_->setSelectedRange(range);
    else if (txtCode_ != nullptr)
        txtCode_->setSelectedRange(range);
}

void CodeWriteController::insertIntoCurrentView(const std::u16string& text)
{
    if (txtCodePlain_)
        txtCodePlain_->insertText(text);
    else if (txtCode_ != nullptr)
        txtCode_->insertText(text);
}

bool CodeWriteController::respondsTo(CodeTextViewDelegate::Operation operation) const
{
    using Op = CodeTextViewDelegate::Operation;
    return operation == Op::ShouldBeginEditing || operation == Op::ShouldEndEditing || operation == Op::DidBeginEditing
        || operation == Op::DidEndEditing || operation == Op::DidChange;
}

bool CodeWriteController::shouldBeginEditing()
{
    NSLog("codeViewShouldBeginEditing");
    return true;
}

bool CodeWriteController::shouldEndEditing()
{
    NSLog("codeTextViewShouldEndEditing!");
    return true;
}

void CodeWriteController::didBeginEditing() { NSLog("codeTextViewDidBeginEditing!"); }

void CodeWriteController::didEndEditing()
{
    NSLog("codeTextViewDidEndEditing!");
    if (keyboard_ != nullptr)
        keyboard_->setHidden(true);
}

// ---- Action menu ---------------------------------------------------------------------------

bool CodeWriteController::codeViewHasHighlighter() const
{
    return txtCode_ != nullptr && txtCode_->syntaxHighlighter() != nullptr;
}

void CodeWriteController::btnDoPressed()
{
    if (!onPad()) {
        std::vector<std::string> items { kSheetGoto };
        if (canMailFile())
            items.emplace_back(kSheetMail);
        items.emplace_back(kSheetSearch);
        items.emplace_back(kSheetPreview);
        items.emplace_back(codeViewHasHighlighter() ? kSheetColouringOff : kSheetColouringOn);
        auto sheet = std::make_shared<UIActionSheet>("", selfScreen(), "Cancel", "", items);
        sheet->setTag(kActionSheetTag);
        sheet->showInView(view().get());
        return;
    }
    if (!actionPopover_) {
        actionPopover_ = std::make_shared<ActionPopover>();
        actionPopover_->setDelegate(std::static_pointer_cast<ActionPopoverDelegate>(selfScreen()));
        actionController_ = std::make_shared<UIPopoverController>(actionPopover_);
    }
    if (btnDo_ == nullptr)
        return;
    const CGRect frame = btnDo_->frame();
    const CGRect anchor { { frame.origin.x + frame.size.width / 2, frame.origin.y + frame.size.height / 2 }, { 1, 1 } };
    // The button's frame is in its superview's coordinates.
    UIView* in = btnDo_->superview() != nullptr ? btnDo_->superview() : view().get();
    actionController_->presentPopoverFromRectInView(anchor, in, UIPopoverArrowDirectionUp, true);
}

void CodeWriteController::actionSheetDidDismissWithButtonIndex(UIActionSheet* actionSheet, int buttonIndex)
{
    if (actionSheet->tag() != kActionSheetTag) {
        if (actionSheet->buttonTitleAtIndex(buttonIndex) == "Yes.")
            closeScreen();
        return;
    }
    if (buttonIndex == actionSheet->cancelButtonIndex() || buttonIndex < 0)
        return;
    NSLogf("Action id %d", buttonIndex);
    const std::string item = actionSheet->buttonTitleAtIndex(buttonIndex);
    if (item == kSheetGoto)
        btnGotoPressed(nullptr);
    else if (item == kSheetMail)
        btnMailPressed();
    else if (item == kSheetSearch)
        btnFindPressed(nullptr);
    else if (item == kSheetPreview)
        btnPreviewPressed();
    else if (item == kSheetColouringOff || item == kSheetColouringOn)
        dismissMeWithAction(codeViewHasHighlighter() ? kEditorActionColouringOff : kEditorActionColouringOn);
}

void CodeWriteController::dismissMeWithAction(int action)
{
    switch (action) {
    case kEditorActionGoto:
        btnGotoPressed(nullptr);
        break;
    case kEditorActionFind:
        btnFindPressed(nullptr);
        break;
    case kEditorActionMail:
        btnMailPressed();
        break;
    case kEditorActionSnippets:
        NSLog("Snippets!");
        break;
    case kEditorActionPreview:
        btnPreviewPressed();
        break;
    case kEditorActionColouringOff:
        setColouring(false);
        break;
    case kEditorActionColouringOn:
        setColouring(true);
        break;
    default:
        break;
    }
    if (actionController_)
        actionController_->dismissPopoverAnimated(true);
}

void CodeWriteController::setColouring(bool on)
{
    if (txtCode_ == nullptr)
        return;
    if (!on) {
        txtCode_->setSyntaxHighlighter(nullptr);
        txtCode_->setText(std::u16string(txtCode_->text()));
        return;
    }
    if (data_.size() >= kLargestColouredBytes) {
        showAlert("Info", "Unfortunately Lexiphant is not able to color documents bigger than 10KB.");
        return;
    }
    txtCode_->setSyntaxHighlighter(syntaxHighlight_);
    txtCode_->setText(std::u16string(txtCode_->text()));
}

// ---- Go to line and search -----------------------------------------------------------------

std::vector<NSUInteger> CodeWriteController::lineStarts(const std::u16string& text)
{
    std::vector<NSUInteger> starts { 0 };
    NSUInteger position = 0;
    while (position < text.size()) {
        NSUInteger lineEnd = 0;
        NSUInteger contentsEnd = 0;
        getLineStart(text, nullptr, &lineEnd, &contentsEnd, NSRange { position, 0 });
        if (lineEnd == contentsEnd || lineEnd <= position)
            break; // the last line has no break
        starts.push_back(lineEnd);
        position = lineEnd;
    }
    return starts;
}

void CodeWriteController::showGotoPrompt(const char* titleFormat)
{
    const int count = int(lineStarts(currentText()).size());
    char title[64];
    std::snprintf(title, sizeof title, titleFormat, count);
    auto prompt = std::make_shared<AlertPrompt>(title, "\n", selfScreen(), "Cancel", "OK");
    prompt->setTag(count);
    prompt->show();
}

void CodeWriteController::goToLine(const std::u16string& entered)
{
    const std::u16string text = currentText();
    const std::vector<NSUInteger> starts = lineStarts(text);
    const long long line = longLongValue(entered);
    if (line < 1 || line > static_cast<long long>(starts.size()))
        return;
    currentBecomeFirstResponder();
    setCurrentSelection(NSRange { starts[std::size_t(line - 1)], 0 });
}

void CodeWriteController::btnFindPressed(UIResponder* sender)
{
    auto prompt = std::make_shared<AlertPrompt>("Search for:", "\n", selfScreen(), "Cancel", "OK");
    prompt->setTag(kSearchPromptTag);
    prompt->show();
}

void CodeWriteController::search(const std::u16string& entered)
{
    const std::u16string wanted = entered;
    const std::u16string text = currentText();
    const NSRange found = wanted.empty() ? NSRangeNotFound : rangeOfString(text, wanted);
    if (found.location == NSNotFound) {
        showAlert("Find", "Could not find '" + utf16ToUtf8(wanted) + "'.");
        return;
    }
    currentBecomeFirstResponder();
    setCurrentSelection(text.empty() ? NSRange { 0, 0 } : found);
}

// ---- Alerts --------------------------------------------------------------------------------

void CodeWriteController::showAlert(const std::string& title, const std::string& message)
{
    std::make_shared<UIAlertView>(title, message, selfScreen(), "OK")->show();
}

void CodeWriteController::alertViewDidDismissWithButtonIndex(UIAlertView* alertView, int buttonIndex)
{
    if (alertView == nullptr)
        return;
    if (alertView == downloadErrorAlert_.lock().get()) {
        closeScreen();
        return;
    }
    if (buttonIndex == alertView->cancelButtonIndex())
        return;
    auto* prompt = dynamic_cast<AlertPrompt*>(alertView);
    if (prompt == nullptr)
        return;
    if (prompt->tag() == kSearchPromptTag)
        search(prompt->enteredText());
    else
        goToLine(prompt->enteredText());
}

// ---- Mail ----------------------------------------------------------------------------------

bool CodeWriteController::isBinaryKind(int kind)
{
    return kind == 6 || (kind >= 8 && kind <= 12);
}

std::string CodeWriteController::mailTypeFor(int kind, const std::string& upperExtension)
{
    switch (kind) {
    case 1: return "text/plain";
    case 2: return "text/css";
    case 3: return "text/html";
    case 4: return "application/x-javascript";
    case 5: return "text/php";
    case 7: return "text/xml";
    case 13: return "text/csv";
    case 15:
    case 17: return "text/plain";
    default: break;
    }
    if (upperExtension == "PL" || upperExtension == "PM" || upperExtension == "ASP" || upperExtension == "ASPX")
        return "text/plain";
    switch (kind) {
    case 8: return "application/vnd.ms-excel";
    case 9: return "application/pdf";
    case 10: return "application/vnd.ms-powerpoint";
    case 11: return "application/msword";
    case 12: return "application/rtf";
    default: break;
    }
    if (upperExtension == "PNG")
        return "image/png";
    if (upperExtension == "JPG" || upperExtension == "JPEG")
        return "image/jpeg";
    if (upperExtension == "BMP")
        return "image/x-ms-bmp";
    if (upperExtension == "GIF")
        return "image/gif";
    return "text/plain";
}

void CodeWriteController::btnMailPressed()
{
    // Nothing to attach without a file.
    if (!fileEntry_)
        return;
    if (!MFMailComposeViewController::canSendMail()) {
        showAlert("Mail", "Could not send the file: this device cannot send mail.");
        return;
    }
    auto composer = std::make_shared<MFMailComposeViewController>();
    composer->setMailComposeDelegate(std::static_pointer_cast<MFMailComposeViewControllerDelegate>(selfScreen()));
    FileEntry probe;
    probe.setName(fileEntry_->name());
    const std::string extension = uppercaseString(probe.parseExtension());
    const int kind = fileEntry_->extType();
    NSData attachment = data_;
    if (isBinaryKind(kind))
        attachment = NSFileManager::defaultManager().contentsAtPath(fileEntry_->localPath()).value_or(NSData());
    composer->addAttachmentData(std::move(attachment), mailTypeFor(kind, extension), fileEntry_->name());
    presentModalViewControllerAnimated(composer, true);
}

void CodeWriteController::mailComposeControllerDidFinishWithResult(MFMailComposeViewController& controller,
                                                                   MFMailComposeResult result, const NSError* error)
{
    becomeFirstResponder();
    dismissModalViewControllerAnimated(true);
    viewWillAppear(false);
    // The appearance step leaves the code view without its delegate; the screen keeps following it.
    if (backupCode_)
        attachCurrentViewDelegate();
    if (result == MFMailComposeResultFailed)
        showAlert("Mail", "Could not send the file!\n" + (error != nullptr ? error->localizedDescription() : std::string()));
}

// ---- Extra keys and keyboard ---------------------------------------------------------------

void CodeWriteController::btnPressed(UIResponder* sender)
{
    if (auto* control = dynamic_cast<UISegmentedControl*>(sender)) {
        const int index = control->selectedSegmentIndex();
        if (index >= 0 && index < int(kExtraKeys.size()))
            insertIntoCurrentView(kExtraKeys[std::size_t(index)]);
    }
    if (auto* view = dynamic_cast<UIView*>(sender)) {
        const int tag = view->tag();
        if (tag >= 1 && tag <= int(kExtraKeys.size()))
            insertIntoCurrentView(kExtraKeys[std::size_t(tag - 1)]);
    }
}

void CodeWriteController::btnBackPressed(UIResponder* sender)
{
    NSLog("backPressed!");
    if (txtCode_ != nullptr)
        txtCode_->resignFirstResponder();
    if (txtCodePlain_)
        txtCodePlain_->resignFirstResponder();
}

void CodeWriteController::keyboardDidShow(const NSNotification& notification)
{
    NSLog("keyboardDidShow!");
    if (txtCode_ == nullptr || txtCode_->superview() == nullptr)
        return;
    UIView* container = txtCode_->superview();
    CGRect keyboardRect {};
    if (const auto* rect = notification.userInfoValue<CGRect>(UIKeyboardFrameEndUserInfoKey))
        keyboardRect = *rect;
    const auto& windows = UIApplication::sharedApplication().windows();
    if (!windows.empty() && windows.front()->rootViewController())
        keyboardRect = windows.front()->rootViewController()->view()->convertRectFromView(keyboardRect, windows.front().get());
    // Every show starts again from the frames before the first one, so show after show never
    // shrinks the text further.
    if (!baseContainerFrame_) {
        baseContainerFrame_ = container->frame();
        baseCodeFrame_ = txtCode_->frame();
    }
    CGRect containerFrame = *baseContainerFrame_;
    containerFrame.size.height -= keyboardRect.size.height;
    container->setFrame(containerFrame);
    const CGFloat barHeight = keyboard_ != nullptr ? keyboard_->frame().size.height : 0;
    if (keyboard_ != nullptr)
        keyboard_->setHidden(false);
    CGRect codeFrame = *baseCodeFrame_;
    codeFrame.size.height -= keyboardRect.size.height + barHeight / 2;
    for (UIView* shown : { static_cast<UIView*>(txtCode_), static_cast<UIView*>(txtCodePlain_.get()) })
        if (shown != nullptr)
            shown->setFrame(codeFrame);
    // The caret was scrolled to before the view lost the keyboard's height: it may lie under
    // the keyboard now.
    if (txtCodePlain_)
        txtCodePlain_->scrollRangeToVisible(txtCodePlain_->selectedRange());
    else
        txtCode_->scrollCaretToVisible(true);
}

void CodeWriteController::keyboardWillHide(const NSNotification& notification)
{
    NSLog("keyboardWillHide!");
    if (txtCode_ == nullptr || txtCode_->superview() == nullptr)
        return;
    txtCode_->superview()->setFrame(view()->frame());
    if (keyboard_ != nullptr)
        keyboard_->setHidden(true);
    if (baseCodeFrame_)
        for (UIView* shown : { static_cast<UIView*>(txtCode_), static_cast<UIView*>(txtCodePlain_.get()) })
            if (shown != nullptr)
                shown->setFrame(*baseCodeFrame_);
    baseCodeFrame_.reset();
    baseContainerFrame_.reset();
}

// ---- Close and save ------------------------------------------------------------------------

bool CodeWriteController::hasChanges() const { return backupCode_ && currentText() != *backupCode_; }

void CodeWriteController::btnClosePressed(UIResponder* sender)
{
    NSLog("btnClosePressed!");
    closeAsking();
}

void CodeWriteController::closeAsking()
{
    if (!hasChanges()) {
        closeScreen();
        return;
    }
    auto sheet = std::make_shared<UIActionSheet>("Close file and discard all changes?", selfScreen(), "", "Yes.",
                                                 std::vector<std::string> { "No!" });
    sheet->showInView(view().get());
}

void CodeWriteController::closeScreen()
{
    clearCurrentViewDelegate();
    if (UINavigationController* navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}

void CodeWriteController::btnSavePressed(UIResponder* sender)
{
    if (!hasChanges() || isSaving()) {
        if (!isSaving())
            showAlert("Info", "No changes were made to the file. There is no need to save it.");
        return;
    }
    if (!fileEntry_) {
        saveCustomTemplate();
        return;
    }
    NetworkManager& network = NetworkManager::sharedManager();
    if (network.isBusy()) {
        showAlert("Error", "Could not save file!\nAnother remote operation is still running.");
        return;
    }
    network.setDelegate(std::static_pointer_cast<NetworkManagerDelegate>(selfScreen()));
    startActivity();
    uploadingText_ = currentText();
    // Written back in the encoding it was read with where the text still fits it.
    UploadRequest request { fileEntry_->name(), *uploadingText_, currentEncoding_ };
    if (!network.beginOperation(4, [request] { NetworkManager::sharedManager().uploadASCII(request); })) {
        uploadingText_.reset();
        stopActivity();
        showAlert("Error", "Could not save file!\nAnother remote operation is still running.");
    }
}

void CodeWriteController::uploadedFileWithReport(const SaveReport& report)
{
    stopActivity();
    std::optional<std::u16string> uploaded = std::move(uploadingText_);
    uploadingText_.reset();
    if (report.saved()) {
        // What was stored is the text as it was when the save began; edits typed since stay unsaved.
        if (uploaded)
            backupCode_ = std::move(uploaded);
        // Stored as UTF-8 now: later saves keep it so, and the switch is told once.
        if (report.switchedToUTF8)
            currentEncoding_ = NSUTF8StringEncoding;
    }
    if (const SaveResultText shown = saveResultText(report); !shown.message.empty())
        showAlert(shown.title, shown.message);
}

void CodeWriteController::registerInterfaceClass(UIClassRegistry& registry)
{
    registry.registerClass(kClassName, "UIViewController", [] { return std::make_shared<CodeWriteController>(); });
}
