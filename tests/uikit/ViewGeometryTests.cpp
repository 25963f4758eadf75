#include "tests/uikit/UIKitTestSupport.h"

#include <cmath>
#include <numbers>

#include "Platform/UIKit/UIScrollView.h"

namespace {

void expectRect(CGRect actual, CGRect expected)
{
    EXPECT_NEAR(actual.origin.x, expected.origin.x, 1e-9);
    EXPECT_NEAR(actual.origin.y, expected.origin.y, 1e-9);
    EXPECT_NEAR(actual.size.width, expected.size.width, 1e-9);
    EXPECT_NEAR(actual.size.height, expected.size.height, 1e-9);
}

void expectPoint(CGPoint actual, CGPoint expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-9);
    EXPECT_NEAR(actual.y, expected.y, 1e-9);
}

} // namespace

class ViewGeometry : public UIKitTest { };

TEST_F(ViewGeometry, FrameBoundsAndCentreFollowEachOther)
{
    auto view = std::make_shared<UIView>(CGRectMake(10, 20, 100, 50));
    expectRect(view->bounds(), CGRectMake(0, 0, 100, 50));
    expectPoint(view->center(), { 60, 45 });
    view->setCenter({ 100, 100 });
    expectRect(view->frame(), CGRectMake(50, 75, 100, 50));
    view->setTransform(CGAffineTransformMakeScale(2, 2));
    expectRect(view->frame(), CGRectMake(0, 50, 200, 100));
    expectRect(view->bounds(), CGRectMake(0, 0, 100, 50));
    // A negative size is taken standardised.
    view->setTransform(CGAffineTransformIdentity);
    view->setFrame(CGRectMake(10, 10, -20, -30));
    expectRect(view->frame(), CGRectMake(-10, -20, 20, 30));
}

// The code view's shape: a flipped content view (y upward) inside a scrolled scroll view.
TEST_F(ViewGeometry, ConversionThroughFlippedAndScrolledViews)
{
    auto window = makeWindow();
    auto scroll = std::make_shared<UIScrollView>(CGRectMake(100, 200, 300, 400));
    auto content = std::make_shared<UIView>(CGRectMake(0, 0, 300, 1000));
    content->layer()->setGeometryFlipped(true);
    window->addSubview(scroll);
    scroll->addSubview(content);
    scroll->setContentSize({ 300, 1000 });
    scroll->setContentOffset({ 0, 50 });

    const CGRect caret = CGRectMake(10, 900, 3, 20); // content space: bottom edge at y = 900
    expectRect(content->convertRectToView(caret, scroll.get()), CGRectMake(10, 80, 3, 20));
    expectRect(content->convertRectToView(caret, nullptr), CGRectMake(110, 230, 3, 20));
    expectPoint(content->convertPointFromView({ 110, 230 }, nullptr), { 10, 920 });
    expectPoint(scroll->convertPointToView({ 10, 80 }, content.get()), { 10, 920 });

    // A subview's frame is in its flipped superview's space, and hit testing agrees.
    auto caretView = std::make_shared<UIView>(caret);
    content->addSubview(caretView);
    expectRect(caretView->convertRectToView(caretView->bounds(), nullptr), CGRectMake(110, 230, 3, 20));
    EXPECT_EQ(window->hitTest({ 111, 240 }, nullptr), caretView);
    // Scrolled out of sight above the scroll view: not hit there.
    EXPECT_NE(window->hitTest({ 111, 190 }, nullptr), caretView);
    // Outside the caret, still inside the scroll view.
    EXPECT_EQ(window->hitTest({ 150, 300 }, nullptr), content);
    EXPECT_EQ(window->hitTest({ 150, 150 }, nullptr), window);
}

