// The format-3 filter's cache of recent check results.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>

#include "core/mutex.h"
#include "legacy/block_check_result.h"

namespace veltra::legacy {

// A snapshot of a cache's counters. Plain record.
struct CacheStatistics {
  std::int64_t size = 0;
  std::int64_t maxSize = 0;
  std::int64_t hitCount = 0;
  std::int64_t missCount = 0;
  // Hits over all lookups, 0 when there were none.
  double hitRate = 0;

  friend bool operator==(const CacheStatistics&, const CacheStatistics&) = default;
};

// Results of recent domain checks, at most `maxSize` of them, in order of use. Thread-safe: one
// mutex serialises every access and the statistics snapshot.
class DomainCache {
 public:
  // Creates an empty cache of at most `maxSize` results.
  explicit DomainCache(std::int64_t maxSize) : maxSize_(maxSize) {}
  DomainCache(const DomainCache&) = delete;
  DomainCache& operator=(const DomainCache&) = delete;

  // Returns the counters, taken under the cache's lock.
  CacheStatistics statistics() const;

  // Returns "DomainCache(size: <size>/<maxSize>, hitRate: <rate × 100 as %.1f>%)".
  std::string debugDescription() const;

  // Returns the debug text of a snapshot.
  static std::string describe(const CacheStatistics& statistics);

 private:
  mutable Mutex queue_;
  std::unordered_map<std::string, BlockCheckResult> cache_ GUARDED_BY(queue_);
  std::list<std::string> accessOrder_ GUARDED_BY(queue_);
  const std::int64_t maxSize_;
  std::int64_t hitCount_ GUARDED_BY(queue_) = 0;
  std::int64_t missCount_ GUARDED_BY(queue_) = 0;
};

}  // namespace veltra::legacy
