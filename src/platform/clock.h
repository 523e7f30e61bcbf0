// Time as a dependency: the wall clock and the retry sleeper are injected so tests are instant.
#pragma once

#include <chrono>

namespace veltra::platform {

// Tells the current wall-clock time. Implementations are thread-safe.
class Clock {
 public:
  virtual ~Clock() = default;
  // Returns the current time.
  virtual std::chrono::system_clock::time_point now() const = 0;
  // Returns the process-wide clock of the system.
  static const Clock& system();
};

// A clock that always tells the same time (tools given an explicit time, benchmarks).
class FixedClock : public Clock {
 public:
  explicit FixedClock(std::chrono::system_clock::time_point now) : now_(now) {}
  std::chrono::system_clock::time_point now() const override { return now_; }

 private:
  std::chrono::system_clock::time_point now_;
};

// Waits for a duration. Implementations are thread-safe.
class Sleeper {
 public:
  virtual ~Sleeper() = default;
  // Blocks the calling thread for `duration`.
  virtual void sleep(std::chrono::duration<double> duration) = 0;
  // Returns the process-wide sleeper that really waits.
  static Sleeper& real();
};

}  // namespace veltra::platform
