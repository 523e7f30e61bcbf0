// The state of the format-3 domain filter shared with the daemon and the application.
// Its decision order and loading belong to the daemon; this program holds the state only.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "config/blocklist_category.h"
#include "core/mutex.h"
#include "legacy/domain_cache.h"
#include "legacy/tries.h"
#include "legacy/v3_header.h"
#include "legacy/v4_engine.h"

namespace veltra::legacy {

// A counter shared between threads; `lock` guards `count`.
class AtomicCounter {
 public:
  // Returns the current count.
  std::int64_t value() const {
    MutexLock guard(lock_);
    return count_;
  }

 private:
  mutable Mutex lock_;
  std::int64_t count_ GUARDED_BY(lock_) = 0;
};

// Which artifact generation is loaded. Plain record.
struct LoadedArtifactInfo {
  std::int64_t formatVersion = 0;
  std::optional<std::string> buildInfo;

  friend bool operator==(const LoadedArtifactInfo&, const LoadedArtifactInfo&) = default;
};

// A wildcard suffix enabled at run time and the category it blocks for. Plain record.
struct RuntimeSuffix {
  std::string suffix;
  config::BlocklistCategory category;

  friend bool operator==(const RuntimeSuffix&, const RuntimeSuffix&) = default;
};

// The filter's state. Owns its tries, mapping and engine. `queue` serialises the filter's work
// and `watcherQueue` its file watching; `artifactInfoLock` guards the artifact info.
class BlocklistFilter {
 public:
  // Creates an empty, disabled, unloaded filter with its retry settings.
  BlocklistFilter(std::int64_t maxRetryAttempts, double retryIntervalSeconds)
      : maxRetryAttempts_(maxRetryAttempts), retryIntervalSeconds_(retryIntervalSeconds) {}
  BlocklistFilter(const BlocklistFilter&) = delete;
  BlocklistFilter& operator=(const BlocklistFilter&) = delete;

  // Returns the loaded artifact's info, read under its lock.
  LoadedArtifactInfo artifactInfo() const {
    MutexLock guard(artifactInfoLock_);
    return artifactInfo_;
  }
  bool isEnabled() const { return isEnabled_; }
  bool isLoaded() const { return isLoaded_; }
  std::int64_t maxRetryAttempts() const { return maxRetryAttempts_; }
  double retryIntervalSeconds() const { return retryIntervalSeconds_; }

 private:
  std::set<std::string> exactDomains_;
  std::map<std::string, std::uint32_t> exactDomainCategories_;
  std::set<std::string> wildcardSuffixes_;
  std::map<std::string, std::uint32_t> wildcardCategories_;
  std::unique_ptr<WildcardTrie> wildcardTrie_;
  std::unique_ptr<MappedTrieLookup> mappedLookup_;
  std::optional<V3Header> v3Header_;
  std::unique_ptr<V4Engine> v4Engine_;
  mutable Mutex artifactInfoLock_;
  LoadedArtifactInfo artifactInfo_ GUARDED_BY(artifactInfoLock_);
  std::map<std::uint8_t, config::BlocklistCategory> categoryIndex_;
  std::set<std::string> allowlist_;
  std::set<std::string> userBlocklist_;
  std::unique_ptr<DomainCache> domainCache_;
  bool isEnabled_ = false;
  bool isLoaded_ = false;
  std::optional<std::chrono::system_clock::time_point> lastLoadTime_;
  Mutex queue_;
  Mutex watcherQueue_;
  std::uint32_t enabledCategoriesBitmap_ = 0;
  std::vector<RuntimeSuffix> enabledRuntimeSuffixes_;
  // When the scheduled retry fires; none when no retry is scheduled (dropped with the filter).
  std::optional<std::chrono::steady_clock::time_point> retryTimer_;
  bool isWatcherCancelled_ = false;
  AtomicCounter attemptCounter_;
  std::int64_t maxRetryAttempts_;
  double retryIntervalSeconds_;
};

}  // namespace veltra::legacy
