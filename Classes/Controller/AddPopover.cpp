#include "Classes/Controller/AddPopover.h"

#include <algorithm>
#include <array>

#include "Classes/Controller/AccentColor.h"
#include "Classes/Controller/AlertPrompt.h"
#include "Classes/Controller/BusyAlert.h"
#include "Classes/Controller/DirListController.h"
#include "Classes/Controller/FileEntryScreen.h"
#include "Classes/Controller/ScreenMaker.h"
#include "Classes/Controller/UIColorHexColor.h"
#include "Classes/FileTemplates.h"
#include "Classes/LexiphantAppDelegate.h"
#include "Classes/Others/NetworkManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSThread.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UITextField.h"

namespace {

struct Prompt {
    const char* title;
    const char* extension; // appended to the typed name, whatever it ends with
    int templateIndex;     // -1: no template
};

// By tag: folder, document, then the eight templates.
constexpr std::array<Prompt, 10> kPrompts { {
    { "Enter folder name:", "", -1 },
    { "Enter document name (with extension):", "", -1 },
    { "Enter file name (*.css):", ".css", 0 },
    { "Enter file name (*.css):", ".css", 1 },
    { "Enter file name:", "", 2 },
    { "Enter file name (*.htm):", ".htm", 3 },
    { "Enter file name (*.htm):", ".htm", 4 },
    { "Enter file name (*.js):", ".js", 5 },
    { "Enter file name (*.php):", ".php", 6 },
    { "Enter file name (*.xml):", ".xml", 7 },
} };
constexpr int kFolderTag = 0;
constexpr int kDocumentTag = 1;
constexpr int kCustomTag = 4;
constexpr CGFloat kDocumentFieldDrop = 25;

bool onPad() { return UIDevice::currentDevice().userInterfaceIdiom() != UIUserInterfaceIdiomPhone; }

void sorry(const std::string& message)
{
    std::make_shared<UIAlertView>("Lexiphant is sorry", message, std::weak_ptr<UIAlertViewDelegate> {}, "OK")->show();
}

bool nameListed(const std::string& name)
{
    const auto listing = NetworkManager::sharedManager().curDirListening();
    return listing && std::any_of(listing->begin(), listing->end(), [&name](const auto& entry) { return entry->name() == name; });
}

}

AddPopover::AddPopover(const std::string&)
    : UIViewController(UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad ? kClassName
                                                                                                : "AddPopover_iPhone")
{
}

void AddPopover::declareConnections(UIConnectionTable& table)
{
    UIViewController::declareConnections(table);
    table.outlet("imgDino", imgDino_);
    table.outlet("btnBack", btnBack_);
    table.action("btnFolderPressed", [this] { btnFolderPressed(); });
    table.action("btnDocumentPressed", [this] { btnDocumentPressed(); });
    table.action("btnCSSPrintPressed", [this] { btnCSSPrintPressed(); });
    table.action("btnCSSScreenPressed", [this] { btnCSSScreenPressed(); });
    table.action("btnCustomPressed", [this] { btnCustomPressed(); });
    table.action("btnHTMLPressed", [this] { btnHTMLPressed(); });
    table.action("btnHTML5Pressed", [this] { btnHTML5Pressed(); });
    table.action("btnJQueryPressed", [this] { btnJQueryPressed(); });
    table.action("btnPHPPressed", [this] { btnPHPPressed(); });
    table.action("btnXMLPressed", [this] { btnXMLPressed(); });
    table.action("btnUpPressed", [this] { btnUpPressed(); });
}

std::string AddPopover::remoteNameFor(int tag, const std::string& name)
{
    return tag >= 0 && tag < int(kPrompts.size()) ? name + kPrompts[std::size_t(tag)].extension : name;
}

int AddPopover::templateIndexFor(int tag)
{
    return tag >= 0 && tag < int(kPrompts.size()) ? kPrompts[std::size_t(tag)].templateIndex : -1;
}

std::u16string AddPopover::templateText(int index) const
{
    const LexiphantAppDelegate* app = LexiphantAppDelegate::sharedDelegate();
    if (app == nullptr || index < 0 || std::size_t(index) >= app->templates().size())
        return {};
    return app->templates()[std::size_t(index)];
}

void AddPopover::ask(int tag)
{
    std::weak_ptr<UIAlertViewDelegate> self = std::dynamic_pointer_cast<AddPopover>(shared_from_this());
    if (tag == kCustomTag && templateText(int(FileTemplates::kCustomTemplateIndex)).empty()) {
        auto alert = std::make_shared<UIAlertView>("No custom template", "Please define your custom template..", self, "OK");
        alert->setTag(kNoCustomTemplateTag);
        alert->show();
        return;
    }
    auto prompt = std::make_shared<AlertPrompt>(kPrompts[std::size_t(tag)].title, "\n", self, "Cancel", "OK");
    prompt->setTag(tag);
    if (tag == kDocumentTag) {
        CGRect frame = prompt->textField()->frame();
        frame.origin.y += kDocumentFieldDrop;
        prompt->textField()->setFrame(frame);
    }
    prompt->show();
}

