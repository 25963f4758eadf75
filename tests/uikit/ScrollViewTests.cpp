#include "tests/uikit/UIKitTestSupport.h"

#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UIScrollViewPanGestureRecognizer.h"
#include "Platform/UIKit/UISwipeGestureRecognizer.h"

namespace {

class RecordingDelegate : public UIScrollViewDelegate {
public:
    void scrollViewDidScroll(UIScrollView* scrollView) override
    {
        ++scrolls;
        offsets.push_back(scrollView->contentOffset());
        sawDragging = sawDragging || scrollView->isDragging();
        sawTracking = sawTracking || scrollView->isTracking();
    }
    void scrollViewWillBeginDragging(UIScrollView*) override { events.push_back("willBeginDragging"); }
    void scrollViewDidEndDraggingWillDecelerate(UIScrollView*, bool decelerate) override
    {
        events.push_back(decelerate ? "didEndDragging decelerate" : "didEndDragging");
    }
    void scrollViewWillBeginDecelerating(UIScrollView*) override { events.push_back("willBeginDecelerating"); }
    void scrollViewDidEndDecelerating(UIScrollView*) override { events.push_back("didEndDecelerating"); }
    void scrollViewDidEndScrollingAnimation(UIScrollView*) override { events.push_back("didEndScrollingAnimation"); }

    int scrolls { 0 };
    std::vector<CGPoint> offsets;
    std::vector<std::string> events;
    bool sawDragging { false };
    bool sawTracking { false };
};

} // namespace

class ScrollViews : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        window = makeWindow();
        scroll = std::make_shared<UIScrollView>(CGRectMake(0, 0, 300, 400));
        scroll->setContentSize({ 300, 1000 });
        window->addSubview(scroll);
        delegate = std::make_shared<RecordingDelegate>();
        scroll->setDelegate(delegate);
    }
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<UIScrollView> scroll;
    std::shared_ptr<RecordingDelegate> delegate;
};

TEST_F(ScrollViews, ProgrammaticOffsetsTellTheDelegate)
{
    scroll->setContentOffset({ 0, 120 });
    EXPECT_EQ(scroll->contentOffset(), CGPointMake(0, 120));
    EXPECT_EQ(scroll->bounds().origin, CGPointMake(0, 120));
    EXPECT_EQ(delegate->scrolls, 1);
    scroll->setContentOffset({ 0, 120 });
    EXPECT_EQ(delegate->scrolls, 1) << "no change, no message";
    EXPECT_EQ(scroll->maximumContentOffset(), CGPointMake(0, 600));
}

TEST_F(ScrollViews, ScrollRectToVisibleMovesJustEnough)
{
    struct Case {
        const char* name;
        CGFloat start;
        CGRect rect;
        CGFloat expected;
    };
    const Case cases[] = {
        { "already visible", 100, CGRectMake(0, 150, 10, 20), 100 },
        { "below", 100, CGRectMake(0, 600, 10, 20), 220 },
        { "above", 300, CGRectMake(0, 150, 10, 20), 150 },
        { "taller than the view", 0, CGRectMake(0, 200, 10, 500), 200 },
        { "past the content's end", 0, CGRectMake(0, 990, 10, 40), 600 },
        { "before the content's start", 100, CGRectMake(0, -30, 10, 20), 0 },
    };
    for (const Case& c : cases) {
        scroll->setContentOffset({ 0, c.start });
        const int before = delegate->scrolls;
        scroll->scrollRectToVisible(c.rect, false);
        EXPECT_EQ(scroll->contentOffset().y, c.expected) << c.name;
        EXPECT_EQ(delegate->scrolls - before, c.start == c.expected ? 0 : 1) << c.name;
    }
}

// Laid out anew (a turn, a keyboard going away), a scroll view keeps its offset within its
// content, so no blank stretch opens with content hidden above it; a finger on it keeps it.
TEST_F(ScrollViews, ResizedViewKeepsItsOffsetWithinTheContent)
{
    struct Case {
        const char* name;
        CGFloat start;
        CGSize size;
        bool tracking;
        CGFloat expected;
    };
    const Case cases[] = {
        { "taller, still scrolls", 600, { 300, 700 }, false, 300 },
        { "taller than the content", 600, { 300, 1200 }, false, 0 },
        { "shorter", 600, { 300, 200 }, false, 600 },
        { "wider only", 600, { 500, 400 }, false, 600 },
        { "taller under a finger", 600, { 300, 700 }, true, 600 },
    };
    for (const Case& c : cases) {
        for (const bool byBounds : { false, true }) {
            scroll->setTracking(false);
            scroll->setFrame(CGRectMake(0, 0, 300, 400));
            scroll->setContentOffset({ 0, c.start });
            scroll->setTracking(c.tracking);
            const int before = delegate->scrolls;
            if (byBounds) {
                scroll->setBounds({ scroll->bounds().origin, c.size });
            } else {
                scroll->setFrame({ CGPointZero, c.size });
            }
            EXPECT_EQ(scroll->contentOffset().y, c.expected) << c.name << (byBounds ? " (bounds)" : " (frame)");
            EXPECT_EQ(delegate->scrolls - before, c.start == c.expected ? 0 : 1) << c.name;
        }
    }
    scroll->setTracking(false);
}

