#include "Platform/QuartzCore/CALayer.h"

#include <algorithm>
#include <cmath>

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/QuartzCore/CATransition.h"

namespace {

CALayer::SnapshotProvider& snapshotProvider()
{
    static CALayer::SnapshotProvider provider;
    return provider;
}

constexpr char kTransitionKey[] = "transition";

CALayer::LayerRenderer& layerRenderer()
{
    static CALayer::LayerRenderer renderer;
    return renderer;
}

}

CGFloat CACurrentMediaTime() { return RunLoop::main().now(); }

std::uint64_t CALayer::nextIdentity()
{
    static std::uint64_t next = 0;
    return ++next;
}

void CALayer::setLayerRenderer(LayerRenderer renderer) { layerRenderer() = std::move(renderer); }

void CALayer::renderInContext(CGContextRef context) const
{
    if (context != nullptr && layerRenderer()) {
        layerRenderer()(*this, context);
    }
}

CALayer::CALayer(const CALayer& other)
    : std::enable_shared_from_this<CALayer>()
    , bounds_(other.bounds_)
    , position_(other.position_)
    , anchorPoint_(other.anchorPoint_)
    , opacity_(other.opacity_)
    , transform_(other.transform_)
    , hidden_(other.hidden_)
    , cornerRadius_(other.cornerRadius_)
    , borderWidth_(other.borderWidth_)
    , borderColor_(other.borderColor_)
    , backgroundColor_(other.backgroundColor_)
    , masksToBounds_(other.masksToBounds_)
    , geometryFlipped_(other.geometryFlipped_)
    , contents_(other.contents_)
    , contentsScale_(other.contentsScale_)
    , name_(other.name_)
{
}

CALayer::~CALayer()
{
    for (auto& child : sublayers_) {
        child->superlayer_ = nullptr;
    }
    // Animations cut short by the layer's end are reported as not finished.
    for (auto& running : animations_) {
        postStop(running.animation, false);
    }
}

std::shared_ptr<CALayer> CALayer::layer() { return std::make_shared<CALayer>(); }

CGRect CALayer::frame() const
{
    return CGRectMake(position_.x - anchorPoint_.x * bounds_.size.width, position_.y - anchorPoint_.y * bounds_.size.height,
                      bounds_.size.width, bounds_.size.height);
}

void CALayer::setFrame(CGRect frame)
{
    frame = CGRectStandardize(frame);
    bounds_.size = frame.size;
    position_ = { frame.origin.x + anchorPoint_.x * frame.size.width, frame.origin.y + anchorPoint_.y * frame.size.height };
}

void CALayer::setOpacity(float opacity)
{
    opacity_ = std::isnan(opacity) ? 0.0f : std::clamp(opacity, 0.0f, 1.0f);
}

void CALayer::addSublayer(const std::shared_ptr<CALayer>& layer) { insertSublayerAtIndex(layer, sublayers_.size()); }

void CALayer::insertSublayerAtIndex(const std::shared_ptr<CALayer>& layer, std::size_t index)
{
    if (!layer || layer.get() == this) {
        return;
    }
    const std::shared_ptr<CALayer> keep = layer;
    keep->removeFromSuperlayer();
    keep->superlayer_ = this;
    sublayers_.insert(sublayers_.begin() + static_cast<std::ptrdiff_t>(std::min(index, sublayers_.size())), keep);
}

bool CALayer::contentsAreFlipped() const
{
    return spaceRunsUpward(geometryFlipped_, superlayer_ != nullptr && superlayer_->contentsAreFlipped());
}

void CALayer::removeFromSuperlayer()
{
    if (!superlayer_) {
        return;
    }
    auto& siblings = superlayer_->sublayers_;
    const auto it = std::find_if(siblings.begin(), siblings.end(), [this](const auto& l) { return l.get() == this; });
    superlayer_ = nullptr;
    if (it != siblings.end()) {
        const std::shared_ptr<CALayer> keep = *it; // this layer may go with the erase
        siblings.erase(it);
    }
}

