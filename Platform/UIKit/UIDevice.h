#pragma once

#include <string>
#include <vector>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/UIKit/UIInterfaceOrientation.h"

enum UIUserInterfaceIdiom : int {
    UIUserInterfaceIdiomPhone = 0,
    UIUserInterfaceIdiomPad = 1,
};

inline constexpr char UIDeviceOrientationDidChangeNotification[] = "UIDeviceOrientationDidChangeNotification";

// A device the system runs as: its portrait screen in points, the pixels per point and the idiom.
struct UIDeviceProfile {
    std::string name;
    CGSize screenSize;
    CGFloat scale { 1 };
    UIUserInterfaceIdiom idiom { UIUserInterfaceIdiomPhone };
    std::string model;
};

// The current device. Which one it is comes from a profile the host chooses (the iPad by default);
// tests switch profiles freely. Main thread only.
class UIDevice {
public:
    static UIDevice& currentDevice();

    // "iphone" (320 x 480 at 1), "iphone-retina" (at 2), "iphone-tall" (320 x 568 at 2), "ipad"
    // (768 x 1024 at 1), "ipad-retina" (at 2).
    static const std::vector<UIDeviceProfile>& profiles();
    // Null for an unknown name.
    static const UIDeviceProfile* profileNamed(const std::string& name);

    // Makes this device the profile's: the main screen takes its size and scale.
    void setProfile(const UIDeviceProfile& profile);
    [[nodiscard]] const UIDeviceProfile& profile() const { return profile_; }

    [[nodiscard]] UIUserInterfaceIdiom userInterfaceIdiom() const { return profile_.idiom; }
    [[nodiscard]] const std::string& model() const { return profile_.model; }
    [[nodiscard]] std::string systemName() const { return "iPhone OS"; }
    [[nodiscard]] std::string systemVersion() const { return "5.1"; }

    [[nodiscard]] UIDeviceOrientation orientation() const { return orientation_; }
    // The host turns the device; observers hear UIDeviceOrientationDidChangeNotification when the
    // orientation really changes.
    void setOrientation(UIDeviceOrientation orientation);

private:
    UIDevice();
    UIDeviceProfile profile_;
    UIDeviceOrientation orientation_ { UIDeviceOrientationPortrait };
};

// The idiom of the current device.
inline UIUserInterfaceIdiom UI_USER_INTERFACE_IDIOM() { return UIDevice::currentDevice().userInterfaceIdiom(); }
