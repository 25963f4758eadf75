// The editor's actions: the action menu (the pad's popover, the phone's sheet), the colouring
// switch, go to line, search and mail.
#include "Classes/Controller/CodeWriteController.h"

#include "Classes/Controller/ActionPopover.h"
#include "Classes/Controller/AlertPrompt.h"
#include "Classes/Others/FileEntry.h"
#include "Classes/TextView/CodeTextView.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIActionSheet.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIPopoverController.h"

#include <cstdio>

namespace {

// The phone sheet's items, by what they do (the sheet leaves out what cannot be done).
constexpr char kSheetGoto[] = "Go To Line";
constexpr char kSheetMail[] = "Email File";
constexpr char kSheetSearch[] = "Search";
constexpr char kSheetPreview[] = "Preview";
constexpr char kSheetColouringOff[] = "Disable Syntax Colouring";
constexpr char kSheetColouringOn[] = "Enable Syntax Colouring";

}

// ---- Action menu ---------------------------------------------------------------------------

bool CodeWriteController::codeViewHasHighlighter() const
{
    return txtCode_ != nullptr && txtCode_->syntaxHighlighter() != nullptr;
}

bool CodeWriteController::showsText() const { return !fileEntry_ || !isBinaryKind(fileEntry_->extType()); }

void CodeWriteController::btnDoPressed()
{
    if (UI_USER_INTERFACE_IDIOM() != UIUserInterfaceIdiomPad) {
        const bool text = showsText();
        std::vector<std::string> items;
        if (text)
            items.emplace_back(kSheetGoto);
        if (canMailFile())
            items.emplace_back(kSheetMail);
        if (text)
            items.emplace_back(kSheetSearch);
        items.emplace_back(kSheetPreview);
        if (text)
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
    // Anchored in the button itself, so the arrow follows it when a turn moves it.
    const CGRect b = btnDo_->bounds();
    actionController_->presentPopoverFromRectInView(CGRectMake(CGRectGetMidX(b), CGRectGetMidY(b), 1, 1), btnDo_,
                                                    UIPopoverArrowDirectionUp, true);
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
    // Over a picture, nothing edits, searches or colours a text (the hidden code view's).
    const bool textAction = action == kEditorActionGoto || action == kEditorActionFind
        || action == kEditorActionColouringOff || action == kEditorActionColouringOn;
    if (textAction && !showsText())
        action = 0;
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
    if (!showsText())
        return;
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
    if (!showsText())
        return;
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
