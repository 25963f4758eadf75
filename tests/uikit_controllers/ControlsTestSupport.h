#pragma once

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImage.h"

// A picture of the size in points: the left half one colour, the right half another.
inline UIImageRef twoColourImage(CGSize size, const UIColorRef& left, const UIColorRef& right, CGFloat scale = 1)
{
    UIGraphicsBeginImageContextWithOptions(size, false, scale);
    CGContextRef c = UIGraphicsGetCurrentContext();
    left->setFill();
    CGContextFillRect(c, CGRectMake(0, 0, size.width / 2, size.height));
    right->setFill();
    CGContextFillRect(c, CGRectMake(size.width / 2, 0, size.width / 2, size.height));
    UIImageRef image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return image;
}
