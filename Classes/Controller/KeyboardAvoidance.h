#pragma once

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/UIKit/UIDevice.h"

class UIView;

// Moving a form screen up while the keyboard covers its lower part: the nearer a field lies to
// the bottom of the view, the more of the keyboard's height the view moves.
namespace KeyboardAvoidance {

inline constexpr double kAnimationDuration = 0.3;

struct KeyboardHeights {
    CGFloat portrait;
    CGFloat landscape;
};
// 264 / 353 on a pad, 216 / 162 on a phone.
[[nodiscard]] KeyboardHeights keyboardHeightsForIdiom(UIUserInterfaceIdiom idiom);

// floor(fraction x height), the fraction being where the field's centre lies between the upper
// fifth and the lowest fifth of the view (0 above, 1 below), both rectangles in window coordinates.
[[nodiscard]] CGFloat shiftDistance(CGRect fieldRect, CGRect viewRect, CGFloat keyboardHeight);

// The shift for a field of a view, in window coordinates, with the keyboard's height for the
// status bar's orientation.
[[nodiscard]] CGFloat shiftDistanceForField(const UIView& field, const UIView& view, KeyboardHeights heights);

// Moves the view's frame up (a positive distance) or down, in a 0.3 s animation that begins
// from the current state.
void moveView(UIView& view, CGFloat upwards);

}
