#pragma once

// The numbers behind the gesture recognizers, in one place. Distances are in points of the
// window, times in seconds on the run-loop clock.

// A tap (and each tap of a multi-tap) fails when its touches move farther than this.
inline constexpr double kUITapAllowableMovement = 10;
// The next tap of a multi-tap must touch down within this time after the previous lift-off...
inline constexpr double kUIMultiTapInterval = 0.3;
// ...and this close to where the first tap was.
inline constexpr double kUIMultiTapMaximumDistance = 45;

// Default press duration and movement allowed before a long press begins.
inline constexpr double kUILongPressDefaultDuration = 0.5;
inline constexpr double kUILongPressDefaultAllowableMovement = 10;

// A swipe needs this much movement along its direction within the time limit, and may stray
// sideways by at most this fraction of the distance covered along it.
inline constexpr double kUISwipeMinimumDistance = 50;
inline constexpr double kUISwipeMaximumDuration = 0.5;
inline constexpr double kUISwipeMaximumSlope = 0.5;

// A pan begins once its touches' centre has moved this far.
inline constexpr double kUIPanHysteresis = 10;

// Two touch-downs this close in time and place count as a double tap for UITouch::tapCount.
inline constexpr double kUITouchTapCountInterval = kUIMultiTapInterval;
inline constexpr double kUITouchTapCountDistance = kUIMultiTapMaximumDistance;