TEST_F(ScrollViews, AnimatedScrollStepsOnTheClock)
{
    scroll->scrollRectToVisible(CGRectMake(0, 700, 10, 20), true);
    EXPECT_EQ(scroll->contentOffset().y, 0) << "animated: nothing at once";
    advance(UIScrollView::kScrollAnimationDuration / 2);
    EXPECT_GT(scroll->contentOffset().y, 0);
    EXPECT_LT(scroll->contentOffset().y, 320);
    advance(UIScrollView::kScrollAnimationDuration);
    EXPECT_EQ(scroll->contentOffset().y, 320);
    EXPECT_GT(delegate->scrolls, 5) << "every step is a scroll";
    EXPECT_EQ(delegate->events, std::vector<std::string> { "didEndScrollingAnimation" });
    for (std::size_t i = 1; i < delegate->offsets.size(); ++i) {
        EXPECT_GE(delegate->offsets[i].y, delegate->offsets[i - 1].y);
    }
    // Setting an offset directly stops a running animation where it is.
    scroll->setContentOffset({ 0, 0 }, true);
    advance(0.05);
    scroll->setContentOffset({ 0, 50 });
    advance(1);
    EXPECT_EQ(scroll->contentOffset().y, 50);
    EXPECT_EQ(delegate->events.size(), 1u);
}

TEST_F(ScrollViews, DraggingFollowsTheFinger)
{
    down({ 150, 300 });
    EXPECT_TRUE(scroll->isTracking());
    EXPECT_FALSE(scroll->isDragging());
    for (int i = 1; i <= 10; ++i) {
        advance(0.02);
        move({ 150, 300 - 10.0 * i });
    }
    EXPECT_TRUE(scroll->isDragging());
    EXPECT_EQ(scroll->contentOffset().y, 100);
    up({ 150, 200 });
    EXPECT_FALSE(scroll->isDragging());
    EXPECT_FALSE(scroll->isTracking());
    EXPECT_TRUE(delegate->sawDragging);
    EXPECT_EQ(delegate->events, (std::vector<std::string> { "willBeginDragging", "didEndDragging" }));
}

TEST_F(ScrollViews, DraggingPastTheEdgeRubberBandsAndSpringsBack)
{
    scroll->setContentSize({ 300, 300 }); // fits: only bounces when asked to
    drag({ 150, 100 }, { 150, 200 }, 0.2);
    EXPECT_EQ(scroll->contentOffset().y, 0) << "content that fits does not move";
    EXPECT_TRUE(delegate->events.empty());

    scroll->setAlwaysBounceVertical(true);
    down({ 150, 100 });
    for (int i = 1; i <= 10; ++i) {
        advance(0.02);
        move({ 150, 100 + 10.0 * i });
    }
    EXPECT_EQ(scroll->contentOffset().y, -50) << "half the finger's way past the edge";
    up({ 150, 200 });
    EXPECT_EQ(delegate->events,
              (std::vector<std::string> { "willBeginDragging", "didEndDragging decelerate", "willBeginDecelerating" }));
    EXPECT_TRUE(scroll->isDecelerating());
    advance(UIScrollView::kScrollAnimationDuration + 0.02);
    EXPECT_EQ(scroll->contentOffset().y, 0);
    EXPECT_FALSE(scroll->isDecelerating());
    EXPECT_EQ(delegate->events.back(), "didEndDecelerating");
}

TEST_F(ScrollViews, SidewaysSwipeOnAVerticalListStaysASwipe)
{
    StateLog swipeLog;
    auto swipe = std::make_shared<UISwipeGestureRecognizer>(swipeLog.action());
    swipe->setDirection(UISwipeGestureRecognizerDirectionRight);
    scroll->addGestureRecognizer(swipe);
    drag({ 50, 200 }, { 150, 205 }, 0.2);
    EXPECT_EQ(swipeLog.states.size(), 1u);
    EXPECT_EQ(scroll->contentOffset(), CGPointMake(0, 0));
    EXPECT_EQ(scroll->panGestureRecognizer()->className(), "UIScrollViewPanGestureRecognizer");

    // A vertical drag scrolls and the swipe fails.
    advance(1);
    drag({ 150, 300 }, { 150, 200 }, 0.2);
    EXPECT_EQ(swipeLog.states.size(), 1u);
    EXPECT_EQ(scroll->contentOffset().y, 100);
}

TEST_F(ScrollViews, MouseWheelScrollsTheScrollViewUnderThePointer)
{
    auto outer = std::make_shared<UIScrollView>(CGRectMake(400, 0, 300, 400));
    outer->setContentSize({ 300, 2000 });
    auto inner = std::make_shared<UIScrollView>(CGRectMake(0, 0, 300, 200));
    inner->setContentSize({ 300, 260 });
    outer->addSubview(inner);
    window->addSubview(outer);

    UIApplication::sharedApplication().injectScrollWheel({ 100, 100 }, 0, 40);
    EXPECT_EQ(scroll->contentOffset().y, 40);
    UIApplication::sharedApplication().injectScrollWheel({ 100, 100 }, 0, -100);
    EXPECT_EQ(scroll->contentOffset().y, 0) << "never past the content";
    EXPECT_FALSE(scroll->isDragging());

    // The inner view takes the wheel until its end, then the outer one moves.
    UIApplication::sharedApplication().injectScrollWheel({ 450, 50 }, 0, 100);
    EXPECT_EQ(inner->contentOffset().y, 60);
    EXPECT_EQ(outer->contentOffset().y, 0);
    UIApplication::sharedApplication().injectScrollWheel({ 450, 50 }, 0, 100);
    EXPECT_EQ(outer->contentOffset().y, 100);
}
