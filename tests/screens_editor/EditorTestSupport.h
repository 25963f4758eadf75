#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "Classes/Controller/AlertPrompt.h"
#include "Classes/Controller/CodeWriteController.h"
#include "Classes/Controller/ScreenMaker.h"
#include "Classes/LexiphantAppDelegate.h"
#include "Classes/LexiphantClasses.h"
#include "Classes/Others/FileEntry.h"
#include "Classes/Others/NetworkManager.h"
#include "Classes/Others/QVConnection.h"
#include "Classes/TextView/CodeTextView.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSThread.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIActionSheet.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UIProgressView.h"
#include "Platform/UIKit/UITextField.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UITextView.h"
#include "Platform/UIKit/UIWebView.h"
#include "tests/support/FtpTestServer.h"
#include "tests/support/LogCapture.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/uikit/UIKitTestSupport.h"

// Takes the connect result so the fixture can wait for it.
class ConnectWaiter : public NetworkManagerDelegate {
public:
    void finishedConnectingwithCode(int value) override { code = value; }
    int code { -1 };
};

// A fresh home and application on a pad or a phone, a navigation controller in a window, and
// the shared network manager connected to the local FTP server; open() pushes an editor for a
// file written on the server and waits until its download has been shown.
class EditorTest : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        home_ = std::make_unique<TempDir>("lexiphant-editor");
        homeEnv_ = std::make_unique<ScopedEnv>("LEXIPHANT_HOME", home_->path());
        NSUserDefaults::resetStandardUserDefaults();
        UIImage::clearNamedCache();
        UIAlertView::resetForTesting();
        UIActionSheet::resetForTesting();
        registerLexiphantClasses();
        server().clearRoot();
    }
    void TearDown() override
    {
        waitIdle();
        UIAlertView::resetForTesting();
        UIActionSheet::resetForTesting();
        if (window_)
            window_->setRootViewController(nullptr);
        editor_.reset();
        navigation_.reset();
        window_.reset();
        NetworkManager::sharedManager().setDelegate({});
        turn();
        NSUserDefaults::resetStandardUserDefaults();
        UIKitTest::TearDown();
    }

    static FtpTestServer& server() { return FtpTestServer::shared(); }

    void useDevice(const std::string& device)
    {
        UIDevice::currentDevice().setProfile(*UIDevice::profileNamed(device));
        const bool pad = device.rfind("ipad", 0) == 0;
        window_ = makeWindow(pad ? CGRectMake(0, 0, 768, 1024) : CGRectMake(0, 0, 320, 480));
        navigation_ = std::make_shared<UINavigationController>(std::make_shared<UIViewController>());
        window_->setRootViewController(navigation_);
    }

    bool connect(bool readOnly = false)
    {
        auto connection = std::make_shared<QVConnection>();
        connection->setName("test");
        connection->setHost(server().host());
        connection->setPort(server().port());
        connection->setUsername(readOnly ? server().readOnlyUser() : server().user());
        connection->setPassword(readOnly ? server().readOnlyPassword() : server().password());
        connection->setType(0);
        connection->setStartPath(server().startPath());
        auto waiter = std::make_shared<ConnectWaiter>();
        NetworkManager& manager = NetworkManager::sharedManager();
        manager.setConnection(connection);
        manager.setDelegate(waiter);
        if (!manager.beginOperation(1, [] { NetworkManager::sharedManager().connect(); }))
            return false;
        // The connect counts as running until its thread has ended, after the delivery.
        return RunLoop::main().runUntil([&] { return waiter->code != -1 && !manager.isBusy(); }, 30)
            && waiter->code == 0;
    }

    // An editor for the file (written on the server first unless `contents` is null), pushed and
    // shown; waits until the text, the web view or an alert is up.
    std::shared_ptr<CodeWriteController> open(const std::string& name, const std::string* contents,
                                              const std::string& device = "ipad", bool readOnly = false,
                                              bool unsupported = false)
    {
        if (contents != nullptr)
            server().writeFile(name, *contents);
        if (!window_)
            useDevice(device);
        EXPECT_TRUE(connect(readOnly));
        auto entry = std::make_shared<FileEntry>();
        entry->setName(name);
        entry->parseExtension();
        entry->setUnsupported(unsupported);
        editor_ = std::dynamic_pointer_cast<CodeWriteController>(ScreenMaker::newScreenNamed("CodeWriteController"));
        EXPECT_TRUE(editor_);
        if (!editor_)
            return nullptr;
        editor_->setFileEntry(entry);
        navigation_->pushViewControllerAnimated(editor_, false);
        EXPECT_TRUE(RunLoop::main().runUntil(
            [&] {
                return NetworkManager::sharedManager().threadStatus() == 0
                    && (editor_->backupCode() || UIAlertView::visibleAlert()
                        || (editor_->webView() && !editor_->webView()->isHidden()));
            },
            30));
        return editor_;
    }
    std::shared_ptr<CodeWriteController> open(const std::string& name, const std::string& contents,
                                              const std::string& device = "ipad", bool readOnly = false)
    {
        return open(name, &contents, device, readOnly);
    }

    void waitIdle()
    {
        (void)RunLoop::main().runUntil(
            [&] { return NetworkManager::sharedManager().threadStatus() == 0 && (!editor_ || !editor_->isSaving()); },
            30);
    }

    void save()
    {
        editor_->btnSavePressed(nullptr);
        waitIdle();
        turn();
    }

    // The alert on screen, dismissed with the button; its title and message are answered.
    std::pair<std::string, std::string> dismissAlert(int button = 0, const std::u16string* entry = nullptr)
    {
        turn();
        auto alert = UIAlertView::visibleAlert();
        if (!alert)
            return { "", "" };
        if (entry != nullptr)
            if (auto* prompt = dynamic_cast<AlertPrompt*>(alert.get()))
                prompt->textField()->setText(*entry);
        std::pair<std::string, std::string> shown { alert->title(), alert->message() };
        alert->dismissWithClickedButtonIndex(button, false);
        turn();
        turn();
        return shown;
    }

    [[nodiscard]] bool editorOnTop() const { return navigation_ && navigation_->topViewController() == editor_; }

    LogCapture log_; // keeps the screens' lines out of the test output
    std::unique_ptr<TempDir> home_;
    std::unique_ptr<ScopedEnv> homeEnv_;
    std::shared_ptr<UIWindow> window_;
    std::shared_ptr<UINavigationController> navigation_;
    std::shared_ptr<CodeWriteController> editor_;
};
