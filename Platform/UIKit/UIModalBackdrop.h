#pragma once

#include <functional>

#include "Platform/UIKit/UIWindow.h"

// The full-screen window under an alert, an action sheet or a popover: it dims the screen (or
// not), takes every touch that misses the panel, telling `touchedOutside` of the first finger
// down, and carries the panel in its interface view, which covers the interface as shown and
// turns with the status-bar orientation. Panels swallow their own touches, so only touches
// outside reach the backdrop.
class UIModalBackdrop : public UIWindow {
public:
    enum class Dim {
        None,   // clear: only catches touches
        Flat,   // an even veil (a phone's action sheet)
        Radial, // darker towards the edges (an alert)
    };

    UIModalBackdrop(UIWindowLevel level, Dim dim, std::function<void()> touchedOutside);
    ~UIModalBackdrop() override;

    [[nodiscard]] const UIViewRef& interfaceView() const { return interfaceView_; }
    [[nodiscard]] Dim dim() const { return dim_; }
    // Called after the interface view has been fitted again (the interface turned).
    void setRelayout(std::function<void()> relayout) { relayout_ = std::move(relayout); }

    // Shows the window over the screen (not as key window) and follows turns of the interface.
    void present();
    // Hides the window and gives it up.
    void close();
    // Lays every shown panel out again: called once the screens under them have turned, since
    // a panel may be placed by a view of a screen, which is laid out only after the turn is told.
    static void relayoutShown();

    void drawRect(CGRect rect) override;
    // A veil counts as hiding what is behind it: what lies under a sheet or an alert is out of
    // reach. The alert's veil leaves the keyboard and the status bar bright.
    [[nodiscard]] bool hidesWhatIsBehind() const override { return dim_ != Dim::None; }
    void touchesBegan(const UITouchSet& touches, UIEvent* event) override;
    void touchesMoved(const UITouchSet& touches, UIEvent* event) override { }
    void touchesEnded(const UITouchSet& touches, UIEvent* event) override { }
    void touchesCancelled(const UITouchSet& touches, UIEvent* event) override { }

private:
    void fitInterface();

    Dim dim_;
    std::function<void()> touchedOutside_;
    std::function<void()> relayout_;
    UIViewRef interfaceView_;
    bool observing_ { false };
};
