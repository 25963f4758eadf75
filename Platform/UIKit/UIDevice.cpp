#include "Platform/UIKit/UIDevice.h"

#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIScreen.h"

const std::vector<UIDeviceProfile>& UIDevice::profiles()
{
    static const std::vector<UIDeviceProfile> list {
        { "iphone", { 320, 480 }, 1, UIUserInterfaceIdiomPhone, "iPhone" },
        { "iphone-retina", { 320, 480 }, 2, UIUserInterfaceIdiomPhone, "iPhone" },
        { "iphone-tall", { 320, 568 }, 2, UIUserInterfaceIdiomPhone, "iPhone" },
        { "ipad", { 768, 1024 }, 1, UIUserInterfaceIdiomPad, "iPad" },
        { "ipad-retina", { 768, 1024 }, 2, UIUserInterfaceIdiomPad, "iPad" },
    };
    return list;
}

const UIDeviceProfile* UIDevice::profileNamed(const std::string& name)
{
    for (const auto& profile : profiles()) {
        if (profile.name == name) {
            return &profile;
        }
    }
    return nullptr;
}

UIDevice::UIDevice() : profile_(*profileNamed("ipad")) { }

UIDevice& UIDevice::currentDevice()
{
    static UIDevice device;
    return device;
}

void UIDevice::setProfile(const UIDeviceProfile& profile)
{
    profile_ = profile;
    UIScreen::mainScreen().setSize(profile.screenSize, profile.scale);
}

void UIDevice::setOrientation(UIDeviceOrientation orientation)
{
    if (orientation == orientation_) {
        return;
    }
    orientation_ = orientation;
    NSNotificationCenter::defaultCenter().postNotificationName(UIDeviceOrientationDidChangeNotification, this);
}
