#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Classes/Controller/ActionPopoverDelegate.h"
#include "Classes/Controller/FileEntryScreen.h"
#include "Classes/Others/NetworkManagerDelegate.h"
#include "Classes/TextView/CodeTextViewDelegate.h"
#include "Platform/Foundation/NSData.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSStringEncoding.h"
#include "Platform/MessageUI/MFMailComposeViewController.h"
#include "Platform/UIKit/UIActionSheetDelegate.h"
#include "Platform/UIKit/UIAlertViewDelegate.h"
#include "Platform/UIKit/UITextViewDelegate.h"
#include "Platform/UIKit/UIViewController.h"
#include "Platform/UIKit/UIWebViewDelegate.h"

class ActionPopover;
class CodeTextView;
class FileEntry;
class SyntaxColouring;
class UIActionSheet;
class UIAlertView;
class UIButton;
class UIImageView;
class UILabel;
class UIPopoverController;
class UIProgressView;
class UISegmentedControl;
class UISwitch;
class UITextView;
class UIWebView;

// The editor: downloads one remote file and shows it, a text in the coloured code view (or, when
// large or of an unlisted kind, in the plain view), a binary copy in the web view; offers go to
// line, search, mail, colouring off and on and an extra-keys bar; saves the whole text back.
// Without a file entry it edits the user's custom template. Main thread only, except the
// download progress function.
class CodeWriteController : public UIViewController,
                            public FileEntryScreen,
                            public UIActionSheetDelegate,
                            public NetworkManagerDelegate,
                            public UITextViewDelegate,
                            public UIWebViewDelegate,
                            public MFMailComposeViewControllerDelegate,
                            public UIAlertViewDelegate,
                            public ActionPopoverDelegate,
                            public CodeTextViewDelegate {
public:
    static constexpr const char* kClassName = FileEntryScreen::kEditorClassName;
    // Downloaded texts of this many bytes or more are neither coloured nor shown in the code view.
    static constexpr std::size_t kLargestColouredBytes = 10240;
    static constexpr int kActionSheetTag = 100;
    static constexpr int kSearchPromptTag = -1;
    static constexpr char kCodeFontName[] = "Droid Sans Mono";
    static constexpr CGFloat kPlainFontSize = 14;
    // The code view's text runs from its edges; the plain view's does too.
    static constexpr CGFloat kPlainTextInset = 0;
    // The extra keys, by segment index (button tag - 1).
    static const std::array<std::u16string, 15> kExtraKeys;

    // The name is ignored: "CodeWriteController" on a pad, "..._iPhone" else.
    explicit CodeWriteController(const std::string& nibName = {});
    ~CodeWriteController() override;

    // Fields and outlets.
    [[nodiscard]] const std::shared_ptr<FileEntry>& fileEntry() const { return fileEntry_; }
    void setFileEntry(std::shared_ptr<FileEntry> entry) override { fileEntry_ = std::move(entry); }
    [[nodiscard]] const NSData& data() const { return data_; }
    [[nodiscard]] const std::optional<std::u16string>& backupCode() const { return backupCode_; }
    [[nodiscard]] CodeTextView* txtCode() const { return txtCode_; }
    [[nodiscard]] const std::shared_ptr<UITextView>& txtCodePlain() const { return txtCodePlain_; }
    [[nodiscard]] const std::shared_ptr<SyntaxColouring>& syntaxHighlight() const { return syntaxHighlight_; }
    [[nodiscard]] NSStringEncoding currentEncoding() const { return currentEncoding_; }
    [[nodiscard]] const std::shared_ptr<ActionPopover>& actionPopover() const { return actionPopover_; }
    [[nodiscard]] const std::shared_ptr<UIPopoverController>& actionController() const { return actionController_; }
    [[nodiscard]] UILabel* lblName() const { return lblName_; }
    [[nodiscard]] UIProgressView* progressView() const { return progressView_; }
    [[nodiscard]] UIWebView* webView() const { return webView_; }
    [[nodiscard]] UIImageView* imgBack() const { return imgBack_; }
    [[nodiscard]] UIButton* btnClose() const { return btnClose_; }
    [[nodiscard]] UIButton* btnSave() const { return btnSave_; }
    [[nodiscard]] UIButton* btnDo() const { return btnDo_; }
    [[nodiscard]] UIView* keyboard() const { return keyboard_; }
    [[nodiscard]] UISegmentedControl* keyboardControl() const { return keyboardControl_; }
    // Whether an upload runs (the activity display is up for it).
    [[nodiscard]] bool isSaving() const { return uploadingText_.has_value(); }

    // The text of the current view: the plain view when there is one, else the code view.
    [[nodiscard]] std::u16string currentText() const;
    [[nodiscard]] NSRange currentSelection() const;

    // Operations of the screen.
    void setCurrentProgress(float progress);
    void startActivity();
    void stopActivity();
    void btnDoPressed();
    // Go to line and search: only where a text is shown.
    void btnGotoPressed(UIResponder* sender) { showGotoPrompt("Go to line (1-%d):\n"); }
    void toogleGoto(UIResponder* sender) { showGotoPrompt("Go to line (1-%d):"); }
    void btnFindPressed(UIResponder* sender);
    void btnMailPressed();
    void btnPreviewPressed() { }
    void btnSavePressed(UIResponder* sender);
    void btnClosePressed(UIResponder* sender);
    void toogleBack(UIResponder* sender) { closeAsking(); }
    void btnBackPressed(UIResponder* sender);
    void btnPressed(UIResponder* sender);
    void keyboardDidShow(const NSNotification& notification);
    void keyboardWillHide(const NSNotification& notification);
    // How much of the screen's view a keyboard at that screen rectangle covers, from the bottom.
    [[nodiscard]] CGFloat keyboardCoverage(CGRect keyboardOnScreen);

    // ActionPopoverDelegate
    void dismissMeWithAction(int action) override;
    [[nodiscard]] bool codeViewHasHighlighter() const override;
    [[nodiscard]] bool canMailFile() const override { return fileEntry_ != nullptr; }
    // False for a picture, PDF or office document in the web view.
    [[nodiscard]] bool showsText() const override;

    // NetworkManagerDelegate
    void setData(NSData data) override { data_ = std::move(data); }
    void downloadedFile(int code) override;
    void downloadedBinary(int code) override;
    void uploadedFileWithReport(const SaveReport& report) override;
    [[nodiscard]] std::shared_ptr<FileEntry> binaryDownloadEntry() const override { return fileEntry_; }

    // UIAlertViewDelegate
    void alertViewDidDismissWithButtonIndex(UIAlertView* alertView, int buttonIndex) override;
    // UIActionSheetDelegate
    void actionSheetDidDismissWithButtonIndex(UIActionSheet* actionSheet, int buttonIndex) override;
    // MFMailComposeViewControllerDelegate
    void mailComposeControllerDidFinishWithResult(MFMailComposeViewController& controller, MFMailComposeResult result,
                                                  const NSError* error) override;
    // UIWebViewDelegate
    void webViewDidFailLoadWithError(UIWebView& webView, const NSError& error) override;

    // CodeTextViewDelegate (and the plain view's delegate under the same names)
    [[nodiscard]] bool respondsTo(CodeTextViewDelegate::Operation operation) const override;
    using NetworkManagerDelegate::respondsTo;
    [[nodiscard]] bool textViewShouldBeginEditing(CodeTextView* textView) override { return shouldBeginEditing(); }
    [[nodiscard]] bool textViewShouldEndEditing(CodeTextView* textView) override { return shouldEndEditing(); }
    void textViewDidBeginEditing(CodeTextView* textView) override { didBeginEditing(); }
    void textViewDidEndEditing(CodeTextView* textView) override { didEndEditing(); layoutForKeyboard(); }
    void textViewDidChange(CodeTextView* textView) override { }
    [[nodiscard]] bool textViewShouldBeginEditing(UITextView* textView) override { return shouldBeginEditing(); }
    [[nodiscard]] bool textViewShouldEndEditing(UITextView* textView) override { return shouldEndEditing(); }
    void textViewDidBeginEditing(UITextView* textView) override { didBeginEditing(); }
    void textViewDidEndEditing(UITextView* textView) override { didEndEditing(); layoutForKeyboard(); }
    void textViewDidChange(UITextView* textView) override { }

    // UIViewController
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidUnload() override;
    [[nodiscard]] bool shouldAutorotate() override { return true; }
    [[nodiscard]] bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation orientation) override { return true; }
    [[nodiscard]] unsigned supportedInterfaceOrientations() override { return 30; }
    void willAnimateRotationToInterfaceOrientationDuration(UIInterfaceOrientation orientation, double duration) override;

    // Plain rules of the screen.
    // Where each line of the text starts, in UTF-16 units: after every hard line break (LF, CR,
    // CR LF as one, NEL, U+2028, U+2029), so a text ending in a break has an empty last line.
    [[nodiscard]] static std::vector<NSUInteger> lineStarts(const std::u16string& text);
    // The mail type of a file from its kind and upper-cased extension.
    [[nodiscard]] static std::string mailTypeFor(int kind, const std::string& upperExtension);
    [[nodiscard]] static bool isBinaryKind(int kind);

    static void registerInterfaceClass(UIClassRegistry& registry);

