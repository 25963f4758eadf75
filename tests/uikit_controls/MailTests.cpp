#include <gtest/gtest.h>

#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <ctime>
#include <filesystem>

#include "Platform/Foundation/NSFileManager.h"
#include "Platform/MessageUI/MFMailComposeViewController.h"
#include "Platform/MessageUI/MFMailMessageWriter.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIKeyInput.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIResponder.h"
#include "Platform/UIKit/UITextField.h"
#include "Platform/UIKit/UITextView.h"
#include "Platform/UIKit/UIWindow.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/uikit/UIKitTestSupport.h"
#include "tests/uikit_controls/WebViewTestFiles.h"
#include "tests/support/SnapshotFolder.h"

namespace {

// What Python's email package reads from the file.
nlohmann::json readWithPython(const std::string& path)
{
    const std::string command = "/usr/bin/python3 " LEXIPHANT_SOURCE_DIR "/tests/uikit_controls/read_mail.py '" + path + "'";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
        pclose(pipe);
    }
    return nlohmann::json::parse(output);
}

std::string base64(const std::string& bytes)
{
    static const char* table = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const unsigned n = (unsigned char)bytes[i] << 16 | (i + 1 < bytes.size() ? (unsigned char)bytes[i + 1] << 8 : 0)
            | (i + 2 < bytes.size() ? (unsigned char)bytes[i + 2] : 0);
        out += table[n >> 18 & 63];
        out += table[n >> 12 & 63];
        out += i + 1 < bytes.size() ? table[n >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? table[n & 63] : '=';
    }
    return out;
}

MFMailMessage sampleMail()
{
    MFMailMessage mail;
    mail.toRecipients = { "dev@example.com", "Ann Example <ann@example.org>" };
    mail.subject = "Report: Q1/Q2 \"draft\" – Grüße";
    mail.body = "Hello,\nthe file is attached.\nGrüße\n";
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes.push_back(char(i));
    mail.attachment = MFMailMessage::Attachment { bytes + bytes, "image/jpeg", "photo.JPG" };
    return mail;
}

}

TEST(MailWriter, MessageInOutboxReadsBackWithAnIndependentReader)
{
    TempDir home("mail");
    ScopedEnv env("LEXIPHANT_HOME", home.path());
    const MFMailMessage mail = sampleMail();
    NSErrorRef error;
    const double date = 1299679500;
    const std::string path = MFMailMessageWriter::writeToOutbox(mail, date, &error);
    ASSERT_FALSE(path.empty()) << (error ? error->localizedDescription() : "");
    EXPECT_EQ(std::filesystem::path(path).parent_path(), std::filesystem::path(home / "Outbox"));
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const nlohmann::json read = readWithPython(path);
    EXPECT_EQ(read["defects"], 0);
    EXPECT_TRUE(read["crlf"].get<bool>());
    EXPECT_EQ(read["to"], nlohmann::json({ "dev@example.com", "Ann Example <ann@example.org>" }));
    EXPECT_EQ(read["subject"], mail.subject);
    EXPECT_NE(read["from"].get<std::string>().find("@"), std::string::npos);
    EXPECT_FALSE(read["date"].get<std::string>().empty());
    EXPECT_EQ(read["type"], "multipart/mixed");
    ASSERT_EQ(read["parts"].size(), 2u);
    EXPECT_EQ(read["parts"][0]["type"], "text/plain");
    EXPECT_EQ(read["parts"][0]["text"], mail.body);
    EXPECT_EQ(read["parts"][1]["type"], "image/jpeg");
    EXPECT_EQ(read["parts"][1]["filename"], "photo.JPG");
    EXPECT_EQ(read["parts"][1]["disposition"], "attachment");
    EXPECT_EQ(read["parts"][1]["payload"], base64(mail.attachment->data));

    // A second mail of the same subject and second gets a name of its own.
    const std::string second = MFMailMessageWriter::writeToOutbox(mail, date, &error);
    EXPECT_NE(second, path);
    EXPECT_TRUE(NSFileManager::defaultManager().fileExistsAtPath(second));
}

