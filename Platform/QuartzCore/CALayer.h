#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/CoreGraphics/CGColor.h"
#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/QuartzCore/CAAnimation.h"
#include "Platform/QuartzCore/CATransform3D.h"

// Media time: the main run loop's clock, which tests move by hand.
CGFloat CACurrentMediaTime();

// The look of a view: geometry, opacity, border and corners, and the animations running on it.
// Setting a property changes the model at once; added animations only change what
// presentationLayer() shows while they run. Main thread only.
class CALayer : public std::enable_shared_from_this<CALayer> {
public:
    CALayer() = default;
    virtual ~CALayer();
    // The model properties, without sublayers or animations.
    CALayer(const CALayer& other);
    CALayer& operator=(const CALayer&) = delete;

    static std::shared_ptr<CALayer> layer();

    CGRect bounds() const { return bounds_; }
    void setBounds(CGRect bounds) { bounds_ = bounds; }
    CGPoint position() const { return position_; }
    void setPosition(CGPoint position) { position_ = position; }
    CGPoint anchorPoint() const { return anchorPoint_; }
    void setAnchorPoint(CGPoint anchorPoint) { anchorPoint_ = anchorPoint; }
    // The bounds placed by position and anchor point in the superlayer (transform not applied).
    CGRect frame() const;
    void setFrame(CGRect frame);
    float opacity() const { return opacity_; }
    void setOpacity(float opacity);
    const CATransform3D& transform() const { return transform_; }
    void setTransform(const CATransform3D& transform) { transform_ = transform; }
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }

    CGFloat cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(CGFloat radius) { cornerRadius_ = radius < 0 ? 0 : radius; }
    CGFloat borderWidth() const { return borderWidth_; }
    void setBorderWidth(CGFloat width) { borderWidth_ = width < 0 ? 0 : width; }
    // Black by default, as on the device.
    const CGColorRef& borderColor() const { return borderColor_; }
    void setBorderColor(CGColorRef color) { borderColor_ = std::move(color); }
    const CGColorRef& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(CGColorRef color) { backgroundColor_ = std::move(color); }
    bool masksToBounds() const { return masksToBounds_; }
    void setMasksToBounds(bool masks) { masksToBounds_ = masks; }
    // Geometry flipping turns the way the layer's own space runs (its drawing and where its
    // sublayers sit) against its superlayer's: a flipped layer inside a y-downward superlayer
    // runs y upward, origin at the bottom left of its bounds; a flipped layer inside an upward
    // one runs y downward again. An unflipped layer always runs y downward, also inside a
    // flipped superlayer: the flip decides where it sits, never mirrors what it shows. Image
    // contents always show upright.
    bool isGeometryFlipped() const { return geometryFlipped_; }
    void setGeometryFlipped(bool flipped) { geometryFlipped_ = flipped; }
    // That rule for one layer, given which way its superlayer's space runs.
    [[nodiscard]] static bool spaceRunsUpward(bool geometryFlipped, bool superlayerRunsUpward)
    {
        return geometryFlipped && !superlayerRunsUpward;
    }
    // Whether this layer's own space runs y upward on screen (through its superlayers; a root
    // layer's superlayer space runs downward).
    [[nodiscard]] bool contentsAreFlipped() const;
    const CGImageRef& contents() const { return contents_; }
    void setContents(CGImageRef contents) { contents_ = std::move(contents); }
    CGFloat contentsScale() const { return contentsScale_; }
    void setContentsScale(CGFloat scale) { contentsScale_ = scale > 0 ? scale : 1; }
    const std::string& name() const { return name_; }
    // A number no other layer of the process has (a copy gets its own), so the renderer can tell
    // a layer from a new one made at the same address.
    std::uint64_t identity() const { return identity_; }
    void setName(std::string name) { name_ = std::move(name); }

    // Layer tree (sublayers are owned, the superlayer is not).
    void addSublayer(const std::shared_ptr<CALayer>& layer);
    void insertSublayerAtIndex(const std::shared_ptr<CALayer>& layer, std::size_t index);
    void removeFromSuperlayer();
    const std::vector<std::shared_ptr<CALayer>>& sublayers() const { return sublayers_; }
    CALayer* superlayer() const { return superlayer_; }

    // Animations. Adding copies the animation, resolves a begin time of 0 to now, and replaces
    // one under the same key (an empty key never replaces; a transition's empty key is
    // "transition"). Stop notices are delivered from the run loop, never inside these calls.
    void addAnimation(const std::shared_ptr<const CAAnimation>& animation, const std::string& key);
    void removeAnimationForKey(const std::string& key);
    void removeAllAnimations();
    std::shared_ptr<const CAAnimation> animationForKey(const std::string& key) const;
    std::vector<std::string> animationKeys() const;
    // True while some animation of this layer has an effect now or will have one.
    bool hasAnimations() const { return !animations_.empty(); }

    // A copy of the model with every running animation applied at the current media time.
    std::shared_ptr<CALayer> presentationLayer() const;
    // A property's presented value now ("opacity", "position", "bounds", "transform").
    std::optional<CAValue> presentationValue(const std::string& keyPath) const;
    std::optional<CAValue> modelValue(const std::string& keyPath) const;
    void setModelValue(const std::string& keyPath, const CAValue& value);

    // How a transition running on the layer looks now, for the renderer: the new content is
    // drawn offset by newOffset with newAlpha over the picture of the old look (oldSnapshot,
    // may be null) offset by oldOffset with oldAlpha. Offsets are in the layer's points.
    struct TransitionState {
        std::string type;
        std::string subtype;
        CGFloat progress { 0 };
        CGPoint newOffset {};
        CGPoint oldOffset {};
        CGFloat newAlpha { 1 };
        CGFloat oldAlpha { 1 };
        CGImageRef oldSnapshot;
        // Reveal uncovers the new content from under the old picture.
        bool oldOnTop { false };
    };
    std::optional<TransitionState> transitionState() const;

    // The renderer installs how a layer's present look is captured when a transition starts.
    using SnapshotProvider = std::function<CGImageRef(const CALayer&)>;
    static void setSnapshotProvider(SnapshotProvider provider);

    // Draws the layer and its sublayers, as they show now, into the context, whose user space is
    // taken as the layer's own coordinate space: its bounds, running the way the layer's space
    // runs (CALayer::isGeometryFlipped); its own position, transform and opacity are left out.
    // A layer whose space runs upward therefore comes out mirrored in a y-downward context unless
    // the caller flips first. The renderer installs the drawing.
    void renderInContext(CGContextRef context) const;
    using LayerRenderer = std::function<void(const CALayer&, CGContextRef)>;
    static void setLayerRenderer(LayerRenderer renderer);

