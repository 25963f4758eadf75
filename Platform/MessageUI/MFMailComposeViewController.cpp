#include "Platform/MessageUI/MFMailComposeViewController.h"

#include <unistd.h>

#include <algorithm>
#include <ctime>

#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIControl.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UITextField.h"
#include "Platform/UIKit/UITextView.h"
#include "Platform/UIKit/UIView.h"

namespace {

constexpr CGFloat kBarHeight = 44;
constexpr CGFloat kRowHeight = 40;
constexpr CGFloat kInset = 10;
constexpr CGFloat kCaptionWidth = 78;

std::u16string joined(const std::vector<std::string>& items)
{
    std::string out;
    for (const std::string& item : items) {
        out += (out.empty() ? "" : ", ") + item;
    }
    return utf8ToUtf16(out);
}

// Addresses as typed: separated by commas or semicolons ("Ann Example <ann@example.org>" is one).
std::vector<std::string> splitRecipients(const std::string& typed)
{
    std::vector<std::string> out;
    std::string current;
    for (const char c : typed + ",") {
        if (c != ',' && c != ';') {
            current += c;
            continue;
        }
        const auto first = current.find_first_not_of(" \t\r\n");
        if (first != std::string::npos) {
            out.push_back(current.substr(first, current.find_last_not_of(" \t\r\n") - first + 1));
        }
        current.clear();
    }
    return out;
}

std::shared_ptr<UILabel> makeLabel(CGRect frame, const UIFontRef& font, const UIColorRef& color)
{
    auto label = std::make_shared<UILabel>(frame);
    label->setFont(font);
    label->setTextColor(color);
    label->setBackgroundColor(UIColor::clearColor());
    label->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    return label;
}

}

MFMailComposeViewController::MFMailComposeViewController()
{
    setTitle("New Message");
    setModalPresentationStyle(UIModalPresentationFormSheet);
}

bool MFMailComposeViewController::canSendMail()
{
    const std::string outbox = NSFileManager::defaultManager().outboxDirectory();
    return NSFileManager::defaultManager().createDirectoryAtPath(outbox, true, 0700) && access(outbox.c_str(), W_OK) == 0;
}

void MFMailComposeViewController::setToRecipients(std::vector<std::string> recipients)
{
    message_.toRecipients = std::move(recipients);
    refresh();
}

void MFMailComposeViewController::setCcRecipients(std::vector<std::string> recipients) { message_.ccRecipients = std::move(recipients); }
void MFMailComposeViewController::setBccRecipients(std::vector<std::string> recipients) { message_.bccRecipients = std::move(recipients); }

void MFMailComposeViewController::setSubject(std::string subject)
{
    message_.subject = std::move(subject);
    refresh();
}

void MFMailComposeViewController::setMessageBody(std::string body, bool isHTML)
{
    message_.body = std::move(body);
    message_.bodyIsHTML = isHTML;
    refresh();
}

void MFMailComposeViewController::addAttachmentData(NSData data, std::string mimeType, std::string fileName)
{
    message_.attachment = MFMailMessage::Attachment { std::move(data), std::move(mimeType), std::move(fileName) };
    refresh();
}

std::string MFMailComposeViewController::sizeText(std::size_t bytes)
{
    if (bytes < 1024) {
        return stringWithFormat("%zu bytes", bytes);
    }
    if (bytes < 1024 * 1024) {
        return stringWithFormat("%.1f KB", bytes / 1024.0);
    }
    return stringWithFormat("%.1f MB", bytes / (1024.0 * 1024.0));
}

void MFMailComposeViewController::declareConnections(UIConnectionTable& table)
{
    UIViewController::declareConnections(table);
    table.action("cancelPressed", [this] { cancelPressed(); });
    table.action("sendPressed", [this] { sendPressed(); });
    table.action("fieldChanged", [this] { fieldChanged(); });
    table.action("toReturned", [this] { fieldReturned(toField_); });
    table.action("subjectReturned", [this] { fieldReturned(subjectField_); });
}

bool MFMailComposeViewController::shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation orientation)
{
    // The pad's sheet turns with the device; the phone's screen stays upright.
    return UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad || orientation == UIInterfaceOrientationPortrait;
}

