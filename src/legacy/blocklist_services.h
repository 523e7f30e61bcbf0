// The state of the format-3 list parser, download queue and manifest manager. Their operations
// (line grammar, scheduling, manifest persistence) belong to the daemon.
#pragma once

#include <cstdint>
#include <optional>

#include "core/mutex.h"
#include "legacy/blocklist_manifest.h"
#include "platform/logging.h"

namespace veltra::legacy {

// Parses downloaded list text; accepts lines up to `maxLineLength` bytes. Immutable.
class BlocklistParser {
 public:
  explicit BlocklistParser(std::int64_t maxLineLength)
      : logger_("tessel.Korvel2", "BlocklistParser"), maxLineLength_(maxLineLength) {}

  std::int64_t maxLineLength() const { return maxLineLength_; }

 private:
  platform::Logger logger_;
  std::int64_t maxLineLength_;
};

// Downloads category lists, at most `maxConcurrent` at a time, each within `downloadTimeout`
// seconds, and parses them with its own parser.
class BlocklistDownloadQueue {
 public:
  BlocklistDownloadQueue(BlocklistParser parser, std::int64_t maxConcurrent, double downloadTimeout)
      : logger_("tessel.Korvel2", "BlocklistDownloadQueue"),
        parser_(parser),
        maxConcurrent_(maxConcurrent),
        downloadTimeout_(downloadTimeout) {}

  const BlocklistParser& parser() const { return parser_; }
  std::int64_t maxConcurrent() const { return maxConcurrent_; }
  double downloadTimeout() const { return downloadTimeout_; }

 private:
  platform::Logger logger_;
  BlocklistParser parser_;
  std::int64_t maxConcurrent_;
  double downloadTimeout_;
};

// Keeps the last manifest read or written; `lock` guards it. Thread-safe.
class BlocklistManifestManager {
 public:
  BlocklistManifestManager() : logger_("tessel.Korvel2", "BlocklistManifestManager") {}
  BlocklistManifestManager(const BlocklistManifestManager&) = delete;
  BlocklistManifestManager& operator=(const BlocklistManifestManager&) = delete;

  // Returns the cached manifest, if any.
  std::optional<BlocklistManifest> cachedManifest() const {
    MutexLock guard(lock_);
    return cachedManifest_;
  }

 private:
  platform::Logger logger_;
  mutable Mutex lock_;
  std::optional<BlocklistManifest> cachedManifest_ GUARDED_BY(lock_);
};

}  // namespace veltra::legacy
