#include "Classes/Others/NaviStack.h"

#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"

std::string NaviStack::syncWithPath(const std::string& path)
{
    NSLog("syncWithPath: " + path);
    arrStack_ = pathComponents(path);
    // A trailing slash is a component of its own in a path split; it names no folder.
    if (arrStack_.size() > 1 && arrStack_.back() == "/")
        arrStack_.pop_back();
    return getCurrentDir();
}

std::string NaviStack::getCurrentDir() const
{
    return arrStack_.empty() ? std::string("/") : arrStack_.back();
}
