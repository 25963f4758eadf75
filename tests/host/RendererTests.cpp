#include <cairo.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <numeric>

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

// Flipping moves where an unflipped subview sits, never mirrors what it shows: the child's bar at
// its top shows at its top, its own subviews are laid out top-down, and touches and conversions
// find all of it where it is drawn. A flipped view inside a flipped one runs downward again.
TEST_F(RendererTest, UnflippedChildOfFlippedViewStaysUpright)
{
    auto bar = [](CGFloat r, CGFloat g, CGFloat b, CGRect rect) {
        return [=](CGContextRef c) {
            CGContextSetRGBFillColor(c, r, g, b, 1);
            CGContextFillRect(c, rect);
        };
    };
    // Its own drawing runs upward: a black strip along y = 0 lies at its bottom.
    auto flipped = std::make_shared<DrawingView>(CGRectMake(0, 100, 200, 200), bar(0, 0, 0, CGRectMake(0, 0, 200, 5)));
    flipped->setBackgroundColor(UIColor::whiteColor());
    flipped->layer()->setGeometryFlipped(true);
    window_->addSubview(flipped);
    // Frame in the flipped space: on screen x 10...90, y 230...290.
    auto child = std::make_shared<DrawingView>(CGRectMake(10, 10, 80, 60), bar(1, 0, 0, CGRectMake(0, 0, 80, 10)));
    child->setBackgroundColor(nullptr);
    flipped->addSubview(child);
    child->addSubview(colouredView(CGRectMake(0, 50, 10, 10), UIColor::greenColor()));
    // On screen x 110...190, y 230...290.
    auto flippedAgain = std::make_shared<DrawingView>(CGRectMake(110, 10, 80, 60), bar(0, 0, 1, CGRectMake(0, 0, 80, 10)));
    flippedAgain->setBackgroundColor(nullptr);
    flippedAgain->layer()->setGeometryFlipped(true);
    flipped->addSubview(flippedAgain);

    const CGImageRef image = snapshot();
    struct Case {
        const char* what;
        std::size_t x, y;
        CGImage::Pixel expected;
    };
    const Case cases[] = {
        { "flipped view's strip at its bottom", 100, 298, kBlack },
        { "flipped view's top", 100, 103, kWhite },
        { "child's bar at its top", 50, 235, kRed },
        { "child's bottom", 50, 285, kWhite },
        { "child's subview at its bottom left", 15, 285, kGreen },
        { "nothing at the child's top left but the bar", 15, 245, kWhite },
        { "flipped inside flipped: bar at its top", 150, 235, kBlue },
        { "flipped inside flipped: bottom", 150, 285, kWhite },
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(pixelNear(*image, c.x, c.y, c.expected)) << c.what;
    }
    // Conversions say the same.
    const CGPoint onBar = child->convertPointToView(CGPointMake(40, 5), nullptr);
    EXPECT_NEAR(onBar.x, 50, 1e-9);
    EXPECT_NEAR(onBar.y, 235, 1e-9);
    const CGPoint back = child->convertPointFromView(CGPointMake(50, 285), nullptr);
    EXPECT_NEAR(back.x, 40, 1e-9);
    EXPECT_NEAR(back.y, 55, 1e-9);
    EXPECT_EQ(window_->hitTest(onBar, nullptr), child);

    // A picture of the child alone is upright too; one of the flipped view places it from the
    // bottom.
    const CGImageRef alone = UIRenderer::snapshotView(*child, 1);
    ASSERT_TRUE(alone);
    EXPECT_TRUE(pixelNear(*alone, 40, 5, kRed));
    EXPECT_TRUE(pixelNear(*alone, 5, 55, kGreen));
    const CGImageRef parent = UIRenderer::snapshotView(*flipped, 1);
    ASSERT_TRUE(parent);
    EXPECT_TRUE(pixelNear(*parent, 50, 135, kRed));
    EXPECT_TRUE(pixelNear(*parent, 15, 185, kGreen));
}

