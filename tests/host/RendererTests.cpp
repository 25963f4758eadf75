#include <cairo.h>

#include <cmath>
#include <filesystem>
#include <functional>

#include "Platform/QuartzCore/CATransition.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIKeyInput.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIWindow.h"
#include "tests/host/HostTestSupport.h"

namespace {

UIViewRef colouredView(CGRect frame, const UIColorRef& colour)
{
    auto view = std::make_shared<UIView>(frame);
    view->setBackgroundColor(colour);
    return view;
}

// A view whose drawRect runs a block.
class DrawingView : public UIView {
public:
    DrawingView(CGRect frame, std::function<void(CGContextRef)> draw) : UIView(frame), draw_(std::move(draw)) { }
    void drawRect(CGRect) override { draw_(UIGraphicsGetCurrentContext()); }
    int draws { 0 };

private:
    std::function<void(CGContextRef)> draw_;
};

class RendererTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        UIApplication::sharedApplication().setStatusBarHidden(true);
        window_ = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
        window_->setBackgroundColor(UIColor::whiteColor());
        window_->makeKeyAndVisible();
    }

    CGImageRef snapshot()
    {
        CGImageRef image = UIRenderer::snapshotScreen();
        EXPECT_TRUE(image);
        return image;
    }

    std::shared_ptr<UIWindow> window_;
};

TEST_F(RendererTest, ComposesColoursClippingAlphaTransformsCornersAndBorders)
{
    window_->addSubview(colouredView(CGRectMake(10, 10, 50, 50), UIColor::redColor()));

    // Clipping cuts the child off at the parent's edge; without it the child shows beyond.
    auto clipping = colouredView(CGRectMake(80, 10, 50, 50), UIColor::blueColor());
    clipping->setClipsToBounds(true);
    clipping->addSubview(colouredView(CGRectMake(25, 25, 50, 50), UIColor::greenColor()));
    window_->addSubview(clipping);
    auto open = colouredView(CGRectMake(160, 10, 50, 50), UIColor::blueColor());
    open->addSubview(colouredView(CGRectMake(25, 25, 50, 50), UIColor::greenColor()));
    window_->addSubview(open);

    // Half-transparent black over white.
    auto translucent = colouredView(CGRectMake(10, 100, 40, 40), UIColor::blackColor());
    translucent->setAlpha(0.5);
    window_->addSubview(translucent);
    // Opacity applies to the whole tree at once: where the children overlap only the top one
    // shows through, never the one beneath.
    auto group = std::make_shared<UIView>(CGRectMake(80, 100, 60, 40));
    group->setAlpha(0.5);
    group->addSubview(colouredView(CGRectMake(0, 0, 40, 40), UIColor::redColor()));
    group->addSubview(colouredView(CGRectMake(20, 0, 40, 40), UIColor::blueColor()));
    window_->addSubview(group);

    // Turned an eighth: the square's corners swing out along the axes.
    auto turned = colouredView(CGRectMake(0, 0, 40, 40), UIColor::greenColor());
    turned->setCenter(CGPointMake(200, 120));
    turned->setTransform(CGAffineTransformMakeRotation(M_PI / 4));
    window_->addSubview(turned);

    auto rounded = colouredView(CGRectMake(10, 180, 60, 60), UIColor::greenColor());
    rounded->layer()->setCornerRadius(20);
    window_->addSubview(rounded);

    auto bordered = colouredView(CGRectMake(100, 180, 60, 60), UIColor::whiteColor());
    bordered->layer()->setBorderWidth(4);
    bordered->layer()->setBorderColor(CGColorCreateRGBA(0, 0, 1, 1));
    window_->addSubview(bordered);

    auto hidden = colouredView(CGRectMake(200, 180, 60, 60), UIColor::redColor());
    hidden->setHidden(true);
    window_->addSubview(hidden);

    const CGImageRef image = snapshot();
    ASSERT_EQ(image->width(), 320u);
    ASSERT_EQ(image->height(), 480u);
    struct Case {
        const char* what;
        std::size_t x, y;
        CGImage::Pixel expected;
    };
    const CGImage::Pixel grey { 128, 128, 128, 255 };
    const CGImage::Pixel halfBlue { 128, 128, 255, 255 };
    const CGImage::Pixel halfRed { 255, 128, 128, 255 };
    const Case cases[] = {
        { "solid view", 35, 35, kRed },
        { "clipped child inside its parent", 120, 50, kGreen },
        { "clipped child beyond its parent", 140, 70, kWhite },
        { "unclipped child beyond its parent", 220, 70, kGreen },
        { "translucent black over white", 30, 120, grey },
        { "group: only the child on top shows", 110, 120, halfBlue },
        { "group: the lower child alone", 85, 120, halfRed },
        { "turned square: corner swung onto the axis", 200, 146, kGreen },
        { "turned square: where its corner was", 218, 102, kWhite },
        { "rounded corner cut away", 12, 182, kWhite },
        { "rounded view inside", 40, 210, kGreen },
        { "border", 101, 210, kBlue },
        { "inside the border", 108, 210, kWhite },
        { "hidden view", 230, 210, kWhite },
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(pixelNear(*image, c.x, c.y, c.expected, 4)) << c.what;
    }
}