void MFMailComposeViewController::viewDidLoad()
{
    UIView& root = *view();
    root.setBackgroundColor(UIColor::whiteColor());
    const CGFloat width = root.bounds().size.width;
    static const UIColorRef grey = UIColor::colorWithWhite(0.45, 1);
    static const UIColorRef line = UIColor::colorWithWhite(0.82, 1);

    auto bar = std::make_shared<UIView>(CGRectMake(0, 0, width, kBarHeight));
    bar->setBackgroundColor(UIColor::colorWithRed(0.80, 0.83, 0.87, 1));
    bar->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    root.addSubview(bar);
    auto title = makeLabel(CGRectMake(80, 0, width - 160, kBarHeight), UIFont::boldSystemFontOfSize(17), UIColor::colorWithWhite(0.2, 1));
    title->setTextAlignment(UITextAlignmentCenter);
    title->setText(utf8ToUtf16(this->title()));
    bar->addSubview(title);
    const std::weak_ptr<UIResponder> self = selfRef();
    auto button = [&](const std::u16string& text, CGRect frame, const char* action, unsigned mask) {
        auto b = UIButton::buttonWithType(UIButtonTypeRoundedRect);
        b->setFrame(frame);
        b->setTitle(text, UIControlStateNormal);
        b->titleLabel()->setFont(UIFont::boldSystemFontOfSize(14));
        b->setAutoresizingMask(mask);
        b->addTarget(self, action, UIControlEventTouchUpInside);
        bar->addSubview(b);
        return b.get();
    };
    button(u"Cancel", CGRectMake(6, 7, 70, 30), "cancelPressed", UIViewAutoresizingFlexibleRightMargin);
    sendButton_ = button(u"Send", CGRectMake(width - 76, 7, 70, 30), "sendPressed", UIViewAutoresizingFlexibleLeftMargin);

    CGFloat y = kBarHeight;
    const UIFontRef font = UIFont::systemFontOfSize(15);
    auto caption = [&](const std::u16string& text) {
        auto name = makeLabel(CGRectMake(kInset, y, kCaptionWidth, kRowHeight), font, grey);
        name->setAutoresizingMask(UIViewAutoresizingNone);
        name->setText(text);
        root.addSubview(name);
        auto separator = std::make_shared<UIView>(CGRectMake(0, y + kRowHeight - 1, width, 1));
        separator->setBackgroundColor(line);
        separator->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
        root.addSubview(separator);
        return CGRectMake(kInset + kCaptionWidth, y, width - 2 * kInset - kCaptionWidth, kRowHeight - 1);
    };
    auto field = [&](const std::u16string& text, const char* returned) {
        auto f = std::make_shared<UITextField>(caption(text));
        f->setFont(font);
        f->setTextColor(UIColor::blackColor());
        f->setBorderStyle(UITextBorderStyleNone);
        f->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
        f->addTarget(self, "fieldChanged", UIControlEventEditingChanged);
        f->addTarget(self, returned, UIControlEventEditingDidEndOnExit);
        root.addSubview(f);
        y += kRowHeight;
        return f.get();
    };
    toField_ = field(u"To:", "toReturned");
    subjectField_ = field(u"Subject:", "subjectReturned");
    auto attached = makeLabel(caption(u"Attached:"), font, UIColor::blackColor());
    attachmentLabel_ = attached.get();
    root.addSubview(attached);
    y += kRowHeight;
    auto body = std::make_shared<UITextView>(CGRectMake(kInset, y, width - 2 * kInset, root.bounds().size.height - y));
    body->setFont(font);
    body->setTextColor(UIColor::blackColor());
    body->setEditable(true);
    body->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    bodyView_ = body.get();
    root.addSubview(body);
    refresh();
}

void MFMailComposeViewController::refresh()
{
    if (!isViewLoaded() || toField_ == nullptr) {
        return;
    }
    toField_->setText(joined(message_.toRecipients));
    subjectField_->setText(utf8ToUtf16(message_.subject));
    // The body of an HTML mail shows (and is edited) as its source: the screen has no web
    // renderer of its own.
    bodyView_->setText(utf8ToUtf16(message_.body));
    if (message_.attachment) {
        attachmentLabel_->setText(utf8ToUtf16(message_.attachment->fileName + " (" + sizeText(message_.attachment->data.size()) + ")"));
    } else {
        attachmentLabel_->setText(u"");
    }
    fieldChanged();
}

void MFMailComposeViewController::readFields()
{
    if (!isViewLoaded() || toField_ == nullptr) {
        return;
    }
    message_.toRecipients = splitRecipients(utf16ToUtf8(toField_->text()));
    message_.subject = utf16ToUtf8(subjectField_->text());
    message_.body = utf16ToUtf8(bodyView_->text());
}

const MFMailMessage& MFMailComposeViewController::message()
{
    readFields();
    return message_;
}

void MFMailComposeViewController::fieldChanged()
{
    // A mail without a recipient goes nowhere: Send waits for one.
    if (sendButton_ != nullptr && toField_ != nullptr) {
        sendButton_->setEnabled(!splitRecipients(utf16ToUtf8(toField_->text())).empty());
    }
}

void MFMailComposeViewController::fieldReturned(UITextField* field)
{
    // Return moves on, as in the app's forms: To, Subject, then the body.
    if (field == toField_ && subjectField_ != nullptr) {
        subjectField_->becomeFirstResponder();
    } else if (bodyView_ != nullptr) {
        bodyView_->becomeFirstResponder();
    }
}

void MFMailComposeViewController::cancelPressed() { finish(MFMailComposeResultCancelled, nullptr); }

void MFMailComposeViewController::sendPressed()
{
    if (finished_) {
        return;
    }
    readFields();
    if (message_.toRecipients.empty()) {
        return;
    }
    NSErrorRef error;
    // The mail carries the wall-clock time, whatever clock the run loop keeps.
    sentPath_ = MFMailMessageWriter::writeToOutbox(message_, static_cast<double>(std::time(nullptr)), &error);
    if (sentPath_.empty()) {
        finish(MFMailComposeResultFailed, error.get());
    } else {
        finish(MFMailComposeResultSent, nullptr);
    }
}

void MFMailComposeViewController::finish(MFMailComposeResult result, const NSError* error)
{
    // One answer per screen: a second tap while the delegate dismisses it is ignored.
    if (finished_) {
        return;
    }
    finished_ = true;
    if (auto delegate = mailComposeDelegate()) {
        delegate->mailComposeControllerDidFinishWithResult(*this, result, error);
    }
}
