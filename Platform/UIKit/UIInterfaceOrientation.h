#pragma once

// Interface orientations and their masks, with the platform's values.
enum UIInterfaceOrientation : int {
    UIInterfaceOrientationPortrait = 1,
    UIInterfaceOrientationPortraitUpsideDown = 2,
    // Home button on the right: the interface's top lies along the screen's right edge.
    UIInterfaceOrientationLandscapeRight = 3,
    // Home button on the left.
    UIInterfaceOrientationLandscapeLeft = 4,
};

enum UIInterfaceOrientationMask : unsigned {
    UIInterfaceOrientationMaskPortrait = 1u << UIInterfaceOrientationPortrait,
    UIInterfaceOrientationMaskPortraitUpsideDown = 1u << UIInterfaceOrientationPortraitUpsideDown,
    UIInterfaceOrientationMaskLandscapeRight = 1u << UIInterfaceOrientationLandscapeRight,
    UIInterfaceOrientationMaskLandscapeLeft = 1u << UIInterfaceOrientationLandscapeLeft,
    UIInterfaceOrientationMaskLandscape = UIInterfaceOrientationMaskLandscapeLeft | UIInterfaceOrientationMaskLandscapeRight,
    UIInterfaceOrientationMaskAll = UIInterfaceOrientationMaskPortrait | UIInterfaceOrientationMaskPortraitUpsideDown
        | UIInterfaceOrientationMaskLandscape, // 30
    UIInterfaceOrientationMaskAllButUpsideDown = UIInterfaceOrientationMaskPortrait | UIInterfaceOrientationMaskLandscape,
};

constexpr bool UIInterfaceOrientationIsPortrait(int orientation)
{
    return orientation == UIInterfaceOrientationPortrait || orientation == UIInterfaceOrientationPortraitUpsideDown;
}

constexpr bool UIInterfaceOrientationIsLandscape(int orientation)
{
    return orientation == UIInterfaceOrientationLandscapeLeft || orientation == UIInterfaceOrientationLandscapeRight;
}

// The device's physical orientation. Portrait and upside down match the interface orientations;
// the landscape ones are crossed (device left is interface right).
enum UIDeviceOrientation : int {
    UIDeviceOrientationUnknown = 0,
    UIDeviceOrientationPortrait = 1,
    UIDeviceOrientationPortraitUpsideDown = 2,
    UIDeviceOrientationLandscapeLeft = 3,
    UIDeviceOrientationLandscapeRight = 4,
    UIDeviceOrientationFaceUp = 5,
    UIDeviceOrientationFaceDown = 6,
};
