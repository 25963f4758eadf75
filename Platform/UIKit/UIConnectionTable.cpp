#include "Platform/UIKit/UIConnectionTable.h"

#include <cstdlib>
#include <cxxabi.h>

const UIConnectionTable::Outlet* UIConnectionTable::outletNamed(const std::string& name) const
{
    const auto found = outlets_.find(name);
    return found == outlets_.end() ? nullptr : &found->second;
}

const UIConnectionTable::Action* UIConnectionTable::actionNamed(const SEL& selector) const
{
    const auto found = actions_.find(selector);
    return found == actions_.end() ? nullptr : &found->second;
}

std::string UIConnectionTable::demangle(const char* mangled)
{
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
    std::string readable = status == 0 && name ? std::string(name.get()) : std::string(mangled);
    // The class as the interface files name it, without its namespace.
    const std::size_t scope = readable.rfind("::");
    return scope == std::string::npos ? readable : readable.substr(scope + 2);
}