// A flipped view places its subviews from its bottom edge; an unflipped subview keeps its own
// space y-downward inside it, and a flipped view inside a flipped one runs downward again.
TEST_F(ViewGeometry, NestedFlipsKeepEachViewsOwnOrientation)
{
    auto window = makeWindow();
    auto flipped = std::make_shared<UIView>(CGRectMake(0, 100, 200, 200));
    flipped->layer()->setGeometryFlipped(true);
    window->addSubview(flipped);
    auto plain = std::make_shared<UIView>(CGRectMake(10, 10, 80, 60)); // screen y 230...290
    flipped->addSubview(plain);
    auto plainChild = std::make_shared<UIView>(CGRectMake(0, 50, 10, 10));
    plain->addSubview(plainChild);
    auto flippedInPlain = std::make_shared<UIView>(CGRectMake(20, 20, 20, 20));
    flippedInPlain->layer()->setGeometryFlipped(true);
    plain->addSubview(flippedInPlain);
    auto flippedInFlipped = std::make_shared<UIView>(CGRectMake(110, 10, 80, 60));
    flippedInFlipped->layer()->setGeometryFlipped(true);
    flipped->addSubview(flippedInFlipped);

    struct Case {
        const char* what;
        const UIView* view;
        CGPoint local;
        CGPoint onScreen;
    };
    const Case cases[] = {
        { "flipped: origin at its bottom left", flipped.get(), { 0, 0 }, { 0, 300 } },
        { "unflipped child: origin at its top left", plain.get(), { 0, 0 }, { 10, 230 } },
        { "unflipped child: y runs down", plain.get(), { 40, 50 }, { 50, 280 } },
        { "its child, laid out top-down", plainChild.get(), { 5, 5 }, { 15, 285 } },
        { "flipped inside the unflipped child: y runs up", flippedInPlain.get(), { 0, 0 }, { 30, 270 } },
        { "flipped inside flipped: y runs down", flippedInFlipped.get(), { 0, 0 }, { 110, 230 } },
        { "flipped inside flipped: bottom edge", flippedInFlipped.get(), { 5, 60 }, { 115, 290 } },
    };
    for (const Case& c : cases) {
        expectPoint(c.view->convertPointToView(c.local, nullptr), c.onScreen);
        expectPoint(c.view->convertPointFromView(c.onScreen, nullptr), c.local);
        expectPoint(window->convertPointToView(c.onScreen, c.view), c.local);
    }
    // The frames themselves sit where the flipped parent's space puts them.
    expectRect(plain->convertRectToView(plain->bounds(), nullptr), CGRectMake(10, 230, 80, 60));
    expectRect(plainChild->convertRectToView(plainChild->bounds(), nullptr), CGRectMake(10, 280, 10, 10));
    expectRect(flippedInPlain->convertRectToView(flippedInPlain->bounds(), nullptr), CGRectMake(30, 250, 20, 20));
    // Between siblings directly, and hit testing agrees with conversion.
    expectPoint(plain->convertPointToView({ 0, 0 }, flippedInFlipped.get()), { -100, 0 });
    EXPECT_EQ(window->hitTest({ 15, 285 }, nullptr), plainChild);
    EXPECT_EQ(window->hitTest({ 40, 260 }, nullptr), flippedInPlain);
    EXPECT_EQ(window->hitTest({ 60, 235 }, nullptr), plain);
    EXPECT_EQ(window->hitTest({ 150, 235 }, nullptr), flippedInFlipped);
}

TEST_F(ViewGeometry, ConversionThroughTransformsRoundTrips)
{
    auto window = makeWindow();
    auto rotated = std::make_shared<UIView>(CGRectMake(150, 175, 100, 50));
    rotated->setTransform(CGAffineTransformMakeRotation(std::numbers::pi / 2));
    window->addSubview(rotated);
    // The top-left corner turns a quarter clockwise about the centre (200, 200).
    expectPoint(rotated->convertPointToView({ 0, 0 }, nullptr), { 225, 150 });
    expectRect(rotated->frame(), CGRectMake(175, 150, 50, 100));

    auto inner = std::make_shared<UIView>(CGRectMake(10, 10, 20, 20));
    inner->setTransform(CGAffineTransformMakeScale(2, 0.5));
    rotated->addSubview(inner);
    for (const CGPoint p : { CGPoint { 0, 0 }, CGPoint { 3, 7 }, CGPoint { 19, 1 } }) {
        const CGPoint there = inner->convertPointToView(p, window.get());
        expectPoint(inner->convertPointFromView(there, window.get()), p);
        expectPoint(window->convertPointToView(there, inner.get()), p);
    }
}

