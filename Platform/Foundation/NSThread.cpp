#include "Platform/Foundation/NSThread.h"

#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSRunLoop.h"

#include <exception>
#include <system_error>
#include <thread>

bool NSThread::isMainThread()
{
    return RunLoop::main().isMainThread();
}

void NSThread::detachNewThread(std::function<void()> work)
{
    if (!work) return;
    try {
        std::thread([work = std::move(work)] {
            try {
                work();
            } catch (const std::exception& error) {
                NSLogf("Exception on a background thread: %s", error.what());
            } catch (...) {
                NSLog("Unknown exception on a background thread");
            }
        }).detach();
    } catch (const std::system_error& error) {
        NSLogf("Could not start a background thread: %s", error.what());
    }
}
