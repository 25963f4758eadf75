#include <gtest/gtest.h>

#include <cmath>

#include "Platform/CoreGraphics/CGAffineTransform.h"
#include "Platform/CoreGraphics/CGGeometry.h"

namespace {

TEST(Geometry, NegativeSizesAreStandardisedByEveryQuery)
{
    const CGRect r = CGRectMake(10, 20, -4, -6);
    EXPECT_EQ(CGRectStandardize(r), CGRectMake(6, 14, 4, 6));
    EXPECT_EQ(CGRectGetMinX(r), 6);
    EXPECT_EQ(CGRectGetMaxX(r), 10);
    EXPECT_EQ(CGRectGetMidY(r), 17);
    EXPECT_EQ(CGRectGetWidth(r), 4);
    EXPECT_TRUE(CGRectContainsPoint(r, { 7, 15 }));
    EXPECT_TRUE(CGRectEqualToRect(r, CGRectMake(6, 14, 4, 6)));
}

TEST(Geometry, NullAndZeroRects)
{
    EXPECT_TRUE(CGRectIsNull(CGRectNull));
    EXPECT_FALSE(CGRectIsNull(CGRectZero));
    EXPECT_TRUE(CGRectIsEmpty(CGRectZero));
    EXPECT_TRUE(CGRectIsEmpty(CGRectNull));
    EXPECT_TRUE(CGRectEqualToRect(CGRectNull, CGRectOffset(CGRectNull, 3, 4)));
    EXPECT_FALSE(CGRectContainsPoint(CGRectNull, { 0, 0 }));
    EXPECT_EQ(CGRectUnion(CGRectNull, CGRectMake(1, 2, 3, 4)), CGRectMake(1, 2, 3, 4));
    EXPECT_TRUE(CGRectIsNull(CGRectIntersection(CGRectNull, CGRectMake(0, 0, 5, 5))));
}

TEST(Geometry, IntersectionUnionAndContainment)
{
    struct Case {
        CGRect a, b, intersection, unionRect;
        bool intersects;
    };
    const Case cases[] = {
        { CGRectMake(0, 0, 10, 10), CGRectMake(5, 5, 10, 10), CGRectMake(5, 5, 5, 5), CGRectMake(0, 0, 15, 15), true },
        { CGRectMake(0, 0, 10, 10), CGRectMake(20, 0, 5, 5), CGRectNull, CGRectMake(0, 0, 25, 10), false },
        // Touching edges meet in a rectangle without area.
        { CGRectMake(0, 0, 10, 10), CGRectMake(10, 0, 5, 5), CGRectMake(10, 0, 0, 5), CGRectMake(0, 0, 15, 10), false },
        { CGRectMake(0, 0, 10, 10), CGRectMake(2, 2, 2, 2), CGRectMake(2, 2, 2, 2), CGRectMake(0, 0, 10, 10), true },
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(CGRectEqualToRect(CGRectIntersection(c.a, c.b), c.intersection));
        EXPECT_EQ(CGRectUnion(c.a, c.b), c.unionRect);
        EXPECT_EQ(CGRectIntersectsRect(c.a, c.b), c.intersects);
    }
    EXPECT_TRUE(CGRectContainsRect(CGRectMake(0, 0, 10, 10), CGRectMake(0, 0, 10, 10)));
    EXPECT_FALSE(CGRectContainsRect(CGRectMake(0, 0, 10, 10), CGRectMake(1, 1, 10, 1)));
    // The maximum edges are outside.
    EXPECT_FALSE(CGRectContainsPoint(CGRectMake(0, 0, 10, 10), { 10, 5 }));
    EXPECT_TRUE(CGRectContainsPoint(CGRectMake(0, 0, 10, 10), { 0, 0 }));
}

TEST(Geometry, InsetAndIntegral)
{
    EXPECT_EQ(CGRectInset(CGRectMake(0, 0, 10, 20), 2, 3), CGRectMake(2, 3, 6, 14));
    EXPECT_EQ(CGRectInset(CGRectMake(0, 0, 10, 20), -1, -1), CGRectMake(-1, -1, 12, 22));
    EXPECT_TRUE(CGRectIsNull(CGRectInset(CGRectMake(0, 0, 4, 4), 3, 0)));
    EXPECT_EQ(CGRectIntegral(CGRectMake(0.5, 1.2, 2.0, 2.5)), CGRectMake(0, 1, 3, 3));
}

TEST(AffineTransform, ConcatInvertAndApply)
{
    const CGAffineTransform t = CGAffineTransformConcat(CGAffineTransformMakeScale(2, 3), CGAffineTransformMakeTranslation(5, 7));
    EXPECT_EQ(CGPointApplyAffineTransform({ 1, 1 }, t), CGPointMake(7, 10));
    // Translate prepends: the translation is scaled by the existing transform.
    EXPECT_EQ(CGPointApplyAffineTransform({ 0, 0 }, CGAffineTransformTranslate(CGAffineTransformMakeScale(2, 2), 1, 1)),
              CGPointMake(2, 2));
    const CGPoint back = CGPointApplyAffineTransform(CGPointApplyAffineTransform({ 3, 4 }, t), CGAffineTransformInvert(t));
    EXPECT_NEAR(back.x, 3, 1e-12);
    EXPECT_NEAR(back.y, 4, 1e-12);
    const CGAffineTransform singular = CGAffineTransformMakeScale(0, 1);
    EXPECT_EQ(CGAffineTransformInvert(singular), singular);
    const CGRect r = CGRectApplyAffineTransform(CGRectMake(0, 0, 10, 20), CGAffineTransformMakeRotation(M_PI / 2));
    EXPECT_NEAR(r.origin.x, -20, 1e-9);
    EXPECT_NEAR(r.size.width, 20, 1e-9);
    EXPECT_NEAR(r.size.height, 10, 1e-9);
}

}
