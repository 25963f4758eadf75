#include "Platform/CoreText/CTFont.h"

#include <functional>

#include "Platform/CoreText/CTFontFace.h"

namespace {
constexpr CGFloat kDefaultFontSize = 12.0;
}

CTFont::CTFont(std::shared_ptr<CTFontFace> face, std::string requestedName, CGFloat size)
    : face_(std::move(face))
    , requestedName_(std::move(requestedName))
    , size_(size > 0 ? size : kDefaultFontSize)
{
}

CGFloat CTFont::ascent() const { return face_ ? face_->ascent() * size_ : 0.8 * size_; }
CGFloat CTFont::descent() const { return face_ ? face_->descent() * size_ : 0.2 * size_; }
CGFloat CTFont::leading() const { return face_ ? face_->lineGap() * size_ : 0; }

bool CTFont::isEqual(const NSObject& other) const
{
    const auto* font = dynamic_cast<const CTFont*>(&other);
    return font && font->face_ == face_ && font->size_ == size_;
}

std::size_t CTFont::hash() const
{
    return std::hash<const void*> {}(face_.get()) * 31u ^ std::hash<CGFloat> {}(size_);
}

// The font matrix is not supported; callers pass none.
CTFontRef CTFontCreateWithName(const std::string& name, CGFloat size, const CGAffineTransform*)
{
    return std::make_shared<const CTFont>(CTFontFace::faceForName(name), name, size);
}

CTFontRef CTFontCreateCopyWithSize(const CTFontRef& font, CGFloat size)
{
    if (!font) {
        return nullptr;
    }
    return std::make_shared<const CTFont>(font->face(), font->name(), size);
}

std::string CTFontCopyPostScriptName(const CTFontRef& font)
{
    return font && font->face() ? font->face()->postScriptName() : std::string();
}

std::string CTFontCopyFamilyName(const CTFontRef& font)
{
    return font && font->face() ? font->face()->familyName() : std::string();
}

std::string CTFontCopyFilePath(const CTFontRef& font)
{
    return font && font->face() ? font->face()->path() : std::string();
}

CGFloat CTFontGetSize(const CTFontRef& font) { return font ? font->size() : 0; }
CGFloat CTFontGetAscent(const CTFontRef& font) { return font ? font->ascent() : 0; }
CGFloat CTFontGetDescent(const CTFontRef& font) { return font ? font->descent() : 0; }
CGFloat CTFontGetLeading(const CTFontRef& font) { return font ? font->leading() : 0; }