TEST(MailWriter, AttachmentTypesAndBodiesWithoutAttachment)
{
    TempDir home("mail");
    struct Case {
        std::string mimeType;
        std::string fileName;
        std::string readType;
        std::string readName;
    };
    const std::vector<Case> cases = {
        { "application/vnd.ms-powerpoint", "slides.ppt", "application/vnd.ms-powerpoint", "slides.ppt" },
        { "text/plain", "script.pl", "text/plain", "script.pl" },
        { "nonsense", "résumé 2011.pdf", "application/octet-stream", "résumé 2011.pdf" },
    };
    for (const Case& c : cases) {
        MFMailMessage mail;
        mail.attachment = MFMailMessage::Attachment { "bytes\0here", c.mimeType, c.fileName };
        NSErrorRef error;
        const std::string path = MFMailMessageWriter::writeToOutbox(mail, 1e9, &error, home.path());
        ASSERT_FALSE(path.empty());
        const auto read = readWithPython(path);
        EXPECT_EQ(read["parts"][1]["type"], c.readType);
        EXPECT_EQ(read["parts"][1]["filename"], c.readName);
        EXPECT_EQ(read["parts"][1]["payload"], base64(mail.attachment->data));
        EXPECT_NE(path.find("No Subject"), std::string::npos);
    }
    MFMailMessage plain;
    plain.subject = "Only text";
    plain.body = "Just this.";
    NSErrorRef error;
    const auto read = readWithPython(MFMailMessageWriter::writeToOutbox(plain, 1e9, &error, home.path()));
    EXPECT_EQ(read["type"], "text/plain");
    EXPECT_EQ(read["parts"].size(), 1u);
}

TEST(MailWriter, FileNamesAreSafe)
{
    const double date = 1299679500;
    std::tm local {};
    const std::time_t t = std::time_t(date);
    localtime_r(&t, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H.%M.%S", &local);
    struct Case {
        std::string subject;
        std::string name;
    };
    const std::vector<Case> cases = {
        { "Hello", "Hello" },
        { "../../etc/passwd", "_.._etc_passwd" },
        { "a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j" },
        { "...", "No Subject" },
        { "", "No Subject" },
        { "tab\there\nline", "tab_here_line" },
        { "Grüße aus Köln", "Grüße aus Köln" },
        { std::string(100, 'x'), std::string(60, 'x') },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MFMailMessageWriter::fileNameFor(c.subject, date), std::string(stamp) + " " + c.name + ".eml") << c.subject;
    }
}

TEST(MailWriter, AFailedWriteReportsWhy)
{
    TempDir home("mail");
    webview_test::writeFile(home / "blocked", "a file where the folder should be");
    NSErrorRef error;
    EXPECT_EQ(MFMailMessageWriter::writeToOutbox(sampleMail(), 1e9, &error, home / "blocked"), "");
    ASSERT_TRUE(error);
    EXPECT_FALSE(error->localizedDescription().empty());
}

// ---- The compose screen -------------------------------------------------------------------

namespace {

class RecordingMailDelegate : public MFMailComposeViewControllerDelegate {
public:
    void mailComposeControllerDidFinishWithResult(MFMailComposeViewController& controller, MFMailComposeResult result,
                                                  const NSError* error) override
    {
        results.push_back(result);
        reason = error ? error->localizedDescription() : "";
        controller.presentingViewController()->dismissModalViewControllerAnimated(false);
    }
    std::vector<MFMailComposeResult> results;
    std::string reason;
};

class MailScreen : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        home_ = std::make_unique<ScopedEnv>("LEXIPHANT_HOME", dir_.path());
        window_ = makeWindow();
        root_ = std::make_shared<UIViewController>();
        window_->setRootViewController(root_);
    }

    std::shared_ptr<MFMailComposeViewController> present(bool filledIn = true)
    {
        auto composer = std::make_shared<MFMailComposeViewController>();
        composer->setMailComposeDelegate(delegate_);
        const MFMailMessage mail = sampleMail();
        if (filledIn) {
            composer->setToRecipients(mail.toRecipients);
            composer->setSubject("Report");
            composer->setMessageBody(mail.body, false);
        }
        composer->addAttachmentData(mail.attachment->data, "image/jpeg", "photo.JPG");
        root_->presentModalViewControllerAnimated(composer, false);
        advance(1);
        return composer;
    }

    // The first view of the screen that passes the test, depth first.
    static UIView* findIn(UIView& v, const std::function<bool(UIView&)>& wanted)
    {
        if (wanted(v)) return &v;
        for (const auto& s : v.subviews())
            if (UIView* f = findIn(*s, wanted)) return f;
        return nullptr;
    }

    void tapView(UIView* view)
    {
        ASSERT_TRUE(view);
        const CGRect frame = view->convertRectToView(view->bounds(), nullptr);
        tap(CGPointMake(CGRectGetMidX(frame), CGRectGetMidY(frame)));
        advance(1);
    }

    // The bar button with the title, tapped through the screen.
    void tapButton(const MFMailComposeViewController& composer, const std::u16string& title)
    {
        tapView(findIn(*const_cast<MFMailComposeViewController&>(composer).view(), [&](UIView& v) {
            auto* b = dynamic_cast<UIButton*>(&v);
            return b && b->currentTitle() == title;
        }));
    }

    // What the keyboard sends, to whatever has the focus.
    static void type(const std::u16string& text)
    {
        auto* input = dynamic_cast<UIKeyInput*>(UIResponder::currentFirstResponder().get());
        ASSERT_TRUE(input);
        input->insertText(text);
    }

    TempDir dir_ { "mailscreen" };
    std::unique_ptr<ScopedEnv> home_;
    std::shared_ptr<UIWindow> window_;
    std::shared_ptr<UIViewController> root_;
    std::shared_ptr<RecordingMailDelegate> delegate_ { std::make_shared<RecordingMailDelegate>() };
};

}