TEST_F(ViewGeometry, WindowsConvertThroughTheScreen)
{
    auto lower = makeWindow(CGRectMake(0, 20, 768, 1004));
    auto upper = std::make_shared<UIWindow>(CGRectMake(100, 100, 200, 200));
    upper->setWindowLevel(UIWindowLevelStatusBar);
    upper->setHidden(false);
    expectPoint(lower->convertPointToWindow({ 10, 10 }, nullptr), { 10, 30 });
    expectPoint(lower->convertPointToWindow({ 110, 90 }, upper.get()), { 10, 10 });
    expectPoint(upper->convertPointFromWindow({ 10, 30 }, nullptr), { -90, -70 });
    // A window turned as the loupe window is for landscape converts both ways.
    upper->layer()->setTransform(CATransform3DMakeRotation(std::numbers::pi / 2, 0, 0, 1));
    const CGPoint onScreen = upper->convertPointToWindow({ 30, 40 }, nullptr);
    expectPoint(upper->convertPointFromWindow(onScreen, nullptr), { 30, 40 });
}

TEST_F(ViewGeometry, HitTestingSkipsHiddenTransparentAndInertViews)
{
    auto window = makeWindow();
    auto base = std::make_shared<UIView>(CGRectMake(0, 0, 400, 400));
    window->addSubview(base);
    struct Case {
        const char* name;
        void (*configure)(UIView&);
        bool hit;
    };
    const Case cases[] = {
        { "plain", [](UIView&) {}, true },
        { "hidden", [](UIView& v) { v.setHidden(true); }, false },
        { "alpha below 0.01", [](UIView& v) { v.setAlpha(0.005); }, false },
        { "alpha 0.02", [](UIView& v) { v.setAlpha(0.02); }, true },
        { "no interaction", [](UIView& v) { v.setUserInteractionEnabled(false); }, false },
    };
    for (const Case& c : cases) {
        auto top = std::make_shared<UIView>(CGRectMake(50, 50, 100, 100));
        auto child = std::make_shared<UIView>(CGRectMake(10, 10, 20, 20));
        top->addSubview(child);
        c.configure(*top);
        base->addSubview(top);
        EXPECT_EQ(window->hitTest({ 65, 65 }, nullptr), c.hit ? child : base) << c.name;
        EXPECT_EQ(window->hitTest({ 120, 120 }, nullptr), c.hit ? top : base) << c.name;
        top->removeFromSuperview();
    }
    // A subview sticking out of its superview is not hit outside the superview.
    auto small = std::make_shared<UIView>(CGRectMake(300, 300, 50, 50));
    auto overhang = std::make_shared<UIView>(CGRectMake(40, 40, 100, 100));
    small->addSubview(overhang);
    base->addSubview(small);
    EXPECT_EQ(window->hitTest({ 345, 345 }, nullptr), overhang);
    EXPECT_EQ(window->hitTest({ 380, 380 }, nullptr), base);
    // Among overlapping siblings the last added is on top.
    auto a = std::make_shared<UIView>(CGRectMake(200, 0, 50, 50));
    auto b = std::make_shared<UIView>(CGRectMake(200, 0, 50, 50));
    base->addSubview(a);
    base->addSubview(b);
    EXPECT_EQ(window->hitTest({ 210, 10 }, nullptr), b);
    base->bringSubviewToFront(a.get());
    EXPECT_EQ(window->hitTest({ 210, 10 }, nullptr), a);
}

