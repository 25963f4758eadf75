#include "Classes/Controller/CodeWriteController.h"

#include "Classes/Controller/AccentColor.h"
#include "Classes/Controller/ActionPopover.h"
#include "Classes/Controller/AlertPrompt.h"
#include "Classes/Controller/BusyAlert.h"
#include "Classes/Controller/FailureReason.h"
#include "Classes/Controller/RoundedButton.h"
#include "Classes/Controller/UIColorHexColor.h"
#include "Classes/FileTemplates.h"
#include "Classes/LexiphantAppDelegate.h"
#include "Classes/Others/FileEntry.h"
#include "Classes/Others/NetworkManager.h"
#include "Classes/SyntaxColouring/SyntaxColouring.h"
#include "Classes/TextView/CodeTextView.h"
#include "Platform/CoreText/CTFont.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSThread.h"
#include "Platform/Foundation/NSURL.h"
#include "Platform/Foundation/NSURLRequest.h"
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


namespace {

constexpr char kButtonFontName[] = "LexitypeNeue-Bold";
constexpr char kButtonGrey[] = "6d6d6d";
constexpr CGFloat kPadCodeFontSize = 14;
constexpr CGFloat kPhoneCodeFontSize = 11;

bool onPad() { return UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad; }

void logCurrentThread() { NSLog(std::string("Current Thread:") + (isMainThread() ? "{name = main}" : "{name = (null)}")); }


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
        downloadErrorAlert_ = BusyAlert::show(BusyAlert::kFileNotOpened, selfScreen());
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
    keepLineBreakOf(text);
    attachCurrentViewDelegate();
    backupCode_ = currentText();
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
    const std::string reply = network.lastReplyLine();
    if (!reply.empty()) {
        // "Remote file not found" beside "550 Permission denied" would contradict the server.
        std::string lower = reply;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        if (NetworkManager::refusedRetrieval(code) && lower.find("not found") == std::string::npos
            && lower.find("no such") == std::string::npos)
            reason = "The server refused to send the file.";
    }
    reason = FailureReason::withReply(std::move(reason), reply);
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
    keepLineBreakOf(decoded.string);
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
    // Read like the code view beneath: its light background, dark text and margins (a clear
    // view would show black text on the screen's dark background).
    txtCodePlain_->setBackgroundColor(txtCode_ != nullptr && txtCode_->backgroundColor() ? txtCode_->backgroundColor()
                                                                                          : UIColor::whiteColor());
    txtCodePlain_->setTextColor(UIColor::blackColor());
    txtCodePlain_->setTextInset(kPlainTextInset);
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

void CodeWriteController::keepLineBreakOf(const std::u16string& loaded)
{
    // Typed and pasted breaks take the file's own (its first), so a saved file keeps its line
    // endings; a file without one gets LF.
    const std::u16string first = firstLineBreak(loaded);
    const std::u16string lineBreak = first.empty() ? std::u16string(1, u'\n') : first;
    if (txtCodePlain_)
        txtCodePlain_->setLineBreak(lineBreak);
    else if (txtCode_ != nullptr)
        txtCode_->setLineBreak(lineBreak);
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
    // The keyboard never comes up over a picture.
    if (!showsText())
        return;
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

void CodeWriteController::didBeginEditing()
{
    NSLog("codeTextViewDidBeginEditing!");
    // The keyboard may have stayed up (another field had it): the bar comes back on it now.
    if (UIApplication::sharedApplication().isKeyboardVisible())
        layoutForKeyboard(keyboardCoverage(UIApplication::sharedApplication().keyboardFrame()));
}

void CodeWriteController::didEndEditing()
{
    NSLog("codeTextViewDidEndEditing!");
    if (keyboard_ != nullptr)
        keyboard_->setHidden(true);
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

// ---- Close -----------------------------------------------------------------------------------

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

void CodeWriteController::registerInterfaceClass(UIClassRegistry& registry)
{
    registry.registerClass(kClassName, "UIViewController", [] { return std::make_shared<CodeWriteController>(); });
}
