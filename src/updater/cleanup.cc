#include <chrono>

#include "platform/file_lock.h"
#include "platform/files.h"
#include "updater/korvel_updater.h"
#include "updater/run_temporaries.h"

namespace veltra::updater {

namespace {

constexpr double kOldFileAgeSeconds = 604800;  // 7 days; exactly 7 days is kept

// Tells whether no update run can be writing a ".new" file now: the updater lock is free.
// Opens the lock file only if it exists, so the cleanup never creates the data folder.
bool updateRunIsIdle(const std::string& lockPath) {
  std::optional<platform::LockFile> lock = platform::LockFile::openExisting(lockPath);
  if (!lock) return !platform::fileExists(lockPath);
  return lock->tryLock();
}

}  // namespace

void KorvelUpdater::cleanup(bool verbose, UpdaterContext& context) {
  Console& console = *context.console;
  if (verbose) console.say("Running cleanup...");
  auto now = context.clock->now();
  for (const char* name : {"blocklist.bin.old", "blocklist-v4.bin.old"}) {
    std::string path = context.dataPath(name);
    auto modified = platform::modificationTime(path);
    if (!modified) continue;
    if (std::chrono::duration<double>(now - *modified).count() > kOldFileAgeSeconds) {
      platform::removeFile(path);
      if (verbose) console.say(std::string("Removed old ") + name);
    }
  }
  bool idle = updateRunIsIdle(context.dataPath("updater.lock"));
  for (const char* name : {"blocklist.bin.new", "blocklist-v4.bin.new"}) {
    std::string path = context.dataPath(name);
    if (!platform::fileExists(path)) continue;
    if (!idle) {
      if (verbose) console.say(std::string("Kept ") + name + ": an update is in progress");
      continue;
    }
    platform::removeFile(path);
    if (verbose) console.say(std::string("Removed stale ") + name);
  }
  if (idle) {
    for (const std::string& name :
         reclaimRunLeftovers(context.environment.dataDirectory, platform::temporaryDirectory(),
                             *context.fileSystem)) {
      if (verbose) console.say("Removed stale " + name);
    }
  }
  if (verbose) console.say("Cleanup complete");
}

}  // namespace veltra::updater
