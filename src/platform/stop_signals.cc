#include "platform/stop_signals.h"

#include <pthread.h>
#include <signal.h>

#include "platform/system_error.h"

namespace veltra::platform {

namespace {

sigset_t stopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}

}  // namespace

void blockStopSignals() {
  const sigset_t signals = stopSignals();
  // pthread_sigmask and sigwait report failure by their result, not errno.
  if (int error = ::pthread_sigmask(SIG_BLOCK, &signals, nullptr); error != 0)
    throw SystemError("pthread_sigmask", "", error);
}

StopSignal waitForStopSignal() {
  const sigset_t signals = stopSignals();
  int received = 0;
  if (int error = ::sigwait(&signals, &received); error != 0)
    throw SystemError("sigwait", "", error);
  return received == SIGINT ? StopSignal::interrupt : StopSignal::terminate;
}

}  // namespace veltra::platform
