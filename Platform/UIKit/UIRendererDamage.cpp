#include "Platform/UIKit/UIRendererDamage.h"

#include <algorithm>
#include <cmath>

#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIRendering.h"
#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIWindow.h"

using namespace UIRendering;

namespace {

std::array<double, 4> components(const CGColorRef& color)
{
    if (!color) {
        return { -1, -1, -1, -1 };
    }
    return { color->red(), color->green(), color->blue(), color->alpha() };
}

// Walks the visible layer trees as the painter does, recording each layer and collecting, in
// screen points, the parts of views that will be redrawn.
struct DamageWalk {
    std::unordered_map<std::uint64_t, LayerRecord>& records;
    std::vector<CGRect>& damage;
    bool transition { false };

    void walk(const CALayer& model, UIView* view, bool superUpward, CGAffineTransform superToScreen, CGRect clip,
              double superOpacity, std::uint64_t parent, std::size_t index)
    {
        const Shown shown(model);
        const CALayer& layer = shown.layer;
        if (isInvisible(layer)) {
            return;
        }
        if (model.hasAnimations() && model.transitionState()) {
            transition = true;
        }
        const CGRect b = layer.bounds();
        CGAffineTransform toScreen = flipWithinIf(superUpward, b);
        toScreen = CGAffineTransformConcat(toScreen, layerToSuperlayer(layer));
        toScreen = CGAffineTransformConcat(toScreen, superToScreen);
        const bool upward = CALayer::spaceRunsUpward(layer.isGeometryFlipped(), superUpward);
        LayerRecord record;
        record.parent = parent;
        record.index = index;
        record.box = CGRectIntersection(CGRectApplyAffineTransform(b, toScreen), clip);
        record.toScreen = toScreen;
        record.bounds = b;
        record.opacity = superOpacity * layer.opacity();
        record.cornerRadius = layer.cornerRadius();
        record.borderWidth = layer.borderWidth();
        record.borderColor = components(layer.borderColor());
        record.backgroundColor = components(layer.backgroundColor());
        record.masksToBounds = layer.masksToBounds();
        record.upward = upward;
        record.contents = layer.contents().get();
        if (view != nullptr) {
            // A view without a picture (drawn elsewhere since) is drawn and shown again whole.
            const CGRect invalid = view->backingStore() == nullptr ? view->bounds() : view->invalidRect();
            if (!CGRectIsNull(invalid)) {
                // The view's own space may run upward; its picture is in look space.
                const CGRect look = upward ? CGRectApplyAffineTransform(invalid, flipWithin(view->bounds())) : invalid;
                damage.push_back(CGRectIntersection(CGRectApplyAffineTransform(look, toScreen), clip));
            }
        }
        const CGRect box = record.box;
        records[model.identity()] = record;
        const CGAffineTransform sublayersToScreen = CGAffineTransformConcat(flipWithinIf(upward, b), toScreen);
        const CGRect subClip = layer.masksToBounds() ? box : clip;
        const auto& sublayers = model.sublayers();
        for (std::size_t i = 0; i < sublayers.size(); ++i) {
            walk(*sublayers[i], subviewWithLayer(view, sublayers[i].get()), upward, sublayersToScreen, subClip,
                 superOpacity * layer.opacity(), model.identity(), i);
        }
    }
};

// Whole device pixels around a rectangle of screen points.
CGRect roundedOut(CGRect r, CGFloat scale)
{
    const double x0 = std::floor(r.origin.x * scale), y0 = std::floor(r.origin.y * scale);
    const double x1 = std::ceil(CGRectGetMaxX(r) * scale), y1 = std::ceil(CGRectGetMaxY(r) * scale);
    return CGRectMake(x0 / scale, y0 / scale, (x1 - x0) / scale, (y1 - y0) / scale);
}

// More separate rectangles than this are painted as their union.
constexpr std::size_t kMaxDamageRects = 12;

} // namespace

std::vector<CGRect> UIRenderer::Damage::update(const std::vector<UIWindowRef>& backToFront, bool menuVisible, bool& full)
{
    std::unordered_map<std::uint64_t, LayerRecord> now;
    std::vector<CGRect> damage;
    DamageWalk walk { now, damage };
    std::vector<std::uint64_t> windowIds;
    for (std::size_t i = 0; i < backToFront.size(); ++i) {
        windowIds.push_back(backToFront[i]->layer()->identity());
        walk.walk(*backToFront[i]->layer(), backToFront[i].get(), false, CGAffineTransformIdentity, CGRectInfinite, 1, 0, i);
    }
    full = full || windowIds != windows || walk.transition || transitionLastFrame || menuVisible || menuLastFrame;
    for (const auto& [id, record] : now) {
        const auto old = records.find(id);
        if (old == records.end()) {
            damage.push_back(record.box);
        } else if (!(old->second == record)) {
            damage.push_back(old->second.box);
            damage.push_back(record.box);
        }
    }
    for (const auto& [id, record] : records) {
        if (now.count(id) == 0) {
            damage.push_back(record.box);
        }
    }
    records = std::move(now);
    windows = std::move(windowIds);
    transitionLastFrame = walk.transition;
    menuLastFrame = menuVisible;
    return damage;
}

std::vector<CGRect> UIRenderer::Damage::simplified(std::vector<CGRect> rects, CGRect screen, CGFloat scale)
{
    std::vector<CGRect> kept;
    for (const CGRect& r : rects) {
        const CGRect cut = CGRectIntersection(r, screen);
        if (CGRectIsNull(cut) || CGRectIsEmpty(cut)) {
            continue;
        }
        const CGRect pixels = roundedOut(cut, scale);
        if (std::any_of(kept.begin(), kept.end(), [&](const CGRect& k) { return CGRectContainsRect(k, pixels); })) {
            continue;
        }
        std::erase_if(kept, [&](const CGRect& k) { return CGRectContainsRect(pixels, k); });
        kept.push_back(pixels);
    }
    if (kept.size() > kMaxDamageRects) {
        CGRect all = CGRectNull;
        for (const CGRect& r : kept) {
            all = CGRectUnion(all, r);
        }
        kept = { all };
    }
    return kept;
}
