#include "updater/console.h"

#include <cstdio>
#include <mutex>

namespace veltra::updater {

namespace {
class StandardOutputConsole : public Console {
 public:
  void print(std::string_view text) override {
    std::lock_guard<std::mutex> guard(mutex_);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }

 private:
  std::mutex mutex_;
};
}  // namespace

Console& Console::standardOutput() {
  static StandardOutputConsole console;
  return console;
}

}  // namespace veltra::updater
