#include "Classes/Controller/DirectoryPopover.h"

#include "Classes/Controller/DirListController.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UISegmentedControl.h"

DirectoryPopover::DirectoryPopover() : UIViewController(kClassName) { }

void DirectoryPopover::declareConnections(UIConnectionTable& table)
{
    UIViewController::declareConnections(table);
    table.outlet("segments", segments_);
    table.action("btnRenamePressed", [this] { btnRenamePressed(); });
    table.action("btnDeletePressed", [this] { btnDeletePressed(); });
    table.action("btnSegPressed:", [this](UIResponder*) { btnSegPressed(); });
}

void DirectoryPopover::btnRenamePressed()
{
    NSLog("Rename!");
    choose(DirListController::kActionRename);
}

void DirectoryPopover::btnDeletePressed()
{
    NSLog("Delete!");
    choose(DirListController::kActionDelete);
}

void DirectoryPopover::choose(int action)
{
    if (auto screen = std::dynamic_pointer_cast<DirListController>(parentControl()))
        screen->segActionPressed(action);
}

void DirectoryPopover::viewDidUnload()
{
    UIViewController::viewDidUnload();
    parentControl_.reset();
    segments_ = nullptr;
}

void DirectoryPopover::registerInterfaceClass(UIClassRegistry& registry)
{
    registry.registerClass(kClassName, "UIViewController", [] { return std::make_shared<DirectoryPopover>(); });
}
