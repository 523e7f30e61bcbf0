#include "updater/exclusive_file_lock.h"

#include "platform/file_lock.h"
#include "platform/files.h"

namespace veltra::updater {

namespace {
int openCreatingFolder(const std::string& path) {
  std::string folder = platform::parentPath(path);
  if (!folder.empty() && !platform::fileExists(folder)) {
    try {
      platform::createDirectories(folder, 0755);
    } catch (const platform::SystemError&) {
      // The open below fails and reports the path.
    }
  }
  return platform::openLockFile(path);
}
}  // namespace

ExclusiveFileLock::ExclusiveFileLock(const std::string& path) : fd_(openCreatingFolder(path)) {}

ExclusiveFileLock::~ExclusiveFileLock() { platform::closeDescriptor(fd_); }

int ExclusiveFileLock::tryLock() { return platform::tryLockExclusive(fd_); }

int ExclusiveFileLock::lock() { return platform::lockExclusive(fd_); }

}  // namespace veltra::updater
