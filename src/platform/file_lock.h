// Advisory whole-file locks (flock) on lock files shared between processes.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/file_system.h"

namespace veltra::platform {

// An open lock file. Owns the open file; destroying the object closes it, which drops any lock
// taken through it. Movable, not copyable; not thread-safe.
class LockFile {
 public:
  // Opens `path` read-write, creating it with mode 0644, and forces the mode to 0644 whatever
  // the file-creation mask. A symbolic link, FIFO, folder, device or multiply linked file at
  // `path` is refused without being followed or blocked on. Throws SystemError("open", path,
  // errno), whose description says what was found.
  static LockFile open(const std::string& path);

  // Opens an existing lock file read-only without creating it, refusing what open() refuses;
  // nothing when that fails.
  static std::optional<LockFile> openExisting(const std::string& path);

  // Takes the exclusive lock if nobody holds it; false when another open file holds it or the
  // request fails.
  bool tryLock();

  // Takes the exclusive lock, waiting as long as it takes. Throws SystemError("flock", path,
  // errno) for a failure other than an interrupting signal.
  void lock();

 private:
  LockFile(std::unique_ptr<File> file, std::string path)
      : file_(std::move(file)), path_(std::move(path)) {}

  std::unique_ptr<File> file_;
  std::string path_;
};

}  // namespace veltra::platform
