#pragma once

#include <map>
#include <memory>
#include <string>

#include "Platform/UIKit/UIConnectionTable.h"

// An object whose outlets and actions an interface file may bind: a file's owner (a screen's
// controller, the application) or one of its elements (a cell with outlets of its own). Mixed
// into a UIResponder subclass beside its base; the table is asked for once and kept, so its
// binders may capture the object's members.
class UIInterfaceOwner {
public:
    virtual ~UIInterfaceOwner() = default;

    // The connections, declared on first use.
    [[nodiscard]] const UIConnectionTable& connections();

    // What an interface file bound to an outlet (null when none, or gone): for tools that find
    // views by outlet name, such as the script driver. The loader records each binding.
    [[nodiscard]] std::shared_ptr<UIResponder> boundOutlet(const std::string& name) const;
    void recordBoundOutlet(const std::string& name, const std::shared_ptr<UIResponder>& object);

protected:
    // Declares the outlets and actions (the subclass calls its base's first).
    virtual void declareConnections(UIConnectionTable& table) { }

private:
    std::unique_ptr<UIConnectionTable> connections_;
    std::map<std::string, std::weak_ptr<UIResponder>> boundOutlets_;
};