void AddPopover::alertViewWillDismissWithButtonIndex(UIAlertView* alertView, int buttonIndex)
{
    if (alertView->tag() == kNoCustomTemplateTag) {
        openEditorWithoutFile();
        return;
    }
    if (buttonIndex == alertView->cancelButtonIndex())
        return;
    const auto* prompt = dynamic_cast<const AlertPrompt*>(alertView);
    if (prompt == nullptr)
        return;
    const int tag = alertView->tag();
    const std::string name = utf16ToUtf8(prompt->enteredText());
    const std::string remote = remoteNameFor(tag, name);
    NetworkManager& manager = NetworkManager::sharedManager();
    // The commands share the one transfer handle with any background operation.
    if (manager.isBusy()) {
        BusyAlert::show(BusyAlert::kNothingCreated);
        return;
    }
    if (tag >= kFolderTag && tag < int(kPrompts.size())) {
        // A new file under a name the server holds would replace what is there without a word,
        // and the screen's listing may be old: the server is asked. A folder cannot replace
        // anything (the server refuses the name), so the listing shown is enough for it.
        bool held = nameListed(remote);
        if (!held && tag != kFolderTag) {
            if (const int code = manager.lookUpName(remote, held); code != 0) {
                sorry("'" + remote + "' was not created: the folder could not be listed to check that the name is "
                      "free (" + manager.getErrorMessage(code) + ").");
                return;
            }
        }
        if (held) {
            sorry("'" + remote + "' already exists in this folder. Please choose another name.");
            return;
        }
    }
    if (tag == kFolderTag)
        (void)manager.createFolder(name);
    else if (tag == kDocumentTag)
        (void)manager.uploadASCII(remote, std::u16string {});
    else if (const int index = templateIndexFor(tag); index >= 0)
        (void)manager.uploadASCII(remote, templateText(index));
    close(true);
    if (tag != kFolderTag)
        (void)manager.beginOperation(2, [] { (void)NetworkManager::sharedManager().changeWorkDir("."); });
}

void AddPopover::close(bool animated)
{
    if (onPad()) {
        if (auto screen = std::dynamic_pointer_cast<DirListController>(parentController()); screen && screen->addPopover())
            screen->addPopover()->dismissPopoverAnimated(animated);
        return;
    }
    if (navigationController() != nullptr)
        navigationController()->popViewControllerAnimated(animated);
}

void AddPopover::openEditorWithoutFile()
{
    auto editor = ScreenMaker::newScreenNamed(FileEntryScreen::kEditorClassName);
    if (auto* screen = dynamic_cast<FileEntryScreen*>(editor.get()))
        screen->setFileEntry(nullptr);
    if (onPad()) {
        auto parent = parentController();
        close(true);
        if (editor && parent && parent->navigationController() != nullptr)
            parent->navigationController()->pushViewControllerAnimated(editor, true);
        return;
    }
    UINavigationController* navigation = navigationController();
    if (navigation == nullptr)
        return;
    // Kept alive by the navigation controller's deferred release while it pops.
    navigation->popViewControllerAnimated(false);
    if (editor)
        navigation->pushViewControllerAnimated(editor, true);
}

void AddPopover::btnUpPressed()
{
    NSLog("Back Pressed!");
    if (navigationController() != nullptr)
        navigationController()->popViewControllerAnimated(true);
}

void AddPopover::viewDidLoad()
{
    UIViewController::viewDidLoad();
    if (btnBack_ != nullptr) {
        btnBack_->titleLabel()->setFont(UIFont::fontWithName("LexitypeNeue-Bold", 34));
        CALayer& layer = *btnBack_->layer();
        layer.setCornerRadius(4);
        layer.setMasksToBounds(true);
        layer.setBorderWidth(0);
        btnBack_->setBackgroundColor(UIColorHexColor::colorWithHexString("6d6d6d"));
    }
    if (imgDino_ != nullptr)
        imgDino_->setBackgroundColor(AccentColor::accentColor());
    const auto parent = parentController();
    NSLogf("Popover loaded with parent: %s", parent ? parent->title().c_str() : "(null)");
}

void AddPopover::viewDidUnload()
{
    UIViewController::viewDidUnload();
    parentController_.reset();
    imgDino_ = nullptr;
    btnBack_ = nullptr;
}

bool AddPopover::shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation orientation)
{
    return onPad() || !UIInterfaceOrientationIsLandscape(orientation);
}

void AddPopover::registerInterfaceClass(UIClassRegistry& registry)
{
    registry.registerClass(kClassName, "UIViewController", [] { return std::make_shared<AddPopover>(); });
}
