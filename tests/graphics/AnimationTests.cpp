#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <vector>

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/QuartzCore/CABasicAnimation.h"
#include "Platform/QuartzCore/CAKeyframeAnimation.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/QuartzCore/CATransition.h"

namespace {

struct Recorder : CAAnimationDelegate {
    std::vector<std::string> events;
    void animationDidStart(const CAAnimation&) override { events.push_back("start"); }
    void animationDidStop(const CAAnimation&, bool finished) override { events.push_back(finished ? "finished" : "stopped"); }
};

class Animations : public testing::Test {
protected:
    void SetUp() override
    {
        RunLoop::main().resetForTesting();
        clock_ = std::make_shared<ManualClock>(100.0);
        RunLoop::main().setClock(clock_);
        layer_ = CALayer::layer();
        layer_->setBounds(CGRectMake(0, 0, 100, 50));
        layer_->setPosition({ 50, 25 });
    }
    void TearDown() override { RunLoop::main().resetForTesting(); }

    // Moves the clock and runs whatever came due on the way.
    void advance(double seconds) { RunLoop::main().advance(seconds); }
    CGFloat opacity() const { return std::get<CGFloat>(*layer_->presentationValue("opacity")); }

    std::shared_ptr<ManualClock> clock_;
    std::shared_ptr<CALayer> layer_;
};

TEST_F(Animations, BasicAnimationInterpolatesOnlyThePresentation)
{
    auto fade = CABasicAnimation::animationWithKeyPath("opacity");
    fade->fromValue = CGFloat(1.0);
    fade->toValue = CGFloat(0.0);
    fade->duration = 2;
    auto recorder = std::make_shared<Recorder>();
    fade->delegate = recorder;
    layer_->setOpacity(0);
    layer_->addAnimation(fade, "fade");
    EXPECT_EQ(layer_->opacity(), 0.0f); // the model changed at once
    const struct {
        double at;
        double opacity;
    } samples[] = { { 0, 1.0 }, { 0.5, 0.75 }, { 0.5, 0.5 }, { 0.5, 0.25 } };
    for (const auto& s : samples) {
        advance(s.at);
        EXPECT_NEAR(opacity(), s.opacity, 1e-9) << clock_->now();
    }
    EXPECT_EQ(recorder->events, (std::vector<std::string> { "start" }));
    advance(0.5);
    EXPECT_EQ(recorder->events, (std::vector<std::string> { "start", "finished" }));
    EXPECT_FALSE(layer_->animationForKey("fade"));
    EXPECT_NEAR(opacity(), 0, 1e-9);
}

TEST_F(Animations, MissingEndsComeFromTheModelAndTimingFunctionsEase)
{
    auto move = CABasicAnimation::animationWithKeyPath("position");
    move->fromValue = CGPoint { 0, 0 };
    move->duration = 1;
    move->timingFunction = CAMediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseInEaseOut);
    layer_->setPosition({ 100, 40 });
    layer_->addAnimation(move, "move");
    advance(0.25);
    const CGPoint early = std::get<CGPoint>(*layer_->presentationValue("position"));
    EXPECT_LT(early.x, 25); // eased in: slower than linear at first
    advance(0.25);
    const CGPoint middle = std::get<CGPoint>(*layer_->presentationValue("position"));
    EXPECT_NEAR(middle.x, 50, 1e-6);
    EXPECT_NEAR(middle.y, 20, 1e-6);

    auto grow = CABasicAnimation::animationWithKeyPath("bounds");
    grow->toValue = CGRectMake(0, 0, 200, 100);
    grow->duration = 1;
    layer_->addAnimation(grow, "grow");
    advance(0.5);
    EXPECT_EQ(std::get<CGRect>(*layer_->presentationValue("bounds")), CGRectMake(0, 0, 150, 75));
    EXPECT_EQ(layer_->bounds(), CGRectMake(0, 0, 100, 50));
}

