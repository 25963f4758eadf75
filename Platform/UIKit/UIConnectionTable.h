#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <typeinfo>

#include "Platform/UIKit/Forward.h"

// What an object lets interface files bind on it: outlets by name, each a typed binder that
// checks the class of what it is given, and actions by selector name ("btnSavePressed" without
// a sender, "btnSavePressed:" with one). An outlet holds either a non-owning pointer (a view the
// tree owns) or a shared pointer (a top-level object the owner keeps: a window, a controller).
class UIConnectionTable {
public:
    struct Outlet {
        std::string className; // what the outlet takes, for error messages
        // Whether the object is of the outlet's class (null is: it clears the outlet).
        std::function<bool(const UIResponder* object)> accepts;
        // Binds an object that accepts() took.
        std::function<void(const std::shared_ptr<UIResponder>& object)> bind;
    };
    using Action = std::function<void(UIResponder* sender)>;

    // A non-owning outlet: the view tree (or the owner's kept objects) owns what it points at.
    template <typename T> void outlet(const std::string& name, T*& slot)
    {
        outletSetter<T>(name, [&slot](const std::shared_ptr<T>& object) { slot = object.get(); });
    }
    // An owning outlet, for a top-level object the owner keeps.
    template <typename T> void outlet(const std::string& name, std::shared_ptr<T>& slot)
    {
        outletSetter<T>(name, [&slot](const std::shared_ptr<T>& object) { slot = object; });
    }
    template <typename T> void outlet(const std::string& name, std::weak_ptr<T>& slot)
    {
        outletSetter<T>(name, [&slot](const std::shared_ptr<T>& object) { slot = object; });
    }
    // An outlet whose setter does more than store (a controller's view).
    template <typename T>
    void outletSetter(const std::string& name, std::function<void(const std::shared_ptr<T>&)> set)
    {
        outlets_[name] = Outlet {
            outletClassName<T>(),
            [](const UIResponder* object) {
                return object == nullptr || dynamic_cast<const T*>(object) != nullptr;
            },
            [set = std::move(set)](
                const std::shared_ptr<UIResponder>& object) { set(std::dynamic_pointer_cast<T>(object)); },
        };
    }

    // An action; the handler without a sender is for selectors without a trailing colon.
    void action(const SEL& selector, Action handler) { actions_[selector] = std::move(handler); }
    void action(const SEL& selector, std::function<void()> handler)
    {
        actions_[selector] = [handler = std::move(handler)](UIResponder*) { handler(); };
    }

    [[nodiscard]] const Outlet* outletNamed(const std::string& name) const;
    [[nodiscard]] const Action* actionNamed(const SEL& selector) const;
    [[nodiscard]] const std::map<std::string, Outlet>& outlets() const { return outlets_; }
    [[nodiscard]] const std::map<SEL, Action>& actions() const { return actions_; }

    // A readable class name of T (demangled), for error messages.
    template <typename T> static std::string outletClassName() { return demangle(typeid(T).name()); }
    static std::string demangle(const char* mangled);

private:
    std::map<std::string, Outlet> outlets_;
    std::map<SEL, Action> actions_;
};
