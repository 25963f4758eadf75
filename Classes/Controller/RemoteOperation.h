#pragma once

#include <functional>

// One remote operation at a time on the shared network manager. The manager marks itself busy
// only once its background work has begun; a screen that starts one marks it here, on the main
// thread, before the work is even started, so a second screen cannot slip in between and
// replace the connection under the first.
namespace RemoteOperation {

// Whether an operation was started here and has not finished, or the manager reports one.
[[nodiscard]] bool isBusy();

// Runs the work (a call on the network manager) on a background thread unless an operation
// runs; answers false, logged, when it refused. Main thread only.
bool startInBackground(std::function<void()> work);

} // namespace RemoteOperation
