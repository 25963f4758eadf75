#include "Classes/Controller/BookmarkCell.h"

#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"

void BookmarkCell::declareConnections(UIConnectionTable& table)
{
    table.outlet("lblName", lblName);
    table.outlet("lblHost", lblHost);
    table.outlet("lblUser", lblUser);
    table.outlet("lblUser2", lblUser2);
    table.outlet("lblPass", lblPass);
    table.outlet("lblPass2", lblPass2);
    table.outlet("btnShowLast", btnShowLast);
    table.outlet("btnShowBooks", btnShowBooks);
    table.outlet("btnShowAll", btnShowAll);
    table.outlet("btnEdit", btnEdit);
    table.outlet("btnBack", btnBack);
    table.outlet("btnConnect", btnConnect);
    table.outlet("imgLine1", imgLine1);
    table.outlet("imgLine2", imgLine2);
    table.outlet("imgLine3", imgLine3);
    table.outlet("imgLine4", imgLine4);
    table.outlet("imgDino", imgDino);
}

void BookmarkCell::registerInterfaceClass(UIClassRegistry& registry)
{
    registry.registerClass(kClassName, "UITableViewCell", [] { return std::make_shared<BookmarkCell>(); });
}
