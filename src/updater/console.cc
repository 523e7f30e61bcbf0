#include "updater/console.h"

#include <cstdio>

#include "core/mutex.h"

namespace veltra::updater {

namespace {
class StandardOutputConsole : public Console {
 public:
  void print(std::string_view text) override {
    MutexLock guard(mutex_);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }

 private:
  Mutex mutex_;
};
}  // namespace

Console& Console::standardOutput() {
  static StandardOutputConsole console;
  return console;
}

}  // namespace veltra::updater