void CALayer::addAnimation(const std::shared_ptr<const CAAnimation>& animation, const std::string& key)
{
    if (!animation) {
        return;
    }
    std::shared_ptr<CAAnimation> copy = animation->copy();
    if (copy->beginTime == 0) {
        copy->beginTime = CACurrentMediaTime();
    }
    const bool isTransition = dynamic_cast<const CATransition*>(copy.get()) != nullptr;
    const std::string effectiveKey = key.empty() && isTransition ? kTransitionKey : key;
    if (!effectiveKey.empty()) {
        removeAnimationForKey(effectiveKey);
    }
    Running running { effectiveKey, copy, nullptr };
    if (isTransition && snapshotProvider()) {
        running.snapshot = snapshotProvider()(*this);
    }
    animations_.push_back(std::move(running));
    scheduleNotices(copy);
}

void CALayer::scheduleNotices(const std::shared_ptr<CAAnimation>& animation)
{
    const CGFloat now = CACurrentMediaTime();
    const auto start = [animation] {
        if (animation->delegate) {
            animation->delegate->animationDidStart(*animation);
        }
    };
    if (animation->beginTime <= now) {
        dispatchAsyncMain(start);
    } else {
        performAfterDelay(start, animation->beginTime - now);
    }
    const CGFloat active = animation->activeDuration();
    if (!std::isfinite(active)) {
        return;
    }
    const CGFloat end = animation->beginTime + active;
    std::weak_ptr<CALayer> weak = weak_from_this();
    CALayer* raw = this;
    const bool owned = !weak.expired();
    performAfterDelay(
        [weak, raw, owned, animation] {
            if (owned) {
                if (auto layer = weak.lock()) {
                    layer->finish(animation.get());
                }
            } else {
                // A layer not held by a shared pointer cannot be watched; it must outlive its
                // animations, as a view's own layer does.
                raw->finish(animation.get());
            }
        },
        std::max(0.0, end - now));
}

void CALayer::finish(const CAAnimation* animation)
{
    const auto it = std::find_if(animations_.begin(), animations_.end(),
                                 [animation](const Running& r) { return r.animation.get() == animation; });
    if (it == animations_.end()) {
        return; // removed or replaced earlier; that stop was reported then
    }
    const std::shared_ptr<CAAnimation> done = it->animation;
    if (done->removedOnCompletion) {
        animations_.erase(it);
    }
    if (done->delegate) {
        done->delegate->animationDidStop(*done, true);
    }
}

void CALayer::postStop(const std::shared_ptr<CAAnimation>& animation, bool finished)
{
    if (!animation->delegate) {
        return;
    }
    dispatchAsyncMain([animation, finished] { animation->delegate->animationDidStop(*animation, finished); });
}

void CALayer::removeAnimationForKey(const std::string& key)
{
    const auto it = std::find_if(animations_.begin(), animations_.end(), [&key](const Running& r) { return r.key == key; });
    if (it == animations_.end()) {
        return;
    }
    const std::shared_ptr<CAAnimation> removed = it->animation;
    animations_.erase(it);
    postStop(removed, false);
}

void CALayer::removeAllAnimations()
{
    std::vector<Running> removed;
    removed.swap(animations_);
    for (const Running& r : removed) {
        postStop(r.animation, false);
    }
}

std::shared_ptr<const CAAnimation> CALayer::animationForKey(const std::string& key) const
{
    for (const Running& r : animations_) {
        if (!key.empty() && r.key == key) {
            return r.animation;
        }
    }
    return nullptr;
}

std::vector<std::string> CALayer::animationKeys() const
{
    std::vector<std::string> keys;
    for (const Running& r : animations_) {
        if (!r.key.empty()) {
            keys.push_back(r.key);
        }
    }
    return keys;
}

std::optional<CAValue> CALayer::modelValue(const std::string& keyPath) const
{
    if (keyPath == "opacity") return CAValue { static_cast<CGFloat>(opacity_) };
    if (keyPath == "position") return CAValue { position_ };
    if (keyPath == "bounds") return CAValue { bounds_ };
    if (keyPath == "transform") return CAValue { transform_ };
    if (keyPath == "cornerRadius") return CAValue { cornerRadius_ };
    if (keyPath == "borderWidth") return CAValue { borderWidth_ };
    return std::nullopt;
}