TEST_F(RendererTest, FlippedLayersDrawWhereTouchesFindThem)
{
    auto flipped = colouredView(CGRectMake(0, 100, 100, 100), UIColor::whiteColor());
    flipped->layer()->setGeometryFlipped(true);
    auto child = colouredView(CGRectMake(0, 0, 20, 20), UIColor::redColor());
    flipped->addSubview(child);
    auto drawing = std::make_shared<DrawingView>(CGRectMake(50, 0, 50, 50), [](CGContextRef c) {
        CGContextSetRGBFillColor(c, 0, 0, 1, 1);
        CGContextFillRect(c, CGRectMake(30, 0, 20, 20));
    });
    drawing->setBackgroundColor(nullptr);
    drawing->layer()->setGeometryFlipped(true);
    flipped->addSubview(drawing);
    window_->addSubview(flipped);

    const CGImageRef image = snapshot();
    // A flipped view's subviews are placed from its bottom edge.
    EXPECT_TRUE(pixelNear(*image, 10, 190, kRed));
    EXPECT_TRUE(pixelNear(*image, 10, 110, kWhite));
    // What a view draws shows where converting its points to the screen says it is, so a
    // touch on it lands on it.
    const CGPoint inside = drawing->convertPointToView(CGPointMake(40, 10), nullptr);
    const CGPoint mirrored = drawing->convertPointToView(CGPointMake(40, 40), nullptr);
    EXPECT_TRUE(pixelNear(*image, std::size_t(inside.x), std::size_t(inside.y), kBlue));
    EXPECT_TRUE(pixelNear(*image, std::size_t(mirrored.x), std::size_t(mirrored.y), kWhite));
    const CGPoint childPoint = child->convertPointToView(CGPointMake(5, 5), nullptr);
    EXPECT_TRUE(pixelNear(*image, std::size_t(childPoint.x), std::size_t(childPoint.y), kRed));
    EXPECT_EQ(window_->hitTest(inside, nullptr), drawing);
}

TEST_F(RendererTest, DrawRectStaysWithinTheBounds)
{
    auto drawing = std::make_shared<DrawingView>(CGRectMake(50, 50, 40, 40), [](CGContextRef c) {
        CGContextSetRGBFillColor(c, 1, 0, 0, 1);
        CGContextFillRect(c, CGRectMake(-50, -50, 200, 200));
    });
    window_->addSubview(drawing);
    const CGImageRef image = snapshot();
    EXPECT_TRUE(pixelNear(*image, 70, 70, kRed));
    EXPECT_TRUE(pixelNear(*image, 45, 70, kWhite));
    EXPECT_TRUE(pixelNear(*image, 95, 95, kWhite));
}

TEST_F(RendererTest, RunningAnimationShowsItsPresentedValue)
{
    auto moving = colouredView(CGRectMake(0, 0, 20, 20), UIColor::redColor());
    moving->setCenter(CGPointMake(50, 50));
    window_->addSubview(moving);
    UIRenderer renderer;
    renderer.renderFrame();
    EXPECT_FALSE(renderer.needsFrame());

    UIView::animateWithDuration(1.0, 0, UIViewAnimationOptionCurveLinear, [&] { moving->setCenter(CGPointMake(250, 50)); }, {});
    advance(0.5);
    EXPECT_TRUE(renderer.needsFrame());
    cairo_surface_t* frame = renderer.renderFrame();
    ASSERT_NE(frame, nullptr);
    const CGImage image(cairo_surface_reference(frame));
    EXPECT_TRUE(pixelNear(image, 150, 50, kRed));
    EXPECT_TRUE(pixelNear(image, 250, 50, kWhite));
    EXPECT_TRUE(pixelNear(image, 50, 50, kWhite));
    // Still animating: every frame may differ.
    EXPECT_TRUE(renderer.needsFrame());

    advance(0.6);
    EXPECT_TRUE(renderer.needsFrame());
    renderer.renderFrame();
    // One last frame after the end shows the model; then nothing changes.
    renderer.renderFrame();
    EXPECT_FALSE(renderer.needsFrame());
    EXPECT_TRUE(pixelNear(*snapshot(), 250, 50, kRed));
}