// A translucent flipped view is drawn as one group; the group holds what its subtree draws
// outside its bounds, also below an unflipped child.
TEST_F(RendererTest, TranslucentFlippedViewKeepsItsOverhangingSubtree)
{
    auto flipped = std::make_shared<UIView>(CGRectMake(100, 100, 80, 80));
    flipped->layer()->setGeometryFlipped(true);
    flipped->setAlpha(0.5);
    // Below the flipped view's bottom edge: screen y 180...210.
    auto child = colouredView(CGRectMake(0, -30, 40, 30), UIColor::redColor());
    flipped->addSubview(child);
    // Below the child, in the child's own downward space: screen y 210...230.
    child->addSubview(colouredView(CGRectMake(0, 30, 40, 20), UIColor::blueColor()));
    window_->addSubview(flipped);

    const CGImageRef image = snapshot();
    EXPECT_TRUE(pixelNear(*image, 120, 195, CGImage::Pixel { 255, 128, 128, 255 }, 4));
    EXPECT_TRUE(pixelNear(*image, 120, 220, CGImage::Pixel { 128, 128, 255, 255 }, 4));
    EXPECT_TRUE(pixelNear(*image, 120, 235, kWhite));
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

// The edit menu stands upright in the interface in every orientation: where its frame says, with
// its arrow below it pointing at the target, and its title rows as in portrait.
TEST_F(RendererTest, MenuIsDrawnUprightInEveryOrientation)
{
    class Copier : public UIView {
    public:
        using UIView::UIView;
        bool canBecomeFirstResponder() override { return true; }
        bool respondsToAction(const SEL& action) const override { return action == kUIActionCopy; }
    };
    auto copier = std::make_shared<Copier>(UIScreen::mainScreen().bounds());
    window_->addSubview(copier);
    ASSERT_TRUE(copier->becomeFirstResponder());
    auto& menu = UIMenuController::sharedMenuController();

    // Light pixels per row of the bar, from its top: the shape of the title's lines.
    auto rowProfile = [](const CGImage& image, CGRect bar) {
        std::vector<int> rows;
        for (std::size_t y = std::size_t(CGRectGetMinY(bar)) + 2; y + 2 < std::size_t(CGRectGetMaxY(bar)); ++y) {
            int light = 0;
            for (std::size_t x = std::size_t(CGRectGetMinX(bar)) + 2; x + 2 < std::size_t(CGRectGetMaxX(bar)); ++x) {
                light += image.pixelAt(x, y).red > 128 ? 1 : 0;
            }
            rows.push_back(light);
        }
        return rows;
    };
    std::vector<int> portraitRows;
    for (const UIInterfaceOrientation orientation : { UIInterfaceOrientationPortrait, UIInterfaceOrientationLandscapeRight,
                                                      UIInterfaceOrientationLandscapeLeft,
                                                      UIInterfaceOrientationPortraitUpsideDown }) {
        menu.setMenuVisible(false);
        UIApplication::sharedApplication().setStatusBarOrientation(orientation);
        // The same place in the interface each time.
        const CGRect target = CGRectApplyAffineTransform(CGRectMake(150, 150, 20, 20),
                                                         CGAffineTransformInvert(UIRenderer::screenToDisplayTransform(orientation)));
        menu.setTargetRect(target, copier.get());
        menu.setMenuVisible(true);
        ASSERT_TRUE(menu.isMenuVisible());
        const CGRect bar = menu.menuFrame();
        ASSERT_EQ(CGRectGetMaxY(bar), 150 - UIMenuController::kArrowHeight) << orientation;

        const CGImageRef image = snapshot();
        const CGImage::Pixel inBar = image->pixelAt(std::size_t(CGRectGetMinX(bar) + 3), std::size_t(CGRectGetMidY(bar)));
        EXPECT_LT(inBar.red, 60) << orientation;
        const CGImage::Pixel onArrow = image->pixelAt(160, std::size_t(CGRectGetMaxY(bar) + 2));
        EXPECT_LT(onArrow.red, 60) << orientation;
        EXPECT_TRUE(pixelNear(*image, std::size_t(CGRectGetMinX(bar) + 2), std::size_t(CGRectGetMaxY(bar) + 6), kWhite))
            << orientation;
        EXPECT_TRUE(pixelNear(*image, std::size_t(CGRectGetMidX(bar)), std::size_t(CGRectGetMinY(bar) - 3), kWhite)) << orientation;

        const std::vector<int> rows = rowProfile(*image, bar);
        if (orientation == UIInterfaceOrientationPortrait) {
            portraitRows = rows;
            ASSERT_GT(std::accumulate(rows.begin(), rows.end(), 0), 20) << "no title drawn";
            continue;
        }
        ASSERT_EQ(rows.size(), portraitRows.size());
        int difference = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            difference += std::abs(rows[i] - portraitRows[i]);
        }
        EXPECT_LE(difference, std::accumulate(portraitRows.begin(), portraitRows.end(), 0) / 5) << orientation;
    }
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
