#include "Classes/Controller/MegaButtonImage.h"

#include "Classes/Controller/AccentColor.h"
#include "Classes/Controller/MegaButtonArtwork.h"
#include "Classes/Controller/UIColorHexColor.h"
#include "Platform/CoreGraphics/CGContext.h"

namespace MegaButtonImage {

std::string imageNameForColorScheme(const std::string& colorScheme) { return "LXPH_MegaButton_" + colorScheme + ".png"; }

UIImageRef imageForColorScheme(const std::string& colorScheme)
{
    if (auto bundled = UIImage::imageNamed(imageNameForColorScheme(colorScheme)))
        return bundled;
    auto parts = UIColorHexColor::parseHexColor(colorScheme);
    if (!parts)
        parts = UIColorHexColor::parseHexColor(AccentColor::kDefaultColorScheme);
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(MegaButtonArtwork::kWidth, MegaButtonArtwork::kHeight), false, 0);
    if (const CGContextRef context = UIGraphicsGetCurrentContext())
        MegaButtonArtwork::paint(context->cairo(), MegaButtonArtwork::kWidth, MegaButtonArtwork::kHeight,
                                 parts->red / 255.0, parts->green / 255.0, parts->blue / 255.0);
    UIImageRef image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return image;
}

}