TEST_F(RendererTest, FramesAreNeededOnlyAfterChanges)
{
    auto view = colouredView(CGRectMake(10, 10, 20, 20), UIColor::redColor());
    window_->addSubview(view);
    UIRenderer renderer;
    EXPECT_TRUE(renderer.needsFrame());
    renderer.renderFrame();
    EXPECT_FALSE(renderer.needsFrame());
    advance(1);
    EXPECT_FALSE(renderer.needsFrame());

    const std::function<void()> changes[] = {
        [&] { view->setBackgroundColor(UIColor::blueColor()); },
        [&] { view->setNeedsDisplay(); },
        [&] { view->setFrame(CGRectMake(20, 20, 20, 20)); },
        [&] { view->removeFromSuperview(); },
        [&] { UIApplication::sharedApplication().setStatusBarHidden(false); },
        [&] { UIApplication::sharedApplication().setStatusBarOrientation(UIInterfaceOrientationLandscapeLeft); },
    };
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        changes[i]();
        EXPECT_TRUE(renderer.needsFrame()) << "change " << i;
        renderer.renderFrame();
        EXPECT_FALSE(renderer.needsFrame()) << "change " << i;
    }
}

TEST_F(RendererTest, DisplayIsTurnedForLandscape)
{
    // The screen's top left corner.
    window_->addSubview(colouredView(CGRectMake(0, 0, 20, 20), UIColor::redColor()));
    struct Case {
        UIInterfaceOrientation orientation;
        std::size_t width, height;
        std::size_t x, y;
    };
    const Case cases[] = {
        { UIInterfaceOrientationPortrait, 320, 480, 5, 5 },
        // Interface top along the screen's right edge: the screen's top left is the display's
        // bottom left.
        { UIInterfaceOrientationLandscapeRight, 480, 320, 5, 314 },
        { UIInterfaceOrientationLandscapeLeft, 480, 320, 474, 5 },
        { UIInterfaceOrientationPortraitUpsideDown, 320, 480, 314, 474 },
    };
    for (const Case& c : cases) {
        UIApplication::sharedApplication().setStatusBarOrientation(c.orientation);
        const CGImageRef image = snapshot();
        ASSERT_EQ(image->width(), c.width) << c.orientation;
        ASSERT_EQ(image->height(), c.height) << c.orientation;
        EXPECT_TRUE(pixelNear(*image, c.x, c.y, kRed)) << c.orientation;
        // Display points map back onto the same screen point.
        const CGPoint screen = UIRenderer::screenPointFromDisplayPoint(CGPointMake(c.x, c.y), c.orientation);
        EXPECT_LT(screen.x, 20) << c.orientation;
        EXPECT_LT(screen.y, 20) << c.orientation;
    }
}

