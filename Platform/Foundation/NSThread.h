#pragma once

#include <functional>
#include <utility>

// Threads as the platform offers them: a main-thread query and detached background work.
class NSThread {
public:
    // True on the main run loop's thread (see RunLoop::bindToCurrentThread).
    [[nodiscard]] static bool isMainThread();
    // Starts the work on a new detached thread. An exception escaping it is logged and swallowed,
    // never taking the process down.
    static void detachNewThread(std::function<void()> work);
};

[[nodiscard]] inline bool isMainThread()
{
    return NSThread::isMainThread();
}
inline void performInBackground(std::function<void()> work)
{
    NSThread::detachNewThread(std::move(work));
}
