#pragma once

#include <stdlib.h>

#include <optional>
#include <string>
#include <utility>

// Sets an environment variable while in scope; the old value (or its absence) comes back
// afterwards. Not thread-safe, as setenv is not.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string& value)
        : name_(std::move(name))
    {
        if (const char* old = ::getenv(name_.c_str())) old_ = old;
        ::setenv(name_.c_str(), value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (old_)
            ::setenv(name_.c_str(), old_->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};