TEST_F(Animations, TransformsInterpolateByScaleAndRotation)
{
    auto pop = CABasicAnimation::animationWithKeyPath("transform");
    pop->fromValue = CATransform3DMakeScale(0.01, 0.01, 1);
    pop->toValue = CATransform3DMakeRotation(M_PI / 2, 0, 0, 1);
    pop->duration = 1;
    layer_->addAnimation(pop, "");
    advance(0.5);
    const CATransform3D t = std::get<CATransform3D>(*layer_->presentationValue("transform"));
    // Half way: scale about 0.505, rotated by 45 degrees.
    EXPECT_NEAR(std::hypot(t.m11, t.m12), 0.505, 1e-9);
    EXPECT_NEAR(std::atan2(t.m12, t.m11), M_PI / 4, 1e-9);
}

TEST_F(Animations, CaretBlinkKeyframesRepeatForEverAfterTheBeginTime)
{
    auto blink = CAKeyframeAnimation::animationWithKeyPath("opacity");
    blink->values = { CGFloat(1.0), CGFloat(1.0), CGFloat(0.0), CGFloat(0.0) };
    blink->calculationMode = kCAAnimationCubic;
    blink->duration = 1.0;
    blink->beginTime = CACurrentMediaTime() + 0.6;
    blink->repeatCount = FLT_MAX;
    auto recorder = std::make_shared<Recorder>();
    blink->delegate = recorder;
    layer_->setOpacity(1);
    layer_->addAnimation(blink, "BlinkAnimation");
    advance(0.5);
    EXPECT_EQ(opacity(), 1.0); // before the begin time the model shows
    EXPECT_TRUE(recorder->events.empty());
    advance(0.1);
    EXPECT_EQ(recorder->events, (std::vector<std::string> { "start" }));
    for (int cycle = 0; cycle < 50; ++cycle) {
        EXPECT_NEAR(opacity(), 1.0, 1e-9);
        advance(0.5);
        EXPECT_NEAR(opacity(), 0.5, 0.05); // half way through the fall
        advance(0.45);
        EXPECT_NEAR(opacity(), 0.0, 1e-9);
        advance(0.05);
    }
    EXPECT_TRUE(layer_->animationForKey("BlinkAnimation"));
    layer_->removeAllAnimations();
    EXPECT_EQ(opacity(), 1.0);
    advance(0);
    EXPECT_EQ(recorder->events, (std::vector<std::string> { "start", "stopped" }));
}

TEST_F(Animations, KeyTimesAndDiscreteValues)
{
    auto steps = CAKeyframeAnimation::animationWithKeyPath("opacity");
    steps->values = { CGFloat(0.0), CGFloat(1.0), CGFloat(0.5) };
    steps->keyTimes = { 0.0, 0.8, 1.0 };
    steps->duration = 1;
    layer_->addAnimation(steps, "steps");
    advance(0.4);
    EXPECT_NEAR(opacity(), 0.5, 1e-9);
    advance(0.5);
    EXPECT_NEAR(opacity(), 0.75, 1e-9);

    auto discrete = CAKeyframeAnimation::animationWithKeyPath("opacity");
    discrete->values = { CGFloat(0.2), CGFloat(0.4), CGFloat(0.6), CGFloat(0.8) };
    discrete->calculationMode = kCAAnimationDiscrete;
    discrete->duration = 1;
    layer_->addAnimation(discrete, "steps"); // replaces the first
    advance(0.3);
    EXPECT_NEAR(opacity(), 0.4, 1e-6);
    advance(0.5);
    EXPECT_NEAR(opacity(), 0.8, 1e-6);
}

