#pragma once

class UIAlertView;

// What an alert tells its delegate; every operation is optional (an empty body is one the
// delegate does not implement). A tapped button gives clicked, then will dismiss, then, on the
// next turn of the run loop, did dismiss; a dismissal by code gives only the last two.
class UIAlertViewDelegate {
public:
    virtual ~UIAlertViewDelegate() = default;
    virtual void alertViewClickedButtonAtIndex(UIAlertView* alertView, int buttonIndex) { }
    virtual void willPresentAlertView(UIAlertView* alertView) { }
    virtual void didPresentAlertView(UIAlertView* alertView) { }
    virtual void alertViewWillDismissWithButtonIndex(UIAlertView* alertView, int buttonIndex) { }
    virtual void alertViewDidDismissWithButtonIndex(UIAlertView* alertView, int buttonIndex) { }
};
