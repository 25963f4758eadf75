#include "Host/TestScene.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "Host/SceneLabel.h"
#include "Host/SceneTapView.h"
#include "Host/SceneTextBox.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

constexpr CGFloat kMargin = 10;
constexpr CGFloat kTitleHeight = 36;
constexpr CGFloat kTextBoxHeight = 44;
constexpr CGFloat kLargestShape = 110;

// How far the content turns so the interface stands upright in the orientation.
CGFloat interfaceAngle(UIInterfaceOrientation orientation)
{
    switch (orientation) {
    case UIInterfaceOrientationPortraitUpsideDown:
        return M_PI;
    case UIInterfaceOrientationLandscapeRight:
        return M_PI / 2;
    case UIInterfaceOrientationLandscapeLeft:
        return -M_PI / 2;
    case UIInterfaceOrientationPortrait:
        break;
    }
    return 0;
}

UIViewRef coloured(CGFloat red, CGFloat green, CGFloat blue)
{
    auto view = std::make_shared<UIView>();
    view->setBackgroundColor(UIColor::colorWithRed(red, green, blue, 1));
    return view;
}

} // namespace

TestScene::~TestScene() { NSNotificationCenter::defaultCenter().removeObserver(this); }

bool TestScene::applicationDidFinishLaunchingWithOptions(UIApplication& application, const UILaunchOptions&)
{
    build();
    NSNotificationCenter::defaultCenter().addObserver(this, UIApplicationDidChangeStatusBarOrientationNotification, nullptr,
                                                      [this](const NSNotification&) { layOut(); });
    layOut();
    window_->makeKeyAndVisible();
    return true;
}

void TestScene::build()
{
    window_ = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
    window_->setBackgroundColor(UIColor::colorWithWhite(0.93, 1));
    content_ = std::make_shared<UIView>();
    content_->setBackgroundColor(UIColor::colorWithWhite(0.93, 1));
    window_->addSubview(content_);

    title_ = std::make_shared<SceneLabel>(CGRectZero, u"Lexiphant", UIFont::boldSystemFontOfSize(22),
                                          CGColorCreateRGBA(0.15, 0.15, 0.2, 1));
    content_->addSubview(title_);

    // Solid; rounded with a border; translucent; clipping its child; turned.
    shapes_.push_back(coloured(0.85, 0.2, 0.2));
    auto rounded = coloured(0.2, 0.7, 0.3);
    rounded->layer()->setCornerRadius(18);
    rounded->layer()->setBorderWidth(4);
    rounded->layer()->setBorderColor(CGColorCreateRGBA(0.1, 0.3, 0.1, 1));
    shapes_.push_back(rounded);
    auto translucent = coloured(0.1, 0.3, 0.9);
    translucent->setAlpha(0.5);
    shapes_.push_back(translucent);
    auto clipping = coloured(0.5, 0.3, 0.7);
    clipping->setClipsToBounds(true);
    clipping->addSubview(coloured(1.0, 0.85, 0.1));
    shapes_.push_back(clipping);
    auto turned = coloured(0.95, 0.55, 0.1);
    turned->setTransform(CGAffineTransformMakeRotation(M_PI / 9));
    shapes_.push_back(turned);
    for (const auto& shape : shapes_) {
        content_->addSubview(shape);
    }

    textBox_ = SceneTextBox::make(CGRectZero);
    content_->addSubview(textBox_);

    scrollView_ = std::make_shared<UIScrollView>();
    scrollView_->setBackgroundColor(UIColor::whiteColor());
    scrollView_->setClipsToBounds(true);
    scrollView_->layer()->setBorderWidth(1);
    scrollView_->layer()->setBorderColor(CGColorCreateRGBA(0.7, 0.7, 0.75, 1));
    const UIFontRef lineFont = UIFont::systemFontOfSize(16);
    for (int i = 0; i < kLineCount; ++i) {
        const std::u16string text = u"Line " + utf8ToUtf16(std::to_string(i + 1));
        auto line = std::make_shared<SceneLabel>(CGRectMake(0, i * kLineHeight, 0, kLineHeight), text, lineFont,
                                                 CGColorCreateRGBA(0.1, 0.1, 0.15, 1));
        line->setBackgroundColor(i % 2 == 0 ? UIColor::colorWithRed(0.96, 0.97, 1.0, 1) : UIColor::whiteColor());
        line->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
        line->setUserInteractionEnabled(false);
        scrollView_->addSubview(line);
    }
    content_->addSubview(scrollView_);

    tapView_ = SceneTapView::make(CGRectZero);
    content_->addSubview(tapView_);
}

void TestScene::layOut()
{
    const UIInterfaceOrientation orientation = UIApplication::sharedApplication().statusBarOrientation();
    const CGSize size = UIRenderer::displaySize(orientation);
    const CGRect screen = UIScreen::mainScreen().bounds();
    content_->setTransform(CGAffineTransformIdentity);
    content_->setBounds(CGRectMake(0, 0, size.width, size.height));
    content_->setCenter(CGPointMake(CGRectGetMidX(screen), CGRectGetMidY(screen)));
    content_->setTransform(CGAffineTransformMakeRotation(interfaceAngle(orientation)));

    CGFloat y = UIApplication::kStatusBarHeight + kMargin;
    title_->setFrame(CGRectMake(kMargin, y, size.width - 2 * kMargin, kTitleHeight));
    y += kTitleHeight + kMargin;

    const CGFloat count = CGFloat(shapes_.size());
    const CGFloat side = std::min(kLargestShape, std::floor((size.width - (count + 1) * kMargin * 2) / count));
    const CGFloat step = (size.width - count * side) / (count + 1);
    for (std::size_t i = 0; i < shapes_.size(); ++i) {
        const auto& shape = shapes_[i];
        // Turned views are placed by centre and bounds: their frame is the turned outline.
        shape->setBounds(CGRectMake(0, 0, side, side));
        shape->setCenter(CGPointMake(step + i * (side + step) + side / 2, y + side / 2 + kMargin));
        for (const auto& child : shape->subviews()) {
            // Half outside its parent, which cuts it off.
            child->setFrame(CGRectMake(side / 2, side / 2, side, side));
        }
    }
    y += side + 3 * kMargin;

    textBox_->setFrame(CGRectMake(kMargin, y, size.width - 2 * kMargin, kTextBoxHeight));
    y += kTextBoxHeight + kMargin;

    const CGFloat height = std::max<CGFloat>(kLineHeight, size.height - y - kMargin);
    const CGFloat half = (size.width - 3 * kMargin) / 2;
    scrollView_->setFrame(CGRectMake(kMargin, y, half, height));
    scrollView_->setContentSize(CGSizeMake(half, kLineCount * kLineHeight));
    for (const auto& line : scrollView_->subviews()) {
        if (auto* label = dynamic_cast<SceneLabel*>(line.get())) {
            CGRect frame = label->frame();
            frame.size.width = half;
            label->setFrame(frame);
        }
    }
    tapView_->setFrame(CGRectMake(2 * kMargin + half, y, half, height));
}
