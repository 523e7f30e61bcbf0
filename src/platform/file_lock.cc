#include "platform/file_lock.h"

#include <sys/file.h>

#include <cerrno>
#include <utility>

namespace veltra::platform {

LockFile LockFile::open(const std::string& path) {
  // Lock files live in folders other users may write to; whatever is planted at the name other
  // than our own regular file is refused, so the chmod below only ever reaches that file.
  std::unique_ptr<File> file = FileSystem::real().open(
      path, {.mode = OpenMode::createOrOpen, .names = NamePolicy::guarded, .permissions = 0644});
  try {
    file->setPermissions(0644);  // a restrictive umask must not lock out other users of the file
  } catch (const SystemError&) {
    // The lock still works for this process and those of the same user.
  }
  return LockFile(std::move(file), path);
}

std::optional<LockFile> LockFile::openExisting(const std::string& path) {
  try {
    return LockFile(FileSystem::real().open(path, {.names = NamePolicy::guarded}), path);
  } catch (const SystemError&) {
    return std::nullopt;
  }
}

bool LockFile::tryLock() { return file_->tryLockExclusive() == 0; }

void LockFile::lock() {
  for (;;) {
    if (::flock(file_->nativeHandle(), LOCK_EX) == 0) return;
    if (errno != EINTR) throw SystemError("flock", path_, errno);
  }
}

}  // namespace veltra::platform
