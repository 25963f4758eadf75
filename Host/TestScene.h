#pragma once

#include <memory>

#include "Platform/UIKit/UIApplicationDelegate.h"
#include "Platform/UIKit/UIView.h"

class SceneTapView;
class SceneTextBox;

// The scene the editor shows until its screens exist, and that the host's tests drive: a title,
// a row of coloured shapes (rounded with a border, translucent, clipping, turned), a text box
// that takes typing, a scroll view of numbered lines and a panel that shows taps. It lays itself
// out for the interface orientation, turning its content view as the screens will.
class TestScene : public UIApplicationDelegate {
public:
    TestScene() = default;
    ~TestScene() override;

    // UIApplicationDelegate
    bool applicationDidFinishLaunchingWithOptions(UIApplication& application, const UILaunchOptions& options) override;
    [[nodiscard]] UIWindowRef window() const override { return window_; }

    [[nodiscard]] const std::shared_ptr<SceneTapView>& tapView() const { return tapView_; }
    [[nodiscard]] const std::shared_ptr<SceneTextBox>& textBox() const { return textBox_; }
    [[nodiscard]] const std::shared_ptr<UIScrollView>& scrollView() const { return scrollView_; }
    // The shapes, left to right: solid, rounded with a border, translucent, clipping, turned.
    [[nodiscard]] const std::vector<UIViewRef>& shapes() const { return shapes_; }

    // Lines in the scroll view.
    static constexpr int kLineCount = 40;
    static constexpr CGFloat kLineHeight = 32;

private:
    void build();
    void layOut();

    UIWindowRef window_;
    UIViewRef content_;
    UIViewRef title_;
    std::vector<UIViewRef> shapes_;
    std::shared_ptr<SceneTextBox> textBox_;
    std::shared_ptr<UIScrollView> scrollView_;
    std::shared_ptr<SceneTapView> tapView_;
};