TEST_F(ViewGeometry, AutoresizingSharesTheChangeAmongFlexibleParts)
{
    struct Case {
        unsigned mask;
        CGRect expected;
    };
    // Superview 200 x 100 grows to 300 x 150; the subview starts at (20, 10, 100, 50): margins
    // left 20, right 80, top 10, bottom 40.
    const Case cases[] = {
        { UIViewAutoresizingNone, CGRectMake(20, 10, 100, 50) },
        { UIViewAutoresizingFlexibleWidth, CGRectMake(20, 10, 200, 50) },
        { UIViewAutoresizingFlexibleLeftMargin, CGRectMake(120, 10, 100, 50) },
        { UIViewAutoresizingFlexibleRightMargin, CGRectMake(20, 10, 100, 50) },
        { UIViewAutoresizingFlexibleLeftMargin | UIViewAutoresizingFlexibleRightMargin, CGRectMake(40, 10, 100, 50) },
        { UIViewAutoresizingFlexibleLeftMargin | UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleRightMargin,
          CGRectMake(30, 10, 150, 50) },
        { UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight, CGRectMake(20, 10, 200, 100) },
        { UIViewAutoresizingFlexibleTopMargin | UIViewAutoresizingFlexibleHeight, CGRectMake(20, 10 + 50.0 / 6, 100, 50 + 250.0 / 6) },
        { UIViewAutoresizingFlexibleBottomMargin, CGRectMake(20, 10, 100, 50) },
    };
    for (const Case& c : cases) {
        auto parent = std::make_shared<UIView>(CGRectMake(0, 0, 200, 100));
        auto child = std::make_shared<UIView>(CGRectMake(20, 10, 100, 50));
        child->setAutoresizingMask(c.mask);
        parent->addSubview(child);
        parent->setFrame(CGRectMake(0, 0, 300, 150));
        SCOPED_TRACE(c.mask);
        expectRect(child->frame(), c.expected);
        // Back to the old size restores the frame.
        parent->setFrame(CGRectMake(0, 0, 200, 100));
        expectRect(child->frame(), CGRectMake(20, 10, 100, 50));
    }
    // A superview that does not autoresize leaves its subviews alone.
    auto parent = std::make_shared<UIView>(CGRectMake(0, 0, 200, 100));
    parent->setAutoresizesSubviews(false);
    auto child = std::make_shared<UIView>(CGRectMake(20, 10, 100, 50));
    child->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    parent->addSubview(child);
    parent->setFrame(CGRectMake(0, 0, 300, 150));
    expectRect(child->frame(), CGRectMake(20, 10, 100, 50));
}

TEST_F(ViewGeometry, LayoutRunsOnTheNextPassOnlyWhenTheSizeChanges)
{
    auto parent = std::make_shared<CountingView>(CGRectMake(0, 0, 200, 100));
    auto child = std::make_shared<CountingView>(CGRectMake(0, 0, 100, 100));
    child->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    parent->addSubview(child);
    turn();
    EXPECT_EQ(parent->layouts, 0);

    parent->setFrame(CGRectMake(0, 0, 300, 100));
    EXPECT_EQ(parent->layouts, 0) << "layout waits for the pass";
    turn();
    EXPECT_EQ(parent->layouts, 1);
    EXPECT_EQ(child->layouts, 1) << "the autoresized child changed size too";

    parent->setFrame(CGRectMake(50, 50, 300, 100)); // moved, same size
    parent->setCenter({ 10, 10 });
    parent->setBounds(CGRectMake(0, 0, 300, 100));
    turn();
    EXPECT_EQ(parent->layouts, 1);
    EXPECT_EQ(child->layouts, 1);

    // Several changes before the pass give one layout; layoutIfNeeded runs it at once.
    parent->setFrame(CGRectMake(0, 0, 310, 100));
    parent->setFrame(CGRectMake(0, 0, 320, 100));
    parent->layoutIfNeeded();
    EXPECT_EQ(parent->layouts, 2);
    turn();
    EXPECT_EQ(parent->layouts, 2);
}

