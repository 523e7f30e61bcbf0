// Stopping a long-running foreground tool on SIGINT or SIGTERM by waiting for the signal in one
// thread instead of handling it asynchronously: no code runs in a signal handler, and the tool
// shuts down on its main thread in its ordinary order.
#pragma once

namespace veltra::platform {

// The signals that ask a tool to stop.
enum class StopSignal { interrupt, terminate };

// Blocks SIGINT and SIGTERM in the calling thread; threads it starts afterwards inherit the mask,
// so call it before starting any, and the signals stay pending until waitForStopSignal() takes
// them. Throws SystemError("pthread_sigmask", "", error) when the mask cannot be changed.
void blockStopSignals();

// Waits, without a time limit, until SIGINT or SIGTERM is pending for the calling thread, takes
// it and returns which one. blockStopSignals() must have been called in this thread. Throws
// SystemError("sigwait", "", error) on failure.
StopSignal waitForStopSignal();

}  // namespace veltra::platform
