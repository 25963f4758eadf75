#pragma once

#include <memory>
#include <string>
#include <vector>

// Forward declarations of the interface classes, so headers need not include each other.

class UIActionSheet;
class UIActionSheetDelegate;
class UIActivityIndicatorView;
class UIAlertView;
class UIAlertViewDelegate;
class UIApplication;
class UIApplicationDelegate;
class UIButton;
class UIClassRegistry;
class UIColor;
class UIControl;
class UIDevice;
class UIEvent;
class UIFont;
class UIGestureRecognizer;
class UIGestureRecognizerDelegate;
class UIImage;
class UIImageView;
class UIKeyInput;
class UILabel;
class UILongPressGestureRecognizer;
class UIMenuController;
class UIModalBackdrop;
class UIModalButton;
class UINavigationController;
class UINib;
class UIPanGestureRecognizer;
class UIPasteboard;
class UIPopoverController;
class UIPopoverControllerDelegate;
class UIProgressView;
class UIResponder;
class UIScreen;
class UIScrollView;
class UIScrollViewDelegate;
class UISegmentedControl;
class UISwipeGestureRecognizer;
class UISwitch;
class UITableView;
class UITableViewCell;
class UITableViewDataSource;
class UITableViewDelegate;
class UITapGestureRecognizer;
class UITextField;
class UITextFieldDelegate;
class UITextInput;
class UITextInputDelegate;
class UITextInputTokenizer;
class UITextPosition;
class UITextRange;
class UITextView;
class UITextViewDelegate;
class UITouch;
class UIView;
class UIViewController;
class UIWebView;
class UIWebViewDelegate;
class UIWindow;

using UIViewRef = std::shared_ptr<UIView>;
using UIWindowRef = std::shared_ptr<UIWindow>;
using UITouchRef = std::shared_ptr<UITouch>;
using UIGestureRecognizerRef = std::shared_ptr<UIGestureRecognizer>;
using UITextPositionRef = std::shared_ptr<UITextPosition>;
using UITextRangeRef = std::shared_ptr<UITextRange>;

// An action message by its selector name, as the platform names it: "copy:", "selectAll:".
using SEL = std::string;

// The touches of one event phase (the platform's set of touches), in the order they began.
using UITouchSet = std::vector<UITouchRef>;
