// The updater's cross-process lock file.
#pragma once

#include <string>

#include "platform/file_lock.h"

namespace veltra::updater {

// Owns the open lock file; destroying the object closes it, which drops any advisory lock
// taken through it. Not copyable; not thread-safe.
class ExclusiveFileLock {
 public:
  // Opens `path` (creating the file 0644 and, when missing, its folder); throws
  // platform::SystemError whose description reads "open(<path>) failed: <reason>", the reason
  // naming a symbolic link, FIFO, other non-regular file or multiply linked file planted at
  // `path`, which is refused without being followed or blocked on.
  explicit ExclusiveFileLock(const std::string& path);
  ExclusiveFileLock(const ExclusiveFileLock&) = delete;
  ExclusiveFileLock& operator=(const ExclusiveFileLock&) = delete;

  // Takes the exclusive lock if nobody holds it; false when that fails.
  bool tryLock() { return file_.tryLock(); }
  // Takes the exclusive lock, waiting without limit. Throws platform::SystemError.
  void lock() { file_.lock(); }

 private:
  platform::LockFile file_;
};

}  // namespace veltra::updater
