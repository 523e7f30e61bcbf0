// A settable clock and a sleeper that records instead of waiting.
#pragma once

#include <chrono>
#include <mutex>
#include <vector>

#include "platform/clock.h"

namespace veltra::testing {

// A clock that stands still until a test moves it. Thread-safe.
class FakeClock : public platform::Clock {
 public:
  explicit FakeClock(std::chrono::system_clock::time_point start =
                         std::chrono::system_clock::time_point(std::chrono::seconds(1'800'000'000)))
      : now_(start) {}

  std::chrono::system_clock::time_point now() const override {
    std::lock_guard<std::mutex> guard(mutex_);
    return now_;
  }
  void set(std::chrono::system_clock::time_point time) {
    std::lock_guard<std::mutex> guard(mutex_);
    now_ = time;
  }
  void advance(std::chrono::duration<double> by) {
    std::lock_guard<std::mutex> guard(mutex_);
    now_ += std::chrono::duration_cast<std::chrono::system_clock::duration>(by);
  }

 private:
  mutable std::mutex mutex_;
  std::chrono::system_clock::time_point now_;
};

// Records every requested sleep and returns at once; optionally advances a FakeClock.
class RecordingSleeper : public platform::Sleeper {
 public:
  explicit RecordingSleeper(FakeClock* clock = nullptr) : clock_(clock) {}

  void sleep(std::chrono::duration<double> duration) override {
    std::lock_guard<std::mutex> guard(mutex_);
    sleeps_.push_back(duration.count());
    if (clock_ != nullptr) clock_->advance(duration);
  }
  std::vector<double> sleeps() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return sleeps_;
  }

 private:
  FakeClock* clock_;
  mutable std::mutex mutex_;
  std::vector<double> sleeps_;
};

}  // namespace veltra::testing
