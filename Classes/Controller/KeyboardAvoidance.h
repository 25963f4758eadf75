#pragma once

#include <vector>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/UIKit/UIDevice.h"

class UIView;

// Moving a form screen up while the keyboard covers its lower part: the nearer a field lies to
// the bottom of the view, the more of the keyboard's height the view moves. Every rectangle and
// every move is taken in interface coordinates (the screen turned upright for the status bar's
// orientation), so a pad's form sheet moves up on a turned screen, not sideways.
namespace KeyboardAvoidance {

inline constexpr double kAnimationDuration = 0.3;
// What must show above the keyboard keeps this much room from it.
inline constexpr CGFloat kKeyboardGap = 8;

struct KeyboardHeights {
    CGFloat portrait;
    CGFloat landscape;
};
// 264 / 353 on a pad, 216 / 162 on a phone.
[[nodiscard]] KeyboardHeights keyboardHeightsForIdiom(UIUserInterfaceIdiom idiom);

// floor(fraction x height), the fraction being where the field's centre lies between the upper
// fifth and the lowest fifth of the view (0 above, 1 below).
[[nodiscard]] CGFloat shiftDistance(CGRect fieldRect, CGRect viewRect, CGFloat keyboardHeight);

// The fraction's shift alone can leave what is typed (or the buttons that must show with it)
// under the keyboard: then the view moves further, until `lowestBottom` lies kKeyboardGap above
// `keyboardTop`, but never so far that the focused field leaves the screen below `screenTop`.
[[nodiscard]] CGFloat shiftShowing(CGFloat shift, CGRect focused, CGFloat lowestBottom, CGFloat keyboardTop,
                                   CGFloat screenTop);

// What a form keeps whole while it moves: `alsoAbove` always shows over the keyboard with the
// focused field; a view of `notCut` that the shift would leave partly under the keyboard comes
// up whole too; `header`, the form's top band, is not left partly under the status bar where
// the focused field shows without that much shift.
struct Showing {
    std::vector<const UIView*> alsoAbove;
    std::vector<const UIView*> notCut;
    const UIView* header { nullptr };
};

// The shift of a view while `focused` has the keyboard: the fraction's shift for `field` (the
// field whose place sets it, usually the focused one) with the keyboard's height of the table
// for the status bar's orientation, mended as `showing` asks for the keyboard and the status
// bar as they are on the screen.
[[nodiscard]] CGFloat shiftDistanceForField(const UIView& field, const UIView& view, KeyboardHeights heights,
                                            const UIView& focused, const Showing& showing = {});

// Moves the view up (a positive distance) or down along the interface's vertical, in a 0.3 s
// animation that begins from the current state.
void moveView(UIView& view, CGFloat upwards);

}
