#include "Classes/Controller/DirListCell.h"

#include <array>

#include "Classes/Others/FileEntry.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"

namespace {

// Icons of the file kinds 1 to 22, by kind; kinds 5 and 19 are both PHP.
constexpr std::array<const char*, 23> kKindIcons {
    "Icon_Unsupported.png", "Icon_TXT.png", "Icon_CSS.png", "Icon_HTML.png", "Icon_JS.png", "Icon_PHP.png",
    "Icon_Picture.png", "Icon_XML.png", "Icon_XLS.png", "Icon_PDF.png", "Icon_PPT.png", "Icon_DOC.png",
    "Icon_RTF.png", "Icon_CSV.png", "Icon_ASP_ASPNET.png", "Icon_htaccess.png", "Icon_PERL.png", "Icon_INI.png",
    "Icon_LOG.png", "Icon_PHP.png", "Icon_tpl.png", "Icon_ruby.png", "Icon_PY.png",
};

}

std::string DirListCell::iconNameFor(const FileEntry& entry)
{
    if (entry.isDirectory() || entry.linksToFolder())
        return "Icon_Folder.png";
    const int kind = entry.extType();
    return kind >= 1 && kind < int(kKindIcons.size()) ? kKindIcons[std::size_t(kind)] : kKindIcons[0];
}

void DirListCell::declareConnections(UIConnectionTable& table)
{
    UIInterfaceOwner::declareConnections(table);
    table.outlet("imgIcon", imgIcon_);
    table.outlet("lblFile", lblFile_);
    table.outlet("lblDate", lblDate_);
    table.outlet("lblSize", lblSize_);
    table.action("btnBackPressed:", [this](UIResponder*) { btnBackPressed(); });
}

void DirListCell::registerInterfaceClass(UIClassRegistry& registry)
{
    registry.registerClass(kClassName, "UITableViewCell", [] { return std::make_shared<DirListCell>(); });
}
