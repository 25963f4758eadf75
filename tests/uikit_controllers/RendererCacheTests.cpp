#include <gtest/gtest.h>

#include <cairo.h>

#include <functional>
#include <vector>

#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIWindow.h"
#include "tests/host/HostTestSupport.h"

namespace {

// A view that counts its drawings and remembers the rectangles asked for.
class CountingDrawView : public UIView {
public:
    CountingDrawView(CGRect frame, UIColorRef ink) : UIView(frame), ink_(std::move(ink)) { }
    void drawRect(CGRect rect) override
    {
        ++draws;
        rects.push_back(rect);
        ink_->setFill();
        CGContextFillRect(UIGraphicsGetCurrentContext(), CGRectInset(bounds(), 4, 4));
    }
    void setInk(UIColorRef ink) { ink_ = std::move(ink); }
    int draws { 0 };
    std::vector<CGRect> rects;

private:
    UIColorRef ink_;
};

class RendererCacheTest : public HostTest {
protected:
    RendererCacheTest() : HostTest("ipad") { }

    void SetUp() override
    {
        HostTest::SetUp();
        UIApplication::sharedApplication().setStatusBarHidden(true);
        window_ = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
        window_->setBackgroundColor(UIColor::whiteColor());
        window_->makeKeyAndVisible();
    }

    // The renderer's frame as a picture (portrait, scale 1 on this iPad).
    CGImageRef frame()
    {
        cairo_surface_t* surface = renderer_.renderFrame();
        return std::make_shared<const CGImage>(cairo_surface_reference(surface));
    }

    std::shared_ptr<UIWindow> window_;
    UIRenderer renderer_;
};

TEST_F(RendererCacheTest, FramesRedrawOnlyWhatChanged)
{
    std::vector<std::shared_ptr<CountingDrawView>> views;
    for (int i = 0; i < 6; ++i) {
        views.push_back(std::make_shared<CountingDrawView>(CGRectMake(20, 20 + i * 60, 200, 50), UIColor::blueColor()));
        window_->addSubview(views.back());
    }
    auto caret = std::make_shared<UIView>(CGRectMake(300, 30, 2, 20));
    caret->setBackgroundColor(UIColor::redColor());
    window_->addSubview(caret);
    (void)frame();
    for (const auto& view : views) {
        EXPECT_EQ(view->draws, 1);
    }

    // Nothing changed: nothing is drawn or painted again.
    (void)frame();
    EXPECT_TRUE(renderer_.lastRepaintedRects().empty());
    for (const auto& view : views) {
        EXPECT_EQ(view->draws, 1);
    }

    // A caret blink repaints the caret's pixels only and redraws no view.
    caret->setAlpha(0);
    CGImageRef shot = frame();
    EXPECT_EQ(renderer_.lastRepaintedRects(), std::vector<CGRect> { CGRectMake(300, 30, 2, 20) });
    for (const auto& view : views) {
        EXPECT_EQ(view->draws, 1);
    }
    EXPECT_TRUE(pixelNear(*shot, 301, 40, kWhite));
    EXPECT_TRUE(pixelNear(*shot, 100, 45, kBlue));

    // Moving a view repaints where it was and where it is, from its picture.
    views[2]->setFrame(CGRectMake(400, 140, 200, 50));
    shot = frame();
    EXPECT_EQ(views[2]->draws, 1);
    EXPECT_TRUE(pixelNear(*shot, 100, 165, kWhite));
    EXPECT_TRUE(pixelNear(*shot, 500, 165, kBlue));
    // A new size or setNeedsDisplay redraws that view alone.
    views[3]->setFrame(CGRectMake(20, 200, 300, 50));
    views[4]->setInk(UIColor::greenColor());
    views[4]->setNeedsDisplay();
    shot = frame();
    EXPECT_EQ(views[3]->draws, 2);
    EXPECT_EQ(views[4]->draws, 2);
    EXPECT_EQ(views[5]->draws, 1);
    EXPECT_TRUE(pixelNear(*shot, 100, 285, kGreen));
    // Drawn elsewhere (a snapshot of its own), a view still shows its change in the next frame.
    views[5]->setInk(UIColor::redColor());
    views[5]->setNeedsDisplay();
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(200, 50), false, 1);
    views[5]->displayInContext(UIGraphicsGetCurrentContext());
    UIGraphicsEndImageContext();
    shot = frame();
    EXPECT_TRUE(pixelNear(*shot, 100, 345, kRed));
    // The frame equals a full composite of the screen.
    const CGImageRef full = UIRenderer::snapshotScreen();
    for (const CGPoint p : { CGPointMake(301, 40), CGPointMake(100, 165), CGPointMake(500, 165), CGPointMake(310, 225),
                             CGPointMake(100, 285), CGPointMake(100, 345) }) {
        EXPECT_TRUE(pixelNear(*shot, std::size_t(p.x), std::size_t(p.y), full->pixelAt(std::size_t(p.x), std::size_t(p.y)), 0));
    }
}

