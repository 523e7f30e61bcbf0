// The updater's cross-process lock file.
#pragma once

#include <string>

namespace veltra::updater {

// Owns an open descriptor of a lock file; destroying the object closes it, which drops any
// advisory lock taken through it. Not copyable; not thread-safe.
class ExclusiveFileLock {
 public:
  // Opens `path` (creating the file 0644 and, when missing, its folder); throws
  // platform::SystemError whose description reads "open(<path>) failed: <reason>", the reason
  // naming a symbolic link, FIFO, other non-regular file or multiply linked file planted at
  // `path`, which is refused without being followed or blocked on.
  explicit ExclusiveFileLock(const std::string& path);
  ~ExclusiveFileLock();
  ExclusiveFileLock(const ExclusiveFileLock&) = delete;
  ExclusiveFileLock& operator=(const ExclusiveFileLock&) = delete;

  // Takes the exclusive lock if nobody holds it; returns 0 or the errno of the failure.
  int tryLock();
  // Takes the exclusive lock, waiting without limit; returns 0 or the errno of a failure.
  int lock();

  int fd() const { return fd_; }

 private:
  int fd_;
};

}  // namespace veltra::updater
