#pragma once

class UIPopoverController;

// What a popover controller asks and tells its delegate about a touch outside the popover (a
// dismissal by code tells nothing). Both operations are optional: the defaults let the popover go
// and take no note.
class UIPopoverControllerDelegate {
public:
    virtual ~UIPopoverControllerDelegate() = default;
    virtual bool popoverControllerShouldDismissPopover(UIPopoverController* popoverController) { return true; }
    virtual void popoverControllerDidDismissPopover(UIPopoverController* popoverController) { }
};
