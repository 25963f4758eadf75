#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Platform/Foundation/NSData.h"
#include "Platform/Foundation/NSError.h"
#include "Platform/MessageUI/MFMailMessageWriter.h"
#include "Platform/UIKit/UIViewController.h"

class UIButton;
class UILabel;
class UITextField;
class UITextView;

enum MFMailComposeResult : int {
    MFMailComposeResultCancelled = 0,
    MFMailComposeResultSaved = 1,
    MFMailComposeResultSent = 2,
    MFMailComposeResultFailed = 3,
};

class MFMailComposeViewController;

// Hears how the compose screen ended; the error is set only for a failure.
class MFMailComposeViewControllerDelegate {
public:
    virtual ~MFMailComposeViewControllerDelegate() = default;
    virtual void mailComposeControllerDidFinishWithResult(MFMailComposeViewController& controller, MFMailComposeResult result,
                                                          const NSError* error) { }
};

// The compose screen, presented modally: To, Subject and the body as fields the person types in,
// the attachment's name and size, with Cancel and Send (enabled once there is a recipient). On a
// pad it turns with the device. Send files the message in the app home's Outbox (see
// MFMailMessageWriter) and reports sent, or failed with the error; Cancel reports cancelled.
// The screen does not dismiss itself: its delegate does, as on the device.
class MFMailComposeViewController : public UIViewController {
public:
    MFMailComposeViewController();

    // Whether a mail can be filed: the Outbox exists or can be made and written to.
    [[nodiscard]] static bool canSendMail();

    [[nodiscard]] std::shared_ptr<MFMailComposeViewControllerDelegate> mailComposeDelegate() const { return delegate_.lock(); }
    void setMailComposeDelegate(std::weak_ptr<MFMailComposeViewControllerDelegate> delegate) { delegate_ = std::move(delegate); }

    void setToRecipients(std::vector<std::string> recipients);
    void setCcRecipients(std::vector<std::string> recipients);
    void setBccRecipients(std::vector<std::string> recipients);
    void setSubject(std::string subject);
    void setMessageBody(std::string body, bool isHTML);
    // One attachment: a later call replaces it.
    void addAttachmentData(NSData data, std::string mimeType, std::string fileName);

    // The message as set and as typed so far.
    [[nodiscard]] const MFMailMessage& message();
    // Where Send filed the last message ("" before).
    [[nodiscard]] const std::string& sentPath() const { return sentPath_; }

    // The buttons' actions.
    void cancelPressed();
    void sendPressed();

    // "1.5 KB"-style sizes of the attachment line.
    [[nodiscard]] static std::string sizeText(std::size_t bytes);

    void viewDidLoad() override;
    [[nodiscard]] bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation orientation) override;

protected:
    void declareConnections(UIConnectionTable& table) override;

private:
    void finish(MFMailComposeResult result, const NSError* error);
    void refresh();
    // Takes what was typed into the message.
    void readFields();
    void fieldChanged();
    void fieldReturned(UITextField* field);

    std::weak_ptr<MFMailComposeViewControllerDelegate> delegate_;
    MFMailMessage message_;
    std::string sentPath_;
    bool finished_ { false };
    UITextField* toField_ { nullptr }; // not owned: the view tree owns these
    UITextField* subjectField_ { nullptr };
    UITextView* bodyView_ { nullptr };
    UILabel* attachmentLabel_ { nullptr };
    UIButton* sendButton_ { nullptr };
};
