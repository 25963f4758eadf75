#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/UIKit/UIActionSheet.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIRenderer.h"
#include "tests/uikit/UIKitTestSupport.h"
#include "tests/support/SnapshotFolder.h"

// The UIKit fixture, with no alert or sheet left over from another test, and snapshots written
// beside the test program (under the build folder) for people to look at.
class ModalTest : public UIKitTest {
protected:
    void SetUp() override
    {
        resetModals();
        UIKitTest::SetUp();
    }
    void TearDown() override
    {
        resetModals();
        UIKitTest::TearDown();
    }
    static void resetModals()
    {
        UIAlertView::resetForTesting();
        UIActionSheet::resetForTesting();
    }

    static void useDevice(const char* name) { UIDevice::currentDevice().setProfile(*UIDevice::profileNamed(name)); }

    // A tap at the centre of a screen rectangle.
    void tapRect(CGRect r) { tap(CGPointMake(CGRectGetMidX(r), CGRectGetMidY(r))); }

    static std::string snapshotPath(const std::string& name) { return snapshotFile("uikit_controllers", name); }

    // The screen's pixel at a point (scale 1 devices), as 0-255 components.
    struct Pixel {
        int r, g, b;
    };
    static Pixel pixelAt(const CGImageRef& image, CGPoint p)
    {
        cairo_surface_t* s = image->surface();
        cairo_surface_flush(s);
        const unsigned char* data = cairo_image_surface_get_data(s);
        const int stride = cairo_image_surface_get_stride(s);
        const auto* px = reinterpret_cast<const uint32_t*>(data + int(p.y) * stride) + int(p.x);
        return Pixel { int((*px >> 16) & 0xff), int((*px >> 8) & 0xff), int(*px & 0xff) };
    }
};