TEST_F(Animations, ReplacedRemovedAndRepeatedAnimationsReportTheirEnd)
{
    auto first = std::make_shared<Recorder>();
    auto second = std::make_shared<Recorder>();
    auto animation = CABasicAnimation::animationWithKeyPath("opacity");
    animation->fromValue = CGFloat(0.0);
    animation->duration = 1;
    animation->repeatCount = 3;
    animation->delegate = first;
    layer_->addAnimation(animation, "a");
    advance(0.5);
    animation->delegate = second; // the layer holds its own copy
    layer_->addAnimation(animation, "a");
    EXPECT_EQ(first->events, (std::vector<std::string> { "start" })); // the stop comes from the run loop
    advance(0);
    EXPECT_EQ(first->events, (std::vector<std::string> { "start", "stopped" }));
    advance(1.25); // second iteration, a quarter in
    EXPECT_NEAR(opacity(), 0.25, 1e-9);
    advance(1.5);
    EXPECT_EQ(second->events, (std::vector<std::string> { "start" }));
    advance(0.25);
    EXPECT_EQ(second->events, (std::vector<std::string> { "start", "finished" }));
    // The first animation's own end time passing changes nothing.
    advance(5);
    EXPECT_EQ(first->events.size(), 2u);

    auto removed = std::make_shared<Recorder>();
    animation->delegate = removed;
    animation->repeatCount = 0;
    layer_->addAnimation(animation, "b");
    layer_->removeAnimationForKey("b");
    advance(2);
    EXPECT_EQ(removed->events, (std::vector<std::string> { "start", "stopped" }));
}

TEST_F(Animations, MoveInTransitionSlidesTheNewContentFromTheSide)
{
    CALayer::setSnapshotProvider([](const CALayer&) { return CGImageRef {}; });
    for (const auto& [subtype, sign] : { std::pair { kCATransitionFromLeft, -1.0 }, { kCATransitionFromRight, 1.0 } }) {
        auto transition = CATransition::animation();
        transition->type = kCATransitionMoveIn;
        transition->subtype = subtype;
        transition->duration = 0.5;
        transition->timingFunction = CAMediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseInEaseOut);
        auto recorder = std::make_shared<Recorder>();
        transition->delegate = recorder;
        layer_->addAnimation(transition, "");
        EXPECT_TRUE(layer_->animationForKey("transition"));
        advance(0);
        ASSERT_TRUE(layer_->transitionState());
        EXPECT_NEAR(layer_->transitionState()->newOffset.x, sign * 100, 1e-9);
        advance(0.25);
        EXPECT_NEAR(layer_->transitionState()->newOffset.x, sign * 50, 1e-9);
        EXPECT_EQ(layer_->transitionState()->oldOffset.x, 0);
        advance(0.25);
        EXPECT_FALSE(layer_->transitionState());
        EXPECT_EQ(recorder->events, (std::vector<std::string> { "start", "finished" }));
    }
    CALayer::setSnapshotProvider(nullptr);
}

TEST(LayerProperties, FrameAndTree)
{
    auto parent = CALayer::layer();
    auto child = CALayer::layer();
    child->setFrame(CGRectMake(10, 20, 30, 40));
    EXPECT_EQ(child->position(), (CGPoint { 25, 40 }));
    EXPECT_EQ(child->frame(), CGRectMake(10, 20, 30, 40));
    child->setOpacity(3);
    EXPECT_EQ(child->opacity(), 1.0f);
    child->setCornerRadius(4);
    child->setBorderWidth(0);
    child->setMasksToBounds(true);
    child->setGeometryFlipped(true);
    EXPECT_TRUE(child->borderColor()->isEqual(*CGColorCreateRGBA(0, 0, 0, 1)));
    parent->addSublayer(child);
    EXPECT_EQ(child->superlayer(), parent.get());
    auto other = CALayer::layer();
    other->addSublayer(child);
    EXPECT_TRUE(parent->sublayers().empty());
    child->removeFromSuperlayer();
    EXPECT_TRUE(other->sublayers().empty());
    EXPECT_EQ(child->presentationLayer()->cornerRadius(), 4);
}

}

namespace {

TEST(TimingFunctions, NamedCurves)
{
    const struct {
        const char* name;
        double atQuarter;
    } cases[] = { { kCAMediaTimingFunctionLinear, 0.25 }, { kCAMediaTimingFunctionEaseIn, 0.0935 },
                  { kCAMediaTimingFunctionEaseOut, 0.3781 }, { kCAMediaTimingFunctionEaseInEaseOut, 0.1291 },
                  { "unknown", 0.25 } };
    for (const auto& c : cases) {
        const auto f = CAMediaTimingFunction::functionWithName(c.name);
        EXPECT_EQ(f->evaluate(0), 0) << c.name;
        EXPECT_EQ(f->evaluate(1), 1) << c.name;
        EXPECT_NEAR(f->evaluate(0.25), c.atQuarter, 2e-3) << c.name;
        EXPECT_EQ(f->evaluate(-3), 0) << c.name;
        EXPECT_EQ(f->evaluate(7), 1) << c.name;
    }
    EXPECT_NEAR(CAMediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseInEaseOut)->evaluate(0.5), 0.5, 1e-6);
    // Ease-out is ease-in run backwards.
    const auto in = CAMediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseIn);
    const auto out = CAMediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseOut);
    for (double t = 0; t <= 1; t += 0.125) {
        EXPECT_NEAR(out->evaluate(t), 1 - in->evaluate(1 - t), 1e-6) << t;
    }
}

