#include "Platform/UIKit/UIInterfaceOwner.h"

const UIConnectionTable& UIInterfaceOwner::connections()
{
    if (!connections_) {
        auto table = std::make_unique<UIConnectionTable>();
        declareConnections(*table);
        connections_ = std::move(table);
    }
    return *connections_;
}

std::shared_ptr<UIResponder> UIInterfaceOwner::boundOutlet(const std::string& name) const
{
    const auto found = boundOutlets_.find(name);
    return found == boundOutlets_.end() ? nullptr : found->second.lock();
}

void UIInterfaceOwner::recordBoundOutlet(const std::string& name, const std::shared_ptr<UIResponder>& object)
{
    boundOutlets_[name] = object;
}
