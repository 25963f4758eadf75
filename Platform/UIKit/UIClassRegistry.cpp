#include "Platform/UIKit/UIClassRegistry.h"

#include <stdexcept>

UIClassRegistry& UIClassRegistry::shared()
{
    // Registered explicitly here: a static library drops unreferenced static initialisers.
    static UIClassRegistry& registry = []() -> UIClassRegistry& {
        static UIClassRegistry instance;
        registerPlatformInterfaceClasses(instance);
        return instance;
    }();
    return registry;
}

void UIClassRegistry::registerClass(std::string name, std::string superclass, Factory make,
    std::map<std::string, UIPropertySetter> properties)
{
    if (!superclass.empty() && classes_.find(superclass) == classes_.end()) {
        throw std::invalid_argument("superclass '" + superclass + "' of '" + name + "' is not registered");
    }
    ClassInfo& info = classes_[name];
    // Replacing a class (the application's own navigation controller, say) keeps the keys that
    // were added to it apart from its factory, unless new ones of the same name come.
    for (auto& [key, setter] : properties) {
        info.properties[key] = std::move(setter);
    }
    info.name = std::move(name);
    info.superclass = std::move(superclass);
    info.make = std::move(make);
}

void UIClassRegistry::addProperties(
    const std::string& name, std::map<std::string, UIPropertySetter> properties)
{
    const auto found = classes_.find(name);
    if (found == classes_.end()) {
        throw std::invalid_argument("class '" + name + "' is not registered");
    }
    for (auto& [key, setter] : properties) {
        found->second.properties[key] = std::move(setter);
    }
}

void UIClassRegistry::setActionConnector(const std::string& name, ActionConnector connector)
{
    const auto found = classes_.find(name);
    if (found == classes_.end()) {
        throw std::invalid_argument("class '" + name + "' is not registered");
    }
    found->second.connectAction = std::move(connector);
}

const UIClassRegistry::ClassInfo* UIClassRegistry::classNamed(const std::string& name) const
{
    const auto found = classes_.find(name);
    return found == classes_.end() ? nullptr : &found->second;
}

const UIPropertySetter* UIClassRegistry::propertyOf(
    const std::string& className, const std::string& key) const
{
    // The chain is short (a handful of classes) and registered acyclic: superclasses come first.
    for (const ClassInfo* info = classNamed(className); info != nullptr;
         info = classNamed(info->superclass)) {
        const auto found = info->properties.find(key);
        if (found != info->properties.end()) {
            return &found->second;
        }
        if (info->superclass.empty()) {
            break;
        }
    }
    return nullptr;
}

const UIClassRegistry::ActionConnector* UIClassRegistry::actionConnectorOf(const std::string& className) const
{
    for (const ClassInfo* info = classNamed(className); info != nullptr;
         info = classNamed(info->superclass)) {
        if (info->connectAction) {
            return &info->connectAction;
        }
        if (info->superclass.empty()) {
            break;
        }
    }
    return nullptr;
}

bool UIClassRegistry::isKindOf(const std::string& name, const std::string& ancestor) const
{
    for (const ClassInfo* info = classNamed(name); info != nullptr; info = classNamed(info->superclass)) {
        if (info->name == ancestor) {
            return true;
        }
        if (info->superclass.empty()) {
            break;
        }
    }
    return false;
}
