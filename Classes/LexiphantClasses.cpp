#include "Classes/LexiphantClasses.h"

#include "Classes/Controller/AddPopover.h"
#include "Classes/Controller/ActionPopover.h"
#include "Classes/Controller/BookmarkCell.h"
#include "Classes/Controller/CodeWriteController.h"
#include "Classes/Controller/DirListCell.h"
#include "Classes/Controller/DirListController.h"
#include "Classes/Controller/DirectoryPopover.h"
#include "Classes/Controller/EditConnectionController.h"
#include "Classes/Controller/PassController.h"
#include "Classes/Controller/SetPassController.h"
#include "Classes/Controller/StartViewController.h"
#include "Classes/Controller/UINavigationControllerIOS6.h"
#include "Classes/LexiphantAppDelegate.h"
#include "Classes/TextView/CodeTextView.h"
#include "Platform/UIKit/UIClassRegistry.h"

void registerLexiphantClasses()
{
    UIClassRegistry& registry = UIClassRegistry::shared();
    LexiphantAppDelegate::registerInterfaceClass(registry);
    UINavigationControllerIOS6::registerInterfaceClass(registry);
    PassController::registerInterfaceClass(registry);
    SetPassController::registerInterfaceClass(registry);
    StartViewController::registerInterfaceClass(registry);
    BookmarkCell::registerInterfaceClass(registry);
    EditConnectionController::registerInterfaceClass(registry);
    DirListController::registerInterfaceClass(registry);
    DirListCell::registerInterfaceClass(registry);
    DirectoryPopover::registerInterfaceClass(registry);
    AddPopover::registerInterfaceClass(registry);
    CodeWriteController::registerInterfaceClass(registry);
    ActionPopover::registerInterfaceClass(registry);
    registerTextViewClasses();
}
