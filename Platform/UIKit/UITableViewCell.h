#pragma once

#include <memory>
#include <string>

#include "Platform/UIKit/UIView.h"

class UIClassRegistry;
class UITableView;

enum UITableViewCellStyle : int {
    UITableViewCellStyleDefault = 0,
    UITableViewCellStyleValue1 = 1,
    UITableViewCellStyleValue2 = 2,
    UITableViewCellStyleSubtitle = 3,
};

enum UITableViewCellSelectionStyle : int {
    UITableViewCellSelectionStyleNone = 0,
    UITableViewCellSelectionStyleBlue = 1,
    UITableViewCellSelectionStyleGray = 2,
};

enum UITableViewCellSeparatorStyle : int {
    UITableViewCellSeparatorStyleNone = 0,
    UITableViewCellSeparatorStyleSingleLine = 1,
};

// One row of a table. Its content goes into contentView, which covers the cell but the separator
// line at its foot; a selected cell shows its selection style's background under the content.
// A cell with a reuse identifier goes back to its table's pool when it leaves the screen, and
// prepareForReuse runs when the table hands it out again.
class UITableViewCell : public UIView {
public:
    static constexpr CGFloat kDefaultHeight = 44;
    static constexpr CGFloat kDefaultWidth = 320;

    // The factory form of interface files: default style, no identifier (the file sets it).
    UITableViewCell();
    UITableViewCell(UITableViewCellStyle style, std::string reuseIdentifier);
    ~UITableViewCell() override;

    [[nodiscard]] UITableViewCellStyle style() const { return style_; }
    [[nodiscard]] const std::string& reuseIdentifier() const { return reuseIdentifier_; }
    // Interface files name the identifier as a key.
    void setReuseIdentifier(std::string identifier) { reuseIdentifier_ = std::move(identifier); }

    [[nodiscard]] const UIViewRef& contentView() const { return contentView_; }

    [[nodiscard]] UITableViewCellSelectionStyle selectionStyle() const { return selectionStyle_; }
    void setSelectionStyle(UITableViewCellSelectionStyle style);
    [[nodiscard]] bool isSelected() const { return selected_; }
    void setSelected(bool selected) { setSelected(selected, false); }
    virtual void setSelected(bool selected, bool animated);
    [[nodiscard]] bool isHighlighted() const { return highlighted_; }
    virtual void setHighlighted(bool highlighted, bool animated);

    virtual void prepareForReuse() { }

    // Set by the table that shows the cell: how its separator is drawn.
    void setSeparator(UITableViewCellSeparatorStyle style, UIColorRef color);

    void setFrame(CGRect frame) override;
    void layoutSubviews() override;
    void drawRect(CGRect rect) override;

    // Registers UITableViewCell for interface files.
    static void registerInterfaceClass(UIClassRegistry& registry);

private:
    [[nodiscard]] CGRect contentFrame() const;

    UITableViewCellStyle style_ { UITableViewCellStyleDefault };
    std::string reuseIdentifier_;
    UIViewRef contentView_;
    UITableViewCellSelectionStyle selectionStyle_ { UITableViewCellSelectionStyleBlue };
    UITableViewCellSeparatorStyle separatorStyle_ { UITableViewCellSeparatorStyleNone };
    UIColorRef separatorColor_;
    bool selected_ { false };
    bool highlighted_ { false };
};

using UITableViewCellRef = std::shared_ptr<UITableViewCell>;
