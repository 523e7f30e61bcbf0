#include "platform/darwin_notification_center.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "platform/files.h"

#if defined(__APPLE__)
#include <notify.h>
#else
#include <sys/eventfd.h>
#include <sys/inotify.h>
#endif

namespace veltra::platform {

namespace {

std::uint64_t parseCounter(const std::string& text) {
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value;
}

std::string readAll(int fd) {
  std::string text;
  char buffer[64];
  off_t offset = 0;
  for (;;) {
    ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
    offset += n;
  }
  return text;
}

}  // namespace

DarwinNotificationCenter::DarwinNotificationCenter(std::string notifyDirectory)
    : notifyDirectory_(std::move(notifyDirectory)) {}

DarwinNotificationCenter::~DarwinNotificationCenter() { removeAllObservers(); }

DarwinNotificationCenter& DarwinNotificationCenter::shared() {
  static DarwinNotificationCenter instance(Environment::current().notifyDirectory);
  return instance;
}

void DarwinNotificationCenter::post(std::string_view name) {
#if defined(__APPLE__)
  notify_post(std::string(name).c_str());
#else
  if (name.empty() || name.find('/') != std::string_view::npos) return;
  try {
    createDirectories(notifyDirectory_, 0755);
  } catch (const SystemError&) {
    return;
  }
  std::string path = joinPath(notifyDirectory_, name);
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  ::fchmod(fd, 0644);
  while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
  std::string next = std::to_string(parseCounter(readAll(fd)) + 1) + "\n";
  if (::ftruncate(fd, 0) == 0) {
    ssize_t ignored = ::pwrite(fd, next.data(), next.size(), 0);
    (void)ignored;
  }
  ::close(fd);  // drops the lock; inotify sees IN_CLOSE_WRITE
#endif
}

std::uint64_t DarwinNotificationCenter::postCount(std::string_view name) const {
  std::string path = joinPath(notifyDirectory_, name);
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  while (::flock(fd, LOCK_SH) != 0 && errno == EINTR) {
  }
  std::uint64_t value = parseCounter(readAll(fd));
  ::close(fd);
  return value;
}

void DarwinNotificationCenter::addObserver(const std::string& name, std::function<void()> handler) {
  MutexLock guard(mutex_);
  observers_[name] = std::move(handler);
  startWatcherLocked();
}

void DarwinNotificationCenter::removeObserver(const std::string& name) {
  bool empty;
  {
    MutexLock guard(mutex_);
    observers_.erase(name);
    empty = observers_.empty();
  }
  if (empty) stopWatcher();
}

void DarwinNotificationCenter::removeAllObservers() {
  {
    MutexLock guard(mutex_);
    observers_.clear();
  }
  stopWatcher();
}

void DarwinNotificationCenter::startWatcherLocked() {
#if !defined(__APPLE__)
  if (watcher_.joinable()) return;
  try {
    createDirectories(notifyDirectory_, 0755);
  } catch (const SystemError&) {
    return;
  }
  int inotifyFd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (inotifyFd < 0) return;
  if (::inotify_add_watch(inotifyFd, notifyDirectory_.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO) < 0) {
    ::close(inotifyFd);
    return;
  }
  stopFd_ = ::eventfd(0, EFD_CLOEXEC);
  if (stopFd_ < 0) {
    ::close(inotifyFd);
    return;
  }
  watcher_ = std::thread([this, inotifyFd, stopFd = stopFd_] { watchLoop(inotifyFd, stopFd); });
#endif
}

void DarwinNotificationCenter::stopWatcher() {
#if !defined(__APPLE__)
  std::thread watcher;
  int stopFd;
  {
    MutexLock guard(mutex_);
    if (!watcher_.joinable()) return;
    watcher = std::move(watcher_);
    stopFd = stopFd_;
    stopFd_ = -1;
  }
  std::uint64_t one = 1;
  ssize_t ignored = ::write(stopFd, &one, sizeof one);
  (void)ignored;
  if (watcher.get_id() != std::this_thread::get_id()) {
    watcher.join();
  } else {
    watcher.detach();
  }
  ::close(stopFd);
#endif
}

void DarwinNotificationCenter::watchLoop(int inotifyFd, int stopFd) {
#if !defined(__APPLE__)
  alignas(struct inotify_event) char buffer[4096];
  for (;;) {
    struct pollfd fds[2] = {{inotifyFd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents != 0) break;
    ssize_t n = ::read(inotifyFd, buffer, sizeof buffer);
    if (n <= 0) continue;
    std::vector<std::string> names;
    for (char* p = buffer; p < buffer + n;) {
      auto* event = reinterpret_cast<struct inotify_event*>(p);
      if (event->len > 0) names.emplace_back(event->name);
      p += sizeof(struct inotify_event) + event->len;
    }
    for (const auto& name : names) {
      std::function<void()> handler;
      {
        MutexLock guard(mutex_);
        auto it = observers_.find(name);
        if (it != observers_.end()) handler = it->second;
      }
      if (handler) handler();
    }
  }
  ::close(inotifyFd);
#else
  (void)inotifyFd;
  (void)stopFd;
#endif
}

}  // namespace veltra::platform