TEST_F(RendererTest, StatusBarKeyboardAndMenuAreDrawnOverTheApplication)
{
    UIApplication::sharedApplication().setStatusBarHidden(false);
    const CGImageRef image = snapshot();
    EXPECT_TRUE(pixelNear(*image, 100, 10, kBlack));
    EXPECT_TRUE(pixelNear(*image, 100, 30, kWhite));
    EXPECT_TRUE(pixelNear(*image, 100, 470, kWhite));

    // A first responder that takes typing brings the keyboard, and one that can copy lets the
    // edit menu show.
    class Field : public UIView, public UIKeyInput {
    public:
        using UIView::UIView;
        bool canBecomeFirstResponder() override { return true; }
        bool respondsToAction(const SEL& action) const override { return action == kUIActionCopy; }
        bool hasText() override { return false; }
        void insertText(const std::u16string&) override { }
        void deleteBackward() override { }
    };
    auto field = std::make_shared<Field>(CGRectMake(10, 200, 300, 40));
    window_->addSubview(field);
    ASSERT_TRUE(field->becomeFirstResponder());
    auto& menu = UIMenuController::sharedMenuController();
    menu.setTargetRect(field->bounds(), field.get());
    menu.setMenuVisible(true);
    ASSERT_TRUE(menu.isMenuVisible());

    const CGImageRef shown = snapshot();
    const CGRect keyboard = UIApplication::sharedApplication().keyboardFrame();
    const CGImage::Pixel board = shown->pixelAt(5, std::size_t(CGRectGetMaxY(keyboard) - 2));
    EXPECT_FALSE(board == kWhite) << "no keyboard drawn";
    const CGRect bar = menu.menuFrame();
    const CGImage::Pixel menuPixel = shown->pixelAt(std::size_t(CGRectGetMinX(bar) + 3), std::size_t(CGRectGetMidY(bar)));
    EXPECT_LT(menuPixel.red, 60);
    EXPECT_LT(menuPixel.green, 60);
}

TEST_F(RendererTest, RetinaScreenIsDrawnAtTwicePixels)
{
    UIDevice::currentDevice().setProfile(*UIDevice::profileNamed("iphone-retina"));
    window_->addSubview(colouredView(CGRectMake(10, 10, 50, 50), UIColor::redColor()));
    const CGImageRef image = snapshot();
    ASSERT_EQ(image->width(), 640u);
    ASSERT_EQ(image->height(), 960u);
    EXPECT_TRUE(pixelNear(*image, 21, 21, kRed));
    EXPECT_TRUE(pixelNear(*image, 19, 19, kWhite));
    EXPECT_TRUE(pixelNear(*image, 118, 118, kRed));
    EXPECT_TRUE(pixelNear(*image, 121, 121, kWhite));
}

TEST_F(RendererTest, ViewSnapshotShowsTheViewAloneInItsBounds)
{
    auto panel = std::make_shared<UIView>(CGRectMake(100, 100, 40, 30));
    panel->setAlpha(0.2);
    panel->setTransform(CGAffineTransformMakeRotation(1));
    panel->addSubview(colouredView(CGRectMake(0, 0, 10, 10), UIColor::redColor()));
    window_->addSubview(panel);
    const CGImageRef image = UIRenderer::snapshotView(*panel);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 40u);
    EXPECT_EQ(image->height(), 30u);
    EXPECT_TRUE(pixelNear(*image, 5, 5, kRed));
    // Nothing drawn there: transparent.
    EXPECT_EQ(image->pixelAt(30, 20).alpha, 0);

    const std::string path = scratch("deep/down/panel.png");
    ASSERT_TRUE(UIRenderer::writeViewPNG(*panel, path, 2));
    const CGImageRef written = CGImage::createWithContentsOfFile(path);
    ASSERT_TRUE(written);
    EXPECT_EQ(written->width(), 80u);
    EXPECT_FALSE(UIRenderer::writeScreenPNG("/proc/self/no/such/place.png"));
    EXPECT_FALSE(UIRenderer::snapshotView(UIView(CGRectMake(0, 0, 0, 10))));
}

TEST_F(RendererTest, PushTransitionSlidesTheOldPictureOutAndTheNewContentIn)
{
    UIRenderer renderer; // installs how transitions capture the old look
    auto panel = colouredView(CGRectMake(0, 0, 100, 50), UIColor::redColor());
    window_->addSubview(panel);
    auto transition = CATransition::animation();
    transition->type = kCATransitionPush;
    transition->subtype = kCATransitionFromRight;
    transition->duration = 1;
    transition->timingFunction = CAMediaTimingFunction::functionWithName(kCAMediaTimingFunctionLinear);
    panel->layer()->addAnimation(transition, "");
    panel->setBackgroundColor(UIColor::blueColor());

    advance(0.5);
    const CGImageRef image = snapshot();
    // Half way: the old (red) picture's right half on the left, the new (blue) on the right.
    EXPECT_TRUE(pixelNear(*image, 25, 25, kRed));
    EXPECT_TRUE(pixelNear(*image, 75, 25, kBlue));
    // Nothing slides out beyond the panel.
    EXPECT_TRUE(pixelNear(*image, 125, 25, kWhite));

    advance(1);
    EXPECT_TRUE(pixelNear(*snapshot(), 25, 25, kBlue));
}

} // namespace
