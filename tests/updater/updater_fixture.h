// A temporary data folder, notification folder and fake time wired into an UpdaterContext.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "config/shared_config.h"
#include "platform/darwin_notification_center.h"
#include "support/fake_time.h"
#include "support/temp_dir.h"
#include "updater/updater_context.h"

namespace veltra::testing {

// Keeps everything printed; lets a test wait for a line to appear. Thread-safe.
class RecordingConsole : public updater::Console {
 public:
  void print(std::string_view text) override {
    std::lock_guard<std::mutex> guard(mutex_);
    text_ += text;
    changed_.notify_all();
  }
  std::string text() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return text_;
  }
  // Returns the printed lines without their newlines.
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    std::string all = text();
    std::size_t start = 0;
    for (std::size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1) {
      out.push_back(all.substr(start, end - start));
    }
    return out;
  }
  bool contains(std::string_view line) const { return text().find(line) != std::string::npos; }
  // Waits (bounded, for a thread that is about to print) until `needle` was printed.
  bool waitFor(std::string_view needle) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(30),
                             [&] { return text_.find(needle) != std::string::npos; });
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::string text_;
};

// A data folder under a temporary directory with every dependency of a run faked or local.
struct UpdaterFixture {
  TempDir dir;
  FakeClock clock;
  RecordingSleeper sleeper{&clock};
  RecordingConsole console;
  std::string dataDirectory = dir.file("data");
  platform::DarwinNotificationCenter notifications{dir.file("notify")};
  config::SharedConfig sharedConfig{dataDirectory, clock};

  updater::UpdaterContext context() {
    updater::UpdaterContext c = updater::UpdaterContext::production();
    c.environment.dataDirectory = dataDirectory;
    c.environment.appBundle = dir.file("Veltra.app");
    c.environment.notifyDirectory = dir.file("notify");
    c.environment.cdnBase = "http://127.0.0.1:1";
    c.clock = &clock;
    c.sleeper = &sleeper;
    c.notifications = &notifications;
    c.sharedConfig = &sharedConfig;
    c.console = &console;
    return c;
  }

  std::string dataPath(std::string_view name) const {
    return platform::joinPath(dataDirectory, name);
  }
};

}  // namespace veltra::testing