protected:
    void declareConnections(UIConnectionTable& table) override;

private:
    [[nodiscard]] std::shared_ptr<CodeWriteController> selfScreen();
    [[nodiscard]] bool shouldBeginEditing();
    [[nodiscard]] bool shouldEndEditing();
    void didBeginEditing();
    void didEndEditing();
    void loadCustomTemplate();
    void saveCustomTemplate();
    void startDownload();
    void showPlainText(const std::u16string& text);
    void showColouredText(const std::u16string& text);
    // The current view's line break for what is typed and pasted: the loaded text's first.
    void keepLineBreakOf(const std::u16string& loaded);
    void attachCurrentViewDelegate();
    void clearCurrentViewDelegate();
    void currentBecomeFirstResponder();
    void setCurrentSelection(NSRange range);
    void insertIntoCurrentView(const std::u16string& text);
    void showGotoPrompt(const char* titleFormat);
    void goToLine(const std::u16string& entered);
    void search(const std::u16string& entered);
    void setColouring(bool on);
    void closeAsking();
    // The code view's container, the extra-keys bar and the code view for a keyboard that covers
    // that much of the screen's view (0: none).
    void layoutForKeyboard(CGFloat coverage);
    void layoutForKeyboard(); // for the keyboard as it is now
    void closeScreen();
    void showAlert(const std::string& title, const std::string& message);
    void showDownloadError(int code);
    void showDownloadError(const std::string& message);
    void styleButton(UIButton* button, CGFloat fontSize, bool accent);
    [[nodiscard]] bool hasChanges() const;

    std::shared_ptr<FileEntry> fileEntry_;
    NSData data_;
    std::optional<std::u16string> backupCode_; // the saved state; none until a text is loaded
    std::optional<std::u16string> uploadingText_; // the text of the upload under way
    std::shared_ptr<UITextView> txtCodePlain_;
    std::shared_ptr<SyntaxColouring> syntaxHighlight_;
    NSStringEncoding currentEncoding_ { static_cast<NSStringEncoding>(0) };
    std::shared_ptr<ActionPopover> actionPopover_;
    std::shared_ptr<UIPopoverController> actionController_;
    // The download-error alert, told apart from every other alert by identity.
    std::weak_ptr<UIAlertView> downloadErrorAlert_;

    // Outlets: the view tree owns them.
    CodeTextView* txtCode_ { nullptr };
    UILabel* lblName_ { nullptr };
    UIProgressView* progressView_ { nullptr };
    UIWebView* webView_ { nullptr };
    UIImageView* imgBack_ { nullptr };
    UIImageView* imgView_ { nullptr };
    UITextView* txtLines_ { nullptr };
    UIButton* btnClose_ { nullptr };
    UIButton* btnSave_ { nullptr };
    UIButton* btnDo_ { nullptr };
    UIButton* btnGoto_ { nullptr };
    UIButton* btnFind_ { nullptr };
    UIButton* btnPreview_ { nullptr };
    UIButton* btnMail_ { nullptr };
    UIButton* btnCloseArrow_ { nullptr };
    UIView* keyboard_ { nullptr };
    UISegmentedControl* keyboardControl_ { nullptr };
    UISwitch* swiColor_ { nullptr };
    UIView* activity_ { nullptr };
    UIImageView* imgLine_ { nullptr };
    UIView* scrollCode_ { nullptr };
};