TEST_F(RendererCacheTest, SetNeedsDisplayInRectRedrawsOnlyThatPart)
{
    auto view = std::make_shared<CountingDrawView>(CGRectMake(0, 0, 400, 300), UIColor::blueColor());
    window_->addSubview(view);
    (void)frame();
    view->setInk(UIColor::redColor());
    view->setNeedsDisplayInRect(CGRectMake(10, 20, 30, 40));
    view->setNeedsDisplayInRect(CGRectMake(50, 20, 10, 10));
    EXPECT_EQ(view->invalidRect(), CGRectMake(10, 20, 50, 40));
    const CGImageRef shot = frame();
    ASSERT_EQ(view->rects.size(), 2u);
    EXPECT_EQ(view->rects[1], CGRectMake(10, 20, 50, 40));
    EXPECT_EQ(renderer_.lastRepaintedRects(), std::vector<CGRect> { CGRectMake(10, 20, 50, 40) });
    EXPECT_TRUE(pixelNear(*shot, 30, 40, kRed));
    EXPECT_TRUE(pixelNear(*shot, 100, 100, kBlue)) << "the rest of the picture is kept";

    // In a view whose space runs upward the rectangle is the view's own.
    auto flipped = std::make_shared<CountingDrawView>(CGRectMake(400, 0, 200, 200), UIColor::blueColor());
    flipped->layer()->setGeometryFlipped(true);
    window_->addSubview(flipped);
    (void)frame();
    flipped->setInk(UIColor::greenColor());
    flipped->setNeedsDisplayInRect(CGRectMake(0, 0, 200, 50)); // the bottom quarter on screen
    const CGImageRef after = frame();
    EXPECT_TRUE(pixelNear(*after, 500, 180, kGreen));
    EXPECT_TRUE(pixelNear(*after, 500, 20, kBlue));
}

TEST_F(RendererCacheTest, RenderInContextMatchesTheRendererByPixels)
{
    auto container = std::make_shared<UIView>(CGRectMake(100, 100, 200, 120));
    container->setBackgroundColor(UIColor::yellowColor());
    container->layer()->setCornerRadius(10);
    container->layer()->setBorderWidth(3);
    container->setClipsToBounds(true);
    auto inner = std::make_shared<CountingDrawView>(CGRectMake(20, 10, 100, 60), UIColor::blueColor());
    container->addSubview(inner);
    auto label = std::make_shared<UILabel>(CGRectMake(10, 80, 180, 30));
    label->setText(u"Hello");
    container->addSubview(label);
    window_->addSubview(container);
    for (const bool flipped : { false, true }) {
        SCOPED_TRACE(flipped ? "flipped" : "unflipped");
        container->layer()->setGeometryFlipped(flipped);
        const CGImageRef reference = UIRenderer::snapshotScreen();
        UIGraphicsBeginImageContextWithOptions(CGSizeMake(200, 120), false, 1);
        CGContextRef c = UIGraphicsGetCurrentContext();
        if (flipped) {
            // The layer's own space runs upward: the caller turns the context first, as the loupe does.
            CGContextTranslateCTM(c, 0, 120);
            CGContextScaleCTM(c, 1, -1);
        }
        container->layer()->renderInContext(c);
        const UIImageRef picture = UIGraphicsGetImageFromCurrentImageContext();
        UIGraphicsEndImageContext();
        ASSERT_TRUE(picture);
        int differing = 0;
        for (std::size_t y = 0; y < 120; y += 3) {
            for (std::size_t x = 0; x < 200; x += 3) {
                const auto p = picture->CGImage()->pixelAt(x, y);
                if (p.alpha == 255 && !pixelNear(*reference, 100 + x, 100 + y, p, 2)) {
                    ++differing;
                }
            }
        }
        EXPECT_EQ(differing, 0);
        EXPECT_TRUE(pixelNear(*picture->CGImage(), 60, flipped ? 120 - 40 : 40, kBlue));
    }
}

} // namespace
