#pragma once

#include <map>
#include <memory>
#include <string>

#include "Platform/UIKit/UIControl.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UILabel.h"

class UIClassRegistry;

enum UIButtonType : int {
    UIButtonTypeCustom = 0,
    UIButtonTypeRoundedRect = 1,
};

// A control with a title and a background image per control state; a state without its own
// value shows the normal one. The title lies in titleLabel (centred, one line, shortened in the
// middle), over the background image stretched to the bounds. While highlighted without an
// image of its own, the normal background image is drawn darkened. The screens use the custom
// type, giving it a background colour and rounded, clipped corners through its layer.
class UIButton : public UIControl {
public:
    static std::shared_ptr<UIButton> buttonWithType(UIButtonType type);
    explicit UIButton(CGRect frame = CGRectZero);

    [[nodiscard]] UIButtonType buttonType() const { return buttonType_; }

    void setTitle(std::u16string title, unsigned state);
    [[nodiscard]] std::u16string titleForState(unsigned state) const;
    [[nodiscard]] std::u16string currentTitle() const { return titleForState(state()); }
    void setTitleColor(UIColorRef color, unsigned state);
    [[nodiscard]] UIColorRef titleColorForState(unsigned state) const;
    [[nodiscard]] UIColorRef currentTitleColor() const { return titleColorForState(state()); }
    void setBackgroundImage(UIImageRef image, unsigned state);
    [[nodiscard]] UIImageRef backgroundImageForState(unsigned state) const;
    [[nodiscard]] UIImageRef currentBackgroundImage() const { return backgroundImageForState(state()); }
    [[nodiscard]] bool hidesWhatIsBehind() const override
    {
        return currentBackgroundImage() != nullptr || UIView::hidesWhatIsBehind();
    }
    [[nodiscard]] bool adjustsImageWhenHighlighted() const { return adjustsImageWhenHighlighted_; }
    void setAdjustsImageWhenHighlighted(bool adjusts);

    // The title's label: set its font here; its text and colour follow the state.
    [[nodiscard]] UILabel* titleLabel() const { return titleLabel_.get(); }

    void layoutSubviews() override;
    void drawRect(CGRect rect) override;
    [[nodiscard]] std::u16string visibleText() const override { return currentTitle(); }

    // "UIButton": title, titleColor, backgroundImage (each for the normal state) and font.
    static void registerInterfaceClass(UIClassRegistry& registry);

protected:
    void stateDidChange() override;

private:
    template <typename V>
    [[nodiscard]] static V valueFor(const std::map<unsigned, V>& values, unsigned state);
    void updateTitle();

    UIButtonType buttonType_ { UIButtonTypeCustom };
    std::map<unsigned, std::u16string> titles_;
    std::map<unsigned, UIColorRef> titleColors_;
    std::map<unsigned, UIImageRef> backgroundImages_;
    bool adjustsImageWhenHighlighted_ { true };
    std::shared_ptr<UILabel> titleLabel_;
};
