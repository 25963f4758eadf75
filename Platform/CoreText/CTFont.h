#pragma once

#include <memory>
#include <string>

#include "Platform/CoreGraphics/CGAffineTransform.h"
#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/Foundation/NSObject.h"

class CTFontFace;

// A font face at a point size. Compared by face and size: fonts sit in attribute sets and
// colour records are compared by value.
class CTFont : public NSObject {
public:
    CTFont(std::shared_ptr<CTFontFace> face, std::string requestedName, CGFloat size);

    // The name the font was asked for (what fontName answers).
    const std::string& name() const { return requestedName_; }
    CGFloat size() const { return size_; }
    const std::shared_ptr<CTFontFace>& face() const { return face_; }

    // Metrics in points; descent is positive (below the baseline).
    CGFloat ascent() const;
    CGFloat descent() const;
    // The extra gap the face asks for between lines.
    CGFloat leading() const;

    bool isEqual(const NSObject& other) const override;
    std::size_t hash() const override;

private:
    std::shared_ptr<CTFontFace> face_;
    std::string requestedName_;
    CGFloat size_ { 12 };
};

using CTFontRef = std::shared_ptr<const CTFont>;

// An object that stands for a font (the interface font); text layout takes its drawing font
// from attribute values of this kind as well as from CTFonts.
class CTFontConvertible {
public:
    virtual ~CTFontConvertible() = default;
    virtual const CTFontRef& drawingFont() const = 0;
};

// Resolves the name through the bundle's alias table and fontconfig; never null: a name that
// no installed font answers gets fontconfig's nearest match. A size of 0 or less means 12.
CTFontRef CTFontCreateWithName(const std::string& name, CGFloat size, const CGAffineTransform* matrix = nullptr);
CTFontRef CTFontCreateCopyWithSize(const CTFontRef& font, CGFloat size);

std::string CTFontCopyPostScriptName(const CTFontRef& font);
std::string CTFontCopyFamilyName(const CTFontRef& font);
// The face's file, as fontconfig resolved it.
std::string CTFontCopyFilePath(const CTFontRef& font);
CGFloat CTFontGetSize(const CTFontRef& font);
CGFloat CTFontGetAscent(const CTFontRef& font);
CGFloat CTFontGetDescent(const CTFontRef& font);
CGFloat CTFontGetLeading(const CTFontRef& font);
