#include "Classes/Controller/RemoteOperation.h"

#include <atomic>

#include "Classes/Others/NetworkManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSThread.h"

namespace RemoteOperation {

namespace {

std::atomic<bool> started { false };

}

bool isBusy()
{
    return started.load() || NetworkManager::sharedManager().threadStatus() > 0;
}

bool startInBackground(std::function<void()> work)
{
    if (isBusy()) {
        NSLog("A remote operation is still running; the new one is not started");
        return false;
    }
    started = true;
    performInBackground([work = std::move(work)] {
        // Cleared however the work ends (the thread swallows what escapes it).
        struct Finish {
            ~Finish() { started = false; }
        } finish;
        work();
    });
    return true;
}

} // namespace RemoteOperation
