// Bounds a call that a regression would leave stuck opening a FIFO, so the test fails instead
// of hanging.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>

#include <gtest/gtest.h>

namespace veltra::testing {

// Runs `operation` on another thread and returns its result. Should it still be running after a
// generous bound, it is taken to be stuck opening the FIFO at `fifo`: the FIFO's other end is
// opened to release it, and the test fails.
template <typename Operation>
auto callWithoutBlockingOn(const std::string& fifo, Operation operation) {
  auto result = std::async(std::launch::async, operation);
  if (result.wait_for(std::chrono::seconds(20)) == std::future_status::timeout) {
    ADD_FAILURE() << "blocked on the FIFO at " << fifo;
    int release = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    result.wait_for(std::chrono::seconds(20));
    if (release >= 0) ::close(release);
  }
  return result.get();
}

}  // namespace veltra::testing
