#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSData.h"
#include "Platform/Foundation/NSObject.h"

class UIImage;
using UIImageRef = std::shared_ptr<const UIImage>;

// A picture with a scale: its size in points is its pixel size divided by the scale.
class UIImage : public NSObject {
public:
    UIImage(CGImageRef image, CGFloat scale);

    // A picture of the bundle, cached by name. "name" or "name.png"; on a screen of scale 2 the
    // "name@2x" file is preferred. Looked up at the bundle's top and in its "Images" folder.
    // Null when there is no such picture or it cannot be decoded.
    static UIImageRef imageNamed(const std::string& name);
    // Where imageNamed finds the picture of that name in a bundle: the "name@2x" file first
    // when `doubleScale`, else (or when there is none) the plain one. Empty when neither is there.
    static std::optional<std::string> pathOfNamed(const NSBundle& bundle, const std::string& name, bool doubleScale);
    // The scale is 2 when the file name ends in "@2x" before its extension.
    static UIImageRef imageWithContentsOfFile(const std::string& path);
    static UIImageRef imageWithData(const NSData& bytes, CGFloat scale = 1);
    static UIImageRef imageWithCGImage(CGImageRef image, CGFloat scale = 1);

    // The scale of the main screen, for imageNamed and image contexts of scale 0. The screen
    // sets it; 1 until then.
    static void setScreenScale(CGFloat scale);
    static CGFloat screenScale();
    // Forgets the pictures imageNamed has cached (the bundle or scale changed).
    static void clearNamedCache();

    CGSize size() const;
    CGFloat scale() const { return scale_; }
    const CGImageRef& CGImage() const { return image_; }

    // Draw upright into the current context (whose y runs downward), scaled to the rectangle.
    void drawInRect(CGRect rect) const;
    void drawInRect(CGRect rect, CGFloat alpha) const;
    void drawAtPoint(CGPoint point) const;

private:
    CGImageRef image_;
    CGFloat scale_ { 1 };
};

// PNG bytes of the image; empty for a null image.
NSData UIImagePNGRepresentation(const UIImageRef& image);

// The current context stack of interface drawing (main thread only).
CGContextRef UIGraphicsGetCurrentContext();
void UIGraphicsPushContext(CGContextRef context);
void UIGraphicsPopContext();

// Offscreen image contexts: y downward from the top left, in points, at the scale (0 means the
// screen's). An empty size makes no context, and the image taken from it is null; begin and end
// still pair up.
void UIGraphicsBeginImageContext(CGSize size);
void UIGraphicsBeginImageContextWithOptions(CGSize size, bool opaque, CGFloat scale);
UIImageRef UIGraphicsGetImageFromCurrentImageContext();
void UIGraphicsEndImageContext();