TEST_F(MailScreen, SendFilesTheMailAndCancelDoesNot)
{
    EXPECT_TRUE(MFMailComposeViewController::canSendMail());
    auto composer = present();
    EXPECT_TRUE(UIRenderer::writeScreenPNG(snapshotFile("uikit_controls", "mail-compose")));
    tapButton(*composer, u"Send");
    ASSERT_EQ(delegate_->results, (std::vector<MFMailComposeResult> { MFMailComposeResultSent }));
    EXPECT_FALSE(root_->presentedViewController());
    const auto read = readWithPython(composer->sentPath());
    EXPECT_EQ(read["subject"], "Report");
    EXPECT_EQ(read["parts"][1]["filename"], "photo.JPG");

    auto cancelled = present();
    tapButton(*cancelled, u"Cancel");
    EXPECT_EQ(delegate_->results.back(), MFMailComposeResultCancelled);
    EXPECT_EQ(NSFileManager::defaultManager().contentsOfDirectoryAtPath(dir_ / "Outbox")->size(), 1u);
}

// A person types the recipient, the subject and the body: the filed mail carries them; Send waits
// for a recipient, and Return moves from field to field.
TEST_F(MailScreen, TypedRecipientSubjectAndBodyAreFiled)
{
    auto composer = present(false);
    UIView& root = *composer->view();
    auto* send = dynamic_cast<UIButton*>(findIn(root, [](UIView& v) {
        auto* b = dynamic_cast<UIButton*>(&v);
        return b && b->currentTitle() == u"Send";
    }));
    ASSERT_TRUE(send);
    EXPECT_FALSE(send->isEnabled()) << "no recipient yet";
    tapView(findIn(root, [](UIView& v) { return dynamic_cast<UITextField*>(&v) != nullptr; }));
    EXPECT_TRUE(UIApplication::sharedApplication().isKeyboardVisible());
    type(u"ann@example.org, Bo <bo@example.com>");
    EXPECT_TRUE(send->isEnabled());
    type(u"\n");
    type(u"Typed subject");
    type(u"\n");
    ASSERT_TRUE(dynamic_cast<UITextView*>(UIResponder::currentFirstResponder().get()));
    type(u"Typed body.\nSecond line.");
    EXPECT_TRUE(UIRenderer::writeScreenPNG("uikit-controls-png/mail-typed.png"));
    tapButton(*composer, u"Send");
    ASSERT_EQ(delegate_->results, (std::vector<MFMailComposeResult> { MFMailComposeResultSent }));
    const auto read = readWithPython(composer->sentPath());
    EXPECT_EQ(read["to"], (nlohmann::json { "ann@example.org", "Bo <bo@example.com>" }));
    EXPECT_EQ(read["subject"], "Typed subject");
    EXPECT_EQ(read["parts"][0]["text"], "Typed body.\nSecond line.");
    EXPECT_EQ(read["parts"][1]["filename"], "photo.JPG");
}

TEST_F(MailScreen, AWriteFailureIsReportedWithItsError)
{
    auto composer = present();
    // The Outbox is replaced by a file nobody can write into.
    std::filesystem::remove_all(dir_ / "Outbox");
    webview_test::writeFile(dir_ / "Outbox", "");
    composer->sendPressed();
    EXPECT_EQ(delegate_->results, (std::vector<MFMailComposeResult> { MFMailComposeResultFailed }));
    EXPECT_FALSE(delegate_->reason.empty());
}

TEST(MailScreenSizes, AttachmentSizeText)
{
    EXPECT_EQ(MFMailComposeViewController::sizeText(512), "512 bytes");
    EXPECT_EQ(MFMailComposeViewController::sizeText(1536), "1.5 KB");
    EXPECT_EQ(MFMailComposeViewController::sizeText(3 * 1024 * 1024), "3.0 MB");
}
