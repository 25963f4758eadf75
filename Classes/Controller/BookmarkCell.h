#pragma once

#include "Platform/UIKit/UIInterfaceOwner.h"
#include "Platform/UIKit/UITableViewCell.h"

class UIButton;
class UIClassRegistry;
class UIImageView;
class UILabel;

// One cell of the start screen, for every kind of item (mega button, connection, logo, blank):
// it only carries the outlets its interface file binds, and the screen shows the subset each
// kind needs. The view tree owns what the outlets point at.
class BookmarkCell : public UITableViewCell, public UIInterfaceOwner {
public:
    static constexpr char kClassName[] = "BookmarkCell";
    static constexpr char kReuseIdentifier[] = "BookmarkCellIdent";

    BookmarkCell() = default;
    BookmarkCell(UITableViewCellStyle style, std::string reuseIdentifier)
        : UITableViewCell(style, std::move(reuseIdentifier))
    {
    }

    UILabel* lblName { nullptr };
    UILabel* lblHost { nullptr };
    UILabel* lblUser { nullptr };
    UILabel* lblUser2 { nullptr }; // caption of the user name
    UILabel* lblPass { nullptr };
    UILabel* lblPass2 { nullptr }; // caption of the password
    UIButton* btnShowLast { nullptr };
    UIButton* btnShowBooks { nullptr };
    UIButton* btnShowAll { nullptr };
    UIButton* btnEdit { nullptr };
    UIButton* btnBack { nullptr }; // covers the whole cell
    UIButton* btnConnect { nullptr }; // the mega button
    UIImageView* imgLine1 { nullptr };
    UIImageView* imgLine2 { nullptr };
    UIImageView* imgLine3 { nullptr };
    UIImageView* imgLine4 { nullptr };
    UIImageView* imgDino { nullptr }; // the logo

    static void registerInterfaceClass(UIClassRegistry& registry);

protected:
    void declareConnections(UIConnectionTable& table) override;
};
