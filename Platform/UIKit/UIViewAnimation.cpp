// The animation blocks of UIView: changes made inside a block are recorded per layer property
// and turned into layer animations when the block closes.

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/QuartzCore/CABasicAnimation.h"
#include "Platform/QuartzCore/CAMediaTimingFunction.h"
#include "Platform/UIKit/UIView.h"

namespace {

// beginAnimations without setAnimationDuration animates for this long, as the platform does.
constexpr double kDefaultBlockDuration = 0.2;

struct Change {
    std::shared_ptr<CALayer> layer;
    std::string keyPath;
    CAValue from;
};

struct AnimationBlock {
    double duration { kDefaultBlockDuration };
    double delay { 0 };
    UIViewAnimationCurve curve { UIViewAnimationCurveEaseInOut };
    bool fromCurrentState { false };
    std::function<void(bool)> completion;
    std::vector<Change> changes;
};

std::vector<AnimationBlock>& openBlocks()
{
    static std::vector<AnimationBlock> blocks;
    return blocks;
}

bool gAnimationsEnabled = true;

// Runs the completion once every animation of a block has stopped.
class CompletionGroup final : public CAAnimationDelegate {
public:
    CompletionGroup(int count, std::function<void(bool)> completion) : remaining_(count), completion_(std::move(completion)) { }

    void animationDidStop(const CAAnimation&, bool finished) override
    {
        allFinished_ = allFinished_ && finished;
        if (--remaining_ == 0 && completion_) {
            auto completion = std::move(completion_);
            completion_ = nullptr;
            completion(allFinished_);
        }
    }

private:
    int remaining_;
    bool allFinished_ { true };
    std::function<void(bool)> completion_;
};

const char* curveName(UIViewAnimationCurve curve)
{
    switch (curve) {
    case UIViewAnimationCurveEaseIn:
        return kCAMediaTimingFunctionEaseIn;
    case UIViewAnimationCurveEaseOut:
        return kCAMediaTimingFunctionEaseOut;
    case UIViewAnimationCurveLinear:
        return kCAMediaTimingFunctionLinear;
    case UIViewAnimationCurveEaseInOut:
        break;
    }
    return kCAMediaTimingFunctionEaseInEaseOut;
}

void finishWithoutAnimation(std::function<void(bool)> completion, double delay)
{
    if (!completion) {
        return;
    }
    dispatchAfter(std::max(0.0, delay), [completion = std::move(completion)] { completion(true); });
}

void commit(AnimationBlock block)
{
    struct Planned {
        std::shared_ptr<CALayer> layer;
        std::string keyPath;
        CAValue from;
        CAValue to;
    };
    std::vector<Planned> planned;
    for (auto& change : block.changes) {
        const auto to = change.layer->modelValue(change.keyPath);
        if (to && !(*to == change.from)) {
            planned.push_back({ change.layer, change.keyPath, change.from, *to });
        }
    }
    if (planned.empty() || block.duration <= 0) {
        finishWithoutAnimation(std::move(block.completion), block.delay);
        return;
    }
    auto group = std::make_shared<CompletionGroup>(int(planned.size()), std::move(block.completion));
    const CGFloat begin = block.delay > 0 ? CACurrentMediaTime() + block.delay : 0;
    for (const auto& p : planned) {
        auto animation = CABasicAnimation::animationWithKeyPath(p.keyPath);
        animation->fromValue = p.from;
        animation->toValue = p.to;
        animation->duration = block.duration;
        animation->beginTime = begin;
        if (block.delay > 0) {
            animation->fillMode = kCAFillModeBackwards;
        }
        animation->timingFunction = CAMediaTimingFunction::functionWithName(curveName(block.curve));
        animation->delegate = group;
        p.layer->addAnimation(animation, p.keyPath);
    }
}

UIViewAnimationCurve curveFromOptions(unsigned options)
{
    return UIViewAnimationCurve((options >> 16) & 3u);
}

} // namespace

void UIView::willChangeAnimatable(const char* keyPath)
{
    auto& blocks = openBlocks();
    if (blocks.empty() || !gAnimationsEnabled) {
        return;
    }
    AnimationBlock& block = blocks.back();
    const auto recorded = std::any_of(block.changes.begin(), block.changes.end(),
                                      [&](const Change& c) { return c.layer == layer_ && c.keyPath == keyPath; });
    if (recorded) {
        return;
    }
    const auto from = block.fromCurrentState ? layer_->presentationValue(keyPath) : layer_->modelValue(keyPath);
    if (from) {
        block.changes.push_back({ layer_, keyPath, *from });
    }
}

void UIView::animateWithDuration(double duration, const std::function<void()>& animations, std::function<void(bool)> completion)
{
    animateWithDuration(duration, 0, 0, animations, std::move(completion));
}

void UIView::animateWithDuration(double duration, double delay, unsigned options, const std::function<void()>& animations,
                                 std::function<void(bool)> completion)
{
    AnimationBlock block;
    block.duration = duration;
    block.delay = delay;
    block.curve = curveFromOptions(options);
    block.fromCurrentState = (options & UIViewAnimationOptionBeginFromCurrentState) != 0;
    block.completion = std::move(completion);
    openBlocks().push_back(std::move(block));
    if (animations) {
        try {
            animations();
        } catch (...) {
            openBlocks().pop_back();
            throw;
        }
    }
    AnimationBlock closed = std::move(openBlocks().back());
    openBlocks().pop_back();
    commit(std::move(closed));
}

void UIView::beginAnimations(const std::string&, void*)
{
    openBlocks().push_back(AnimationBlock {});
}

void UIView::setAnimationDuration(double duration)
{
    if (!openBlocks().empty()) {
        openBlocks().back().duration = duration;
    }
}

void UIView::setAnimationDelay(double delay)
{
    if (!openBlocks().empty()) {
        openBlocks().back().delay = delay;
    }
}

void UIView::setAnimationCurve(UIViewAnimationCurve curve)
{
    if (!openBlocks().empty()) {
        openBlocks().back().curve = curve;
    }
}

void UIView::setAnimationBeginsFromCurrentState(bool fromCurrentState)
{
    if (!openBlocks().empty()) {
        openBlocks().back().fromCurrentState = fromCurrentState;
    }
}

void UIView::commitAnimations()
{
    if (openBlocks().empty()) {
        return;
    }
    AnimationBlock closed = std::move(openBlocks().back());
    openBlocks().pop_back();
    commit(std::move(closed));
}

void UIView::setAnimationsEnabled(bool enabled)
{
    gAnimationsEnabled = enabled;
}

bool UIView::areAnimationsEnabled()
{
    return gAnimationsEnabled;
}
