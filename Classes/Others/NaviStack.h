#pragma once

#include <string>
#include <utility>
#include <vector>

// Path components of the current directory, for the directory screen's folder label.
class NaviStack {
public:
    // Replaces the stack with the components of `path` ("/www/css" gives "/", "www", "css")
    // and answers getCurrentDir().
    std::string syncWithPath(const std::string& path);
    // The last component, or "/" when the stack is empty.
    [[nodiscard]] std::string getCurrentDir() const;

    [[nodiscard]] const std::vector<std::string>& arrStack() const { return arrStack_; }
    void setArrStack(std::vector<std::string> stack) { arrStack_ = std::move(stack); }
    [[nodiscard]] const std::string& curDir() const { return curDir_; }
    void setCurDir(std::string dir) { curDir_ = std::move(dir); }
    [[nodiscard]] const std::string& baseURL() const { return baseURL_; }
    void setBaseURL(std::string url) { baseURL_ = std::move(url); }

private:
    std::vector<std::string> arrStack_;
    std::string curDir_;
    std::string baseURL_;
};
