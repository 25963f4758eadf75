#include "Platform/UIKit/UIActivityIndicatorView.h"
#include "Platform/UIKit/UIApplicationMain.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIControl.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIProgressView.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UISegmentedControl.h"
#include "Platform/UIKit/UISwitch.h"
#include "Platform/UIKit/UITableView.h"
#include "Platform/UIKit/UITableViewCell.h"
#include "Platform/UIKit/UITextField.h"
#include "Platform/UIKit/UITextView.h"
#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIViewController.h"
#include "Platform/UIKit/UIWebView.h"
#include "Platform/UIKit/UIWindow.h"

// Superclasses first: a class names its superclass, which must be registered already.
void registerPlatformInterfaceClasses(UIClassRegistry& registry)
{
    UIView::registerInterfaceClass(registry);
    UIWindow::registerInterfaceClass(registry);
    UIScrollView::registerInterfaceClass(registry);
    UIControl::registerInterfaceClass(registry);
    UIButton::registerInterfaceClass(registry);
    UILabel::registerInterfaceClass(registry);
    UIImageView::registerInterfaceClass(registry);
    UITextField::registerInterfaceClass(registry);
    UISwitch::registerInterfaceClass(registry);
    UISegmentedControl::registerInterfaceClass(registry);
    UIActivityIndicatorView::registerInterfaceClass(registry);
    UIProgressView::registerInterfaceClass(registry);
    UITextView::registerInterfaceClass(registry);
    UIWebView::registerInterfaceClass(registry);
    UITableView::registerInterfaceClass(registry);
    UITableViewCell::registerInterfaceClass(registry);
    UIViewController::registerInterfaceClass(registry);
    UINavigationController::registerInterfaceClass(registry);
    UIApplicationRegisterInterfaceClass(registry);
}
