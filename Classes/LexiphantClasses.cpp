#include "Classes/LexiphantClasses.h"

#include "Classes/Controller/PassController.h"
#include "Classes/Controller/SetPassController.h"
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
    registerTextViewClasses();
}
