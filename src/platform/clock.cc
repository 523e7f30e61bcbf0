#include "platform/clock.h"

#include <thread>

namespace veltra::platform {

namespace {
class SystemClock : public Clock {
 public:
  std::chrono::system_clock::time_point now() const override {
    return std::chrono::system_clock::now();
  }
};
class RealSleeper : public Sleeper {
 public:
  void sleep(std::chrono::duration<double> duration) override {
    std::this_thread::sleep_for(duration);
  }
};
}  // namespace

const Clock& Clock::system() {
  static SystemClock instance;
  return instance;
}

Sleeper& Sleeper::real() {
  static RealSleeper instance;
  return instance;
}

}  // namespace veltra::platform
