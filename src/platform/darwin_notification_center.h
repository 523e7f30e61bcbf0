// System-wide, payload-free notifications posted by name.
//
// macOS: the Darwin notify center. Linux: one counter file per name in the notification folder
// (VELTRA_NOTIFY_DIR, default "/run/veltra/notify"). Posting NAME takes an exclusive flock on
// the file NAME (created 0644, folder created 0755), reads its decimal counter (empty is 0) and
// replaces the content with the counter plus one and a newline; the number is how many times
// NAME was posted, so observers can tell coalesced posts apart. Observers are woken by inotify.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "core/mutex.h"

namespace veltra::platform {

// Posts notifications and delivers observed ones on a private thread, one at a time.
// Thread-safe. Handlers run on the delivery thread and must not add or remove observers.
class DarwinNotificationCenter {
 public:
  // Creates a center over the notification folder `notifyDirectory` (Linux).
  explicit DarwinNotificationCenter(std::string notifyDirectory);
  ~DarwinNotificationCenter();
  DarwinNotificationCenter(const DarwinNotificationCenter&) = delete;
  DarwinNotificationCenter& operator=(const DarwinNotificationCenter&) = delete;

  // Returns the process-wide center over the configured notification folder.
  static DarwinNotificationCenter& shared();

  // Posts `name` for immediate delivery; never fails the caller.
  void post(std::string_view name);

  // Registers `handler` for `name`, replacing an earlier one.
  void addObserver(const std::string& name, std::function<void()> handler);

  // Unregisters the handler of `name`.
  void removeObserver(const std::string& name);

  // Unregisters every handler.
  void removeAllObservers();

  // Returns how many times `name` has been posted on this machine (Linux counter; 0 if never).
  std::uint64_t postCount(std::string_view name) const;

  const std::string& notifyDirectory() const { return notifyDirectory_; }

 private:
  void startWatcherLocked() REQUIRES(mutex_);
  void stopWatcher();
  void watchLoop(int inotifyFd, int stopFd);

  std::string notifyDirectory_;
  mutable Mutex mutex_;
  std::map<std::string, std::function<void()>, std::less<>> observers_ GUARDED_BY(mutex_);
  std::thread watcher_ GUARDED_BY(mutex_);
  int stopFd_ GUARDED_BY(mutex_) = -1;
};

}  // namespace veltra::platform
