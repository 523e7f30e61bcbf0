#include "updater/exclusive_file_lock.h"

#include "platform/files.h"

namespace veltra::updater {

namespace {
platform::LockFile openCreatingFolder(const std::string& path) {
  std::string folder = platform::parentPath(path);
  if (!folder.empty() && !platform::fileExists(folder)) {
    try {
      platform::createDirectories(folder, 0755);
    } catch (const platform::SystemError&) {
      // The open below fails and reports the path.
    }
  }
  return platform::LockFile::open(path);
}
}  // namespace

ExclusiveFileLock::ExclusiveFileLock(const std::string& path) : file_(openCreatingFolder(path)) {}

}  // namespace veltra::updater
