#pragma once

class UIActionSheet;

// What an action sheet tells its delegate; every operation is optional (an empty body is one the
// delegate does not implement). A chosen button gives clicked, then will dismiss, then, on the
// next turn of the run loop, did dismiss; a dismissal by code gives only the last two.
class UIActionSheetDelegate {
public:
    virtual ~UIActionSheetDelegate() = default;
    virtual void actionSheetClickedButtonAtIndex(UIActionSheet* actionSheet, int buttonIndex) { }
    virtual void willPresentActionSheet(UIActionSheet* actionSheet) { }
    virtual void didPresentActionSheet(UIActionSheet* actionSheet) { }
    virtual void actionSheetWillDismissWithButtonIndex(UIActionSheet* actionSheet, int buttonIndex) { }
    virtual void actionSheetDidDismissWithButtonIndex(UIActionSheet* actionSheet, int buttonIndex) { }
};