void CALayer::setModelValue(const std::string& keyPath, const CAValue& value)
{
    if (keyPath == "opacity" && std::holds_alternative<CGFloat>(value)) {
        setOpacity(static_cast<float>(std::get<CGFloat>(value)));
    } else if (keyPath == "position" && std::holds_alternative<CGPoint>(value)) {
        position_ = std::get<CGPoint>(value);
    } else if (keyPath == "bounds" && std::holds_alternative<CGRect>(value)) {
        bounds_ = std::get<CGRect>(value);
    } else if (keyPath == "transform" && std::holds_alternative<CATransform3D>(value)) {
        transform_ = std::get<CATransform3D>(value);
    } else if (keyPath == "cornerRadius" && std::holds_alternative<CGFloat>(value)) {
        setCornerRadius(std::get<CGFloat>(value));
    } else if (keyPath == "borderWidth" && std::holds_alternative<CGFloat>(value)) {
        setBorderWidth(std::get<CGFloat>(value));
    }
}

void CALayer::applyAnimations(CALayer& target, CGFloat now) const
{
    for (const Running& r : animations_) {
        const auto* property = dynamic_cast<const CAPropertyAnimation*>(r.animation.get());
        if (!property) {
            continue;
        }
        const std::optional<CGFloat> fraction = property->progressAt(now);
        const std::optional<CAValue> model = modelValue(property->keyPath);
        if (!fraction || !model) {
            continue;
        }
        target.setModelValue(property->keyPath, property->valueAt(*fraction, *model));
    }
}

std::shared_ptr<CALayer> CALayer::presentationLayer() const
{
    auto presented = std::make_shared<CALayer>(*this);
    applyAnimations(*presented, CACurrentMediaTime());
    return presented;
}

std::optional<CAValue> CALayer::presentationValue(const std::string& keyPath) const
{
    return presentationLayer()->modelValue(keyPath);
}

std::optional<CALayer::TransitionState> CALayer::transitionState() const
{
    const CGFloat now = CACurrentMediaTime();
    for (auto it = animations_.rbegin(); it != animations_.rend(); ++it) {
        const auto* transition = dynamic_cast<const CATransition*>(it->animation.get());
        if (!transition) {
            continue;
        }
        const std::optional<CGFloat> fraction = transition->progressAt(now);
        if (!fraction) {
            continue;
        }
        const CGFloat p = std::clamp(*fraction, 0.0, 1.0);
        TransitionState state;
        state.type = transition->type;
        state.subtype = transition->subtype;
        state.progress = p;
        state.oldSnapshot = it->snapshot;
        const CGFloat w = bounds_.size.width, h = bounds_.size.height;
        // Where the new content starts: the side it comes from. Top is the smaller y unless the
        // layer's space runs upward.
        const bool upward = contentsAreFlipped();
        CGPoint from { -w, 0 };
        if (transition->subtype == kCATransitionFromRight) {
            from = { w, 0 };
        } else if (transition->subtype == kCATransitionFromTop) {
            from = { 0, upward ? h : -h };
        } else if (transition->subtype == kCATransitionFromBottom) {
            from = { 0, upward ? -h : h };
        }
        const CGPoint remaining { from.x * (1 - p), from.y * (1 - p) };
        const CGPoint away { -from.x * p, -from.y * p };
        if (transition->type == kCATransitionMoveIn) {
            state.newOffset = remaining;
        } else if (transition->type == kCATransitionPush) {
            state.newOffset = remaining;
            state.oldOffset = away;
        } else if (transition->type == kCATransitionReveal) {
            state.oldOffset = away;
            state.oldOnTop = true;
        } else {
            state.newAlpha = p;
            state.oldAlpha = 1 - p;
        }
        return state;
    }
    return std::nullopt;
}

void CALayer::setSnapshotProvider(SnapshotProvider provider) { snapshotProvider() = std::move(provider); }
