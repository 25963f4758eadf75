#pragma once

#include <map>
#include <string>
#include <vector>

#include "Platform/Foundation/NSAttributedString.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIControl.h"
#include "Platform/UIKit/UIFont.h"

class UIClassRegistry;

enum UISegmentedControlStyle : int {
    UISegmentedControlStylePlain = 0,
    UISegmentedControlStyleBordered = 1,
    UISegmentedControlStyleBar = 2,
    UISegmentedControlStyleBezeled = 3,
};

inline constexpr int UISegmentedControlNoSegment = -1;

// Title text attributes of a segmented control: a UIFont and a UIColor under these keys.
inline constexpr char UITextAttributeFont[] = "UITextAttributeFont";
inline constexpr char UITextAttributeTextColor[] = "UITextAttributeTextColor";

// A row of titled segments of equal width. Lifting a finger on a segment selects it and sends
// the value-changed actions; touching the selected one again sends nothing. A momentary control
// shows the touched segment only while the finger is on it, sends value changed at every lift,
// and answers that segment as selectedSegmentIndex until the next touch. Titles are drawn in
// the title text attributes of the state (selected, or normal), falling back to the style's own.
class UISegmentedControl : public UIControl {
public:
    static constexpr CGFloat kDefaultHeight = 44;
    static constexpr CGFloat kBarHeight = 30;

    explicit UISegmentedControl(CGRect frame = CGRectZero);
    explicit UISegmentedControl(const std::vector<std::u16string>& items);

    // Segments.
    [[nodiscard]] std::size_t numberOfSegments() const { return titles_.size(); }
    void insertSegmentWithTitle(std::u16string title, std::size_t index, bool animated = false);
    void removeSegmentAtIndex(std::size_t index, bool animated = false);
    void removeAllSegments();
    void setTitle(std::u16string title, std::size_t index);
    // Empty for an index out of range.
    [[nodiscard]] std::u16string titleForSegmentAtIndex(std::size_t index) const;

    // -1 (UISegmentedControlNoSegment) for none; an index out of range is ignored.
    [[nodiscard]] int selectedSegmentIndex() const { return selectedSegmentIndex_; }
    void setSelectedSegmentIndex(int index);
    [[nodiscard]] bool isMomentary() const { return momentary_; }
    void setMomentary(bool momentary);
    [[nodiscard]] UISegmentedControlStyle segmentedControlStyle() const { return style_; }
    void setSegmentedControlStyle(UISegmentedControlStyle style);
    // The bar style's colour (null: the platform's grey blue).
    [[nodiscard]] const UIColorRef& tintColor() const { return tintColor_; }
    void setTintColor(UIColorRef color);
    void setTitleTextAttributes(const NSAttributeDictionary& attributes, unsigned state);
    [[nodiscard]] NSAttributeDictionary titleTextAttributesForState(unsigned state) const;

    // The segment under a point of the control, -1 for none.
    [[nodiscard]] int segmentAtPoint(CGPoint point) const;
    [[nodiscard]] CGRect rectForSegmentAtIndex(std::size_t index) const;
    // The segment shown highlighted while a finger is on it, -1 for none.
    [[nodiscard]] int highlightedSegmentIndex() const { return highlightedSegment_; }

    bool beginTrackingWithTouch(UITouch& touch, UIEvent* event) override;
    bool continueTrackingWithTouch(UITouch& touch, UIEvent* event) override;
    void endTrackingWithTouch(UITouch* touch, UIEvent* event) override;
    void cancelTrackingWithEvent(UIEvent* event) override;
    void drawRect(CGRect rect) override;
    // The titles, one a line.
    [[nodiscard]] std::u16string visibleText() const override;

    // "UISegmentedControl": segments, selectedSegmentIndex, momentary, segmentedControlStyle,
    // tintColor, titleFont and titleColor (normal state), selectedTitleColor.
    static void registerInterfaceClass(UIClassRegistry& registry);

private:
    void setHighlightedSegment(int index);
    [[nodiscard]] UIFontRef titleFontFor(bool selected) const;
    [[nodiscard]] CGColorRef titleColorFor(bool selected) const;

    std::vector<std::u16string> titles_;
    int selectedSegmentIndex_ { UISegmentedControlNoSegment };
    int highlightedSegment_ { -1 };
    bool momentary_ { false };
    UISegmentedControlStyle style_ { UISegmentedControlStylePlain };
    UIColorRef tintColor_;
    std::map<unsigned, NSAttributeDictionary> titleAttributes_;
};
