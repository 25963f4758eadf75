#pragma once

#include <stdexcept>
#include <string>

// An exception with a name and a reason, as the platform raises them.
class NamedException : public std::runtime_error {
public:
    NamedException(std::string name, std::string reason)
        : std::runtime_error(name + ": " + reason)
        , name_(std::move(name))
        , reason_(std::move(reason))
    {
    }

    const std::string& name() const noexcept { return name_; }
    const std::string& reason() const noexcept { return reason_; }

private:
    std::string name_;
    std::string reason_;
};
