#pragma once

#include <string>

#include "Platform/UIKit/UIInterfaceOwner.h"
#include "Platform/UIKit/UITableViewCell.h"

class FileEntry;
class UIClassRegistry;
class UIImageView;
class UILabel;

// One row of the remote directory table: icon, name, date and size, loaded from "DirListCell"
// (pad) or "DirListCell_iPhone".
class DirListCell : public UITableViewCell, public UIInterfaceOwner {
public:
    static constexpr char kClassName[] = "DirListCell";
    static constexpr char kReuseIdentifier[] = "DirListIdent";

    DirListCell() = default;
    DirListCell(UITableViewCellStyle style, std::string reuseIdentifier)
        : UITableViewCell(style, std::move(reuseIdentifier))
    {
    }

    [[nodiscard]] UIImageView* imgIcon() const { return imgIcon_; }
    [[nodiscard]] UILabel* lblFile() const { return lblFile_; }
    [[nodiscard]] UILabel* lblDate() const { return lblDate_; }
    [[nodiscard]] UILabel* lblSize() const { return lblSize_; }

    void btnBackPressed() { }

    // The row icon of an entry: folders by their flag, files by their kind.
    [[nodiscard]] static std::string iconNameFor(const FileEntry& entry);

    static void registerInterfaceClass(UIClassRegistry& registry);

protected:
    void declareConnections(UIConnectionTable& table) override;

private:
    UIImageView* imgIcon_ { nullptr }; // outlets: the cell's view tree owns them
    UILabel* lblFile_ { nullptr };
    UILabel* lblDate_ { nullptr };
    UILabel* lblSize_ { nullptr };
};
