#include "platform/stop_signals.h"

#include <csignal>

#include <gtest/gtest.h>

namespace veltra::platform {
namespace {

// raise() sends to the calling thread, where the blocked signal stays pending until taken.
TEST(StopSignals, ABlockedStopSignalWaitsForTheWaiterAndIsNamed) {
  blockStopSignals();
  ASSERT_EQ(std::raise(SIGTERM), 0);
  EXPECT_EQ(waitForStopSignal(), StopSignal::terminate);
  ASSERT_EQ(std::raise(SIGINT), 0);
  EXPECT_EQ(waitForStopSignal(), StopSignal::interrupt);
}

}  // namespace
}  // namespace veltra::platform