private:
    struct Running {
        std::string key;
        std::shared_ptr<CAAnimation> animation;
        CGImageRef snapshot; // transitions only
    };

    void scheduleNotices(const std::shared_ptr<CAAnimation>& animation);
    void finish(const CAAnimation* animation);
    void applyAnimations(CALayer& target, CGFloat now) const;
    static void postStop(const std::shared_ptr<CAAnimation>& animation, bool finished);

    CGRect bounds_ {};
    CGPoint position_ {};
    CGPoint anchorPoint_ { 0.5, 0.5 };
    float opacity_ { 1 };
    CATransform3D transform_ {};
    bool hidden_ { false };
    CGFloat cornerRadius_ { 0 };
    CGFloat borderWidth_ { 0 };
    CGColorRef borderColor_ { CGColorCreateRGBA(0, 0, 0, 1) };
    CGColorRef backgroundColor_;
    bool masksToBounds_ { false };
    bool geometryFlipped_ { false };
    CGImageRef contents_;
    CGFloat contentsScale_ { 1 };
    std::string name_;
    std::uint64_t identity_ { nextIdentity() };
    static std::uint64_t nextIdentity();
    std::vector<std::shared_ptr<CALayer>> sublayers_;
    CALayer* superlayer_ { nullptr }; // not owned: the superlayer owns this layer
    std::vector<Running> animations_;
};
