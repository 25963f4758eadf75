#include "Platform/UIKit/UIImage.h"

#include <map>
#include <vector>

#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSString.h"

namespace {

CGFloat gScreenScale = 1;

std::map<std::string, UIImageRef>& namedCache()
{
    static std::map<std::string, UIImageRef> cache;
    return cache;
}

// The context stack: contexts pushed by their drawers (not owned) and image contexts (owned).
struct ContextEntry {
    CGContextRef context { nullptr };
    std::unique_ptr<CGContext> owned;
    bool imageContext { false };
};

std::vector<ContextEntry>& contextStack()
{
    static std::vector<ContextEntry> stack;
    return stack;
}

}

UIImage::UIImage(CGImageRef image, CGFloat scale)
    : image_(std::move(image))
    , scale_(scale > 0 ? scale : 1)
{
}

void UIImage::setScreenScale(CGFloat scale)
{
    if (scale > 0 && scale != gScreenScale) {
        gScreenScale = scale;
        clearNamedCache();
    }
}

CGFloat UIImage::screenScale() { return gScreenScale; }
void UIImage::clearNamedCache() { namedCache().clear(); }

UIImageRef UIImage::imageNamed(const std::string& name)
{
    if (name.empty()) {
        return nullptr;
    }
    auto& cache = namedCache();
    if (auto it = cache.find(name); it != cache.end()) {
        return it->second;
    }
    const NSBundle& bundle = NSBundle::mainBundle();
    UIImageRef image;
    if (gScreenScale >= 2) {
        if (const auto path = pathOfNamed(bundle, name, true)) {
            image = imageWithContentsOfFile(*path);
        }
    }
    // A double-scale file that cannot be decoded leaves the plain one.
    if (!image) {
        if (const auto path = pathOfNamed(bundle, name, false)) {
            image = imageWithContentsOfFile(*path);
        }
    }
    if (image) {
        cache[name] = image;
    }
    return image;
}

std::optional<std::string> UIImage::pathOfNamed(const NSBundle& bundle, const std::string& name, bool doubleScale)
{
    std::string base = name;
    std::string type = "png";
    if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) {
        base = name.substr(0, dot);
        type = name.substr(dot + 1);
    }
    const auto find = [&](const std::string& file) {
        auto path = bundle.pathForResource(file, type);
        return path ? path : bundle.pathForResource(file, type, "Images");
    };
    if (doubleScale && !hasSuffix(base, "@2x")) {
        if (auto path = find(base + "@2x")) {
            return path;
        }
    }
    return find(base);
}

UIImageRef UIImage::imageWithContentsOfFile(const std::string& path)
{
    auto decoded = CGImage::createWithContentsOfFile(path);
    if (!decoded) {
        return nullptr;
    }
    const auto dot = path.rfind('.');
    const std::string stem = dot == std::string::npos ? path : path.substr(0, dot);
    return std::make_shared<const UIImage>(std::move(decoded), hasSuffix(stem, "@2x") ? 2 : 1);
}

UIImageRef UIImage::imageWithData(const NSData& bytes, CGFloat scale)
{
    auto decoded = CGImage::createWithData(bytes);
    return decoded ? std::make_shared<const UIImage>(std::move(decoded), scale) : nullptr;
}

UIImageRef UIImage::imageWithCGImage(CGImageRef image, CGFloat scale)
{
    return image ? std::make_shared<const UIImage>(std::move(image), scale) : nullptr;
}

CGSize UIImage::size() const
{
    if (!image_) {
        return CGSizeZero;
    }
    return { static_cast<CGFloat>(image_->width()) / scale_, static_cast<CGFloat>(image_->height()) / scale_ };
}

void UIImage::drawInRect(CGRect rect) const { drawInRect(rect, 1.0); }

void UIImage::drawInRect(CGRect rect, CGFloat alpha) const
{
    CGContextRef c = UIGraphicsGetCurrentContext();
    if (!c || !image_ || CGRectIsEmpty(rect)) {
        return;
    }
    // CGContextDrawImage puts the first row at the maximum y; flip about the rectangle so the
    // picture stands upright in a context whose y runs downward.
    CGContextSaveGState(c);
    rect = CGRectStandardize(rect);
    CGContextTranslateCTM(c, 0, rect.origin.y * 2 + rect.size.height);
    CGContextScaleCTM(c, 1, -1);
    CGContextSetAlpha(c, c->state().alpha * alpha);
    CGContextDrawImage(c, rect, image_);
    CGContextRestoreGState(c);
}

void UIImage::drawAtPoint(CGPoint point) const { drawInRect({ point, size() }); }

NSData UIImagePNGRepresentation(const UIImageRef& image)
{
    return image && image->CGImage() ? image->CGImage()->pngData() : NSData {};
}

CGContextRef UIGraphicsGetCurrentContext()
{
    auto& stack = contextStack();
    return stack.empty() ? nullptr : stack.back().context;
}

void UIGraphicsPushContext(CGContextRef context) { contextStack().push_back({ context, nullptr, false }); }

void UIGraphicsPopContext()
{
    auto& stack = contextStack();
    if (!stack.empty()) {
        stack.pop_back();
    }
}

void UIGraphicsBeginImageContext(CGSize size) { UIGraphicsBeginImageContextWithOptions(size, false, 1.0); }

void UIGraphicsBeginImageContextWithOptions(CGSize size, bool opaque, CGFloat scale)
{
    if (scale <= 0) {
        scale = gScreenScale;
    }
    auto context = CGContext::createImageContext(size, scale, opaque, true);
    CGContextRef raw = context.get();
    contextStack().push_back({ raw, std::move(context), true });
}

UIImageRef UIGraphicsGetImageFromCurrentImageContext()
{
    auto& stack = contextStack();
    if (stack.empty() || !stack.back().imageContext || !stack.back().context) {
        return nullptr;
    }
    CGContextRef c = stack.back().context;
    return UIImage::imageWithCGImage(c->makeImage(), c->scale());
}

void UIGraphicsEndImageContext()
{
    auto& stack = contextStack();
    if (!stack.empty() && stack.back().imageContext) {
        stack.pop_back();
    }
}