TEST(Transforms3D, RotationScaleAndAffineParts)
{
    const CATransform3D r = CATransform3DMakeRotation(M_PI / 2, 0, 0, 1);
    EXPECT_TRUE(CATransform3DIsAffine(r));
    const CGAffineTransform a = CATransform3DGetAffineTransform(r);
    const CGPoint p = CGPointApplyAffineTransform({ 1, 0 }, a);
    EXPECT_NEAR(p.x, 0, 1e-12);
    EXPECT_NEAR(p.y, 1, 1e-12);
    EXPECT_EQ(CATransform3DMakeRotation(1, 0, 0, 0), CATransform3DIdentity);
    const CATransform3D both = CATransform3DConcat(CATransform3DMakeScale(2, 2, 1), CATransform3DMakeTranslation(5, 0, 0));
    EXPECT_EQ(CGPointApplyAffineTransform({ 1, 1 }, CATransform3DGetAffineTransform(both)), (CGPoint { 7, 2 }));
    EXPECT_EQ(CATransform3DMakeAffineTransform(CGAffineTransformMakeScale(3, 4)), CATransform3DMakeScale(3, 4, 1));
    EXPECT_TRUE(CATransform3DIsIdentity(CATransform3DScale(CATransform3DIdentity, 1, 1, 1)));
}

TEST_F(Animations, TransitionKindsAndFillForwards)
{
    const struct {
        const char* type;
        double newX, oldX, newAlpha;
        bool oldOnTop;
    } cases[] = { { kCATransitionPush, 50, -50, 1, false },
                  { kCATransitionReveal, 0, -50, 1, true },
                  { kCATransitionFade, 0, 0, 0.5, false } };
    for (const auto& c : cases) {
        auto transition = CATransition::animation();
        transition->type = c.type;
        transition->subtype = kCATransitionFromRight;
        transition->duration = 1;
        layer_->addAnimation(transition, "");
        advance(0.5);
        const auto state = layer_->transitionState();
        ASSERT_TRUE(state) << c.type;
        EXPECT_NEAR(state->newOffset.x, c.newX, 1e-9) << c.type;
        EXPECT_NEAR(state->oldOffset.x, c.oldX, 1e-9) << c.type;
        EXPECT_NEAR(state->newAlpha, c.newAlpha, 1e-9) << c.type;
        EXPECT_EQ(state->oldOnTop, c.oldOnTop) << c.type;
        advance(0.5);
    }
    auto hold = CABasicAnimation::animationWithKeyPath("opacity");
    hold->toValue = CGFloat(0.2);
    hold->duration = 1;
    hold->fillMode = kCAFillModeForwards;
    hold->removedOnCompletion = false;
    layer_->addAnimation(hold, "hold");
    advance(3);
    EXPECT_TRUE(layer_->animationForKey("hold"));
    EXPECT_NEAR(opacity(), 0.2, 1e-6);
    EXPECT_EQ(layer_->opacity(), 1.0f);
}

TEST_F(Animations, ALayerThatGoesAwayReportsItsAnimationsStopped)
{
    auto recorder = std::make_shared<Recorder>();
    auto fade = CABasicAnimation::animationWithKeyPath("opacity");
    fade->toValue = CGFloat(0.0);
    fade->duration = 1;
    fade->delegate = recorder;
    layer_->addAnimation(fade, "fade");
    layer_.reset();
    advance(2);
    EXPECT_EQ(recorder->events, (std::vector<std::string> { "start", "stopped" }));
}

}