TEST_F(ViewGeometry, HierarchyNoticesAndOrder)
{
    auto window = makeWindow();
    auto parent = std::make_shared<UIView>(CGRectMake(0, 0, 100, 100));
    auto a = std::make_shared<CountingView>();
    auto b = std::make_shared<CountingView>();
    auto c = std::make_shared<CountingView>();
    parent->addSubview(a);
    parent->addSubview(b);
    parent->insertSubviewBelowSubview(c, b.get());
    EXPECT_EQ(parent->subviews(), (std::vector<UIViewRef> { a, c, b }));
    parent->sendSubviewToBack(b.get());
    EXPECT_EQ(parent->subviews(), (std::vector<UIViewRef> { b, a, c }));
    parent->exchangeSubviewAtIndexWithSubviewAtIndex(0, 2);
    EXPECT_EQ(parent->subviews(), (std::vector<UIViewRef> { c, a, b }));
    EXPECT_EQ(a->superviewMoves, 1) << "reordering is not a move";
    EXPECT_EQ(a->window(), nullptr);
    window->addSubview(parent);
    EXPECT_EQ(a->window(), window.get());

    // Moving to another superview: one notice, gone from the old one.
    auto other = std::make_shared<UIView>();
    other->addSubview(a);
    EXPECT_EQ(a->superviewMoves, 2);
    EXPECT_EQ(parent->subviews().size(), 2u);
    EXPECT_EQ(a->window(), nullptr);
    a->removeFromSuperview();
    EXPECT_EQ(a->superviewMoves, 3);
    EXPECT_EQ(a->superview(), nullptr);

    // A view cannot hold itself or an ancestor.
    parent->addSubview(parent);
    b->addSubview(parent);
    EXPECT_EQ(parent->superview(), window.get());

    c->setTag(7);
    EXPECT_EQ(window->viewWithTag(7), c.get());
    EXPECT_EQ(window->viewWithTag(8), nullptr);
}

TEST_F(ViewGeometry, AnimationsRunOnTheClockAndCompleteOnce)
{
    auto view = std::make_shared<UIView>(CGRectMake(0, 0, 100, 100));
    int completions = 0;
    bool finished = false;
    UIView::animateWithDuration(
        1.0, [&] { view->setAlpha(0.0); view->setFrame(CGRectMake(100, 0, 100, 100)); },
        [&](bool f) { ++completions; finished = f; });
    EXPECT_EQ(view->alpha(), 0.0) << "the model takes the end value at once";
    advance(0.5);
    const auto presented = view->layer()->presentationValue("opacity");
    ASSERT_TRUE(presented.has_value());
    const CGFloat opacity = std::get<CGFloat>(*presented);
    EXPECT_GT(opacity, 0.0);
    EXPECT_LT(opacity, 1.0);
    EXPECT_EQ(completions, 0);
    advance(0.6);
    turn();
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(finished);

    // A second animation of the same property cuts the first short: its completion says so.
    bool firstFinished = true;
    UIView::animateWithDuration(1.0, [&] { view->setAlpha(1.0); }, [&](bool f) { firstFinished = f; });
    advance(0.2);
    UIView::animateWithDuration(1.0, [&] { view->setAlpha(0.5); }, {});
    advance(0.1);
    turn();
    EXPECT_FALSE(firstFinished);

    // Nothing to animate: the completion still comes, on the next turn.
    int empty = 0;
    UIView::animateWithDuration(1.0, [] {}, [&](bool f) { empty += f ? 1 : 100; });
    EXPECT_EQ(empty, 0);
    turn();
    EXPECT_EQ(empty, 1);
}
