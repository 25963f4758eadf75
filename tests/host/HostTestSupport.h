#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/Foundation/NSClock.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIMenuController.h"
#include "Platform/UIKit/UIPasteboard.h"
#include "Platform/UIKit/UIResponder.h"
#include "tests/support/TempDir.h"

// Every host test starts from a fresh application on the given device in portrait, with the run
// loop's clock moved by hand, and gets a scratch folder of its own.
class HostTest : public ::testing::Test {
protected:
    explicit HostTest(std::string device = "iphone") : device_(std::move(device)) { }

    void SetUp() override
    {
        resetAll();
        UIDevice::currentDevice().setProfile(*UIDevice::profileNamed(device_));
        RunLoop::main().bindToCurrentThread();
        clock_ = std::make_shared<ManualClock>(1000.0);
        RunLoop::main().setClock(clock_);
    }

    void TearDown() override { resetAll(); }

    static void resetAll()
    {
        UIGestureRecognizer::resetAllForTesting();
        UIResponder::resetFirstResponderForTesting();
        UIApplication::sharedApplication().resetForTesting();
        UIMenuController::sharedMenuController().resetForTesting();
        UIPasteboard::generalPasteboard().resetForTesting();
        UIDevice::currentDevice().setOrientation(UIDeviceOrientationPortrait);
        UIDevice::currentDevice().setProfile(*UIDevice::profileNamed("ipad"));
        RunLoop::main().resetForTesting();
    }

    void advance(double seconds) { RunLoop::main().advance(seconds); }

    std::string scratch(const std::string& name) const { return scratch_ / name; }

    std::string device_;
    std::shared_ptr<ManualClock> clock_;
    TempDir scratch_ { "lexiphant-host-tests" };
};

// Colour comparison with a tolerance for antialiasing and rounding.
inline ::testing::AssertionResult pixelNear(const CGImage& image, std::size_t x, std::size_t y, CGImage::Pixel expected,
                                            int tolerance = 3)
{
    const CGImage::Pixel p = image.pixelAt(x, y);
    const auto near = [tolerance](int a, int b) { return std::abs(a - b) <= tolerance; };
    if (near(p.red, expected.red) && near(p.green, expected.green) && near(p.blue, expected.blue) && near(p.alpha, expected.alpha)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is rgba(" << int(p.red) << ", " << int(p.green)
                                         << ", " << int(p.blue) << ", " << int(p.alpha) << "), expected rgba("
                                         << int(expected.red) << ", " << int(expected.green) << ", " << int(expected.blue)
                                         << ", " << int(expected.alpha) << ")";
}

inline constexpr CGImage::Pixel kWhite { 255, 255, 255, 255 };
inline constexpr CGImage::Pixel kBlack { 0, 0, 0, 255 };
inline constexpr CGImage::Pixel kRed { 255, 0, 0, 255 };
inline constexpr CGImage::Pixel kGreen { 0, 255, 0, 255 };
inline constexpr CGImage::Pixel kBlue { 0, 0, 255, 255 };
