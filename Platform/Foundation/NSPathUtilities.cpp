#include "Platform/Foundation/NSPathUtilities.h"

namespace {

// The path without trailing slashes, but "/" (or a run of only slashes) stays "/".
std::string_view withoutTrailingSlashes(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return path;
}

} // namespace

std::string lastPathComponent(std::string_view path)
{
    path = withoutTrailingSlashes(path);
    if (path == "/")
        return "/";
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string pathExtension(std::string_view path)
{
    const std::string name = lastPathComponent(path);
    const std::size_t dot = name.rfind('.');
    // A dot that starts the name marks a hidden file, not an extension.
    if (dot == std::string::npos || dot == 0)
        return {};
    return name.substr(dot + 1);
}

std::string stringByDeletingLastPathComponent(std::string_view path)
{
    path = withoutTrailingSlashes(path);
    if (path == "/")
        return "/";
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    std::string_view parent = path.substr(0, slash);
    while (parent.size() > 1 && parent.back() == '/')
        parent.remove_suffix(1);
    return parent.empty() ? "/" : std::string(parent);
}

std::string stringByDeletingPathExtension(std::string_view path)
{
    const std::string_view trimmed = withoutTrailingSlashes(path);
    const std::string extension = pathExtension(trimmed);
    if (extension.empty())
        return std::string(trimmed);
    return std::string(trimmed.substr(0, trimmed.size() - extension.size() - 1));
}

std::vector<std::string> pathComponents(std::string_view path)
{
    std::vector<std::string> components;
    std::size_t i = 0;
    if (!path.empty() && path.front() == '/') {
        components.emplace_back("/");
        while (i < path.size() && path[i] == '/')
            ++i;
    }
    while (i < path.size()) {
        const std::size_t slash = path.find('/', i);
        if (slash == std::string_view::npos) {
            components.emplace_back(path.substr(i));
            break;
        }
        components.emplace_back(path.substr(i, slash - i));
        i = slash;
        while (i < path.size() && path[i] == '/')
            ++i;
        if (i == path.size())
            components.emplace_back("/");
    }
    return components;
}

std::string pathWithComponents(const std::vector<std::string>& components)
{
    std::string path;
    for (const std::string& component : components) {
        if (component.empty())
            continue;
        if (!path.empty() && path.back() != '/' && component.front() != '/')
            path.push_back('/');
        if (!path.empty() && path.back() == '/' && component.front() == '/')
            path.append(std::string_view(component).substr(1));
        else
            path.append(component);
    }
    return path;
}

std::string stringByAppendingPathComponent(std::string_view path, std::string_view component)
{
    std::string_view tail = component;
    while (!tail.empty() && tail.front() == '/')
        tail.remove_prefix(1);
    tail = withoutTrailingSlashes(tail);
    if (tail == "/")
        tail = {};
    std::string result(withoutTrailingSlashes(path));
    if (tail.empty())
        return result.empty() && !component.empty() ? "/" : result;
    if (!result.empty() && result.back() != '/')
        result.push_back('/');
    result.append(tail);
    return result;
}
