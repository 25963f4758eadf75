#pragma once

#include <limits>

// Geometry value types of the drawing layer. Rectangles may carry negative sizes as
// given; every query works on the standardised rectangle, as the platform does.

using CGFloat = double;

struct CGPoint {
    CGFloat x { 0 };
    CGFloat y { 0 };
    friend bool operator==(const CGPoint&, const CGPoint&) = default;
};

struct CGSize {
    CGFloat width { 0 };
    CGFloat height { 0 };
    friend bool operator==(const CGSize&, const CGSize&) = default;
};

struct CGRect {
    CGPoint origin {};
    CGSize size {};
    friend bool operator==(const CGRect&, const CGRect&) = default;
};

inline constexpr CGPoint CGPointZero {};
inline constexpr CGSize CGSizeZero {};
inline constexpr CGRect CGRectZero {};
// The null rectangle: "no rectangle", e.g. the intersection of disjoint rectangles.
inline constexpr CGRect CGRectNull { { std::numeric_limits<CGFloat>::infinity(), std::numeric_limits<CGFloat>::infinity() }, { 0, 0 } };
inline constexpr CGRect CGRectInfinite { { -1.0e300, -1.0e300 }, { 2.0e300, 2.0e300 } };

constexpr CGPoint CGPointMake(CGFloat x, CGFloat y) { return { x, y }; }
constexpr CGSize CGSizeMake(CGFloat width, CGFloat height) { return { width, height }; }
constexpr CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat width, CGFloat height) { return { { x, y }, { width, height } }; }

bool CGPointEqualToPoint(CGPoint a, CGPoint b);
bool CGSizeEqualToSize(CGSize a, CGSize b);
// Null rectangles are equal to each other whatever their size; otherwise compared standardised.
bool CGRectEqualToRect(CGRect a, CGRect b);

bool CGRectIsNull(CGRect rect);
// True for the null rectangle and for a zero width or height.
bool CGRectIsEmpty(CGRect rect);
bool CGRectIsInfinite(CGRect rect);

// The same rectangle with non-negative width and height.
CGRect CGRectStandardize(CGRect rect);

CGFloat CGRectGetMinX(CGRect rect);
CGFloat CGRectGetMidX(CGRect rect);
CGFloat CGRectGetMaxX(CGRect rect);
CGFloat CGRectGetMinY(CGRect rect);
CGFloat CGRectGetMidY(CGRect rect);
CGFloat CGRectGetMaxY(CGRect rect);
CGFloat CGRectGetWidth(CGRect rect);
CGFloat CGRectGetHeight(CGRect rect);

// Shrinks by dx on the left and right and dy at top and bottom (grows when negative);
// a rectangle that would get a negative size becomes null.
CGRect CGRectInset(CGRect rect, CGFloat dx, CGFloat dy);
CGRect CGRectOffset(CGRect rect, CGFloat dx, CGFloat dy);
// Smallest rectangle with integral origin and size that contains the rectangle.
CGRect CGRectIntegral(CGRect rect);

// Min edges are inside, max edges are outside.
bool CGRectContainsPoint(CGRect rect, CGPoint point);
bool CGRectContainsRect(CGRect outer, CGRect inner);
bool CGRectIntersectsRect(CGRect a, CGRect b);
// Null when the rectangles do not overlap (touching edges give a zero-size rectangle).
CGRect CGRectIntersection(CGRect a, CGRect b);
// A null operand is ignored.
CGRect CGRectUnion(CGRect a, CGRect b);
