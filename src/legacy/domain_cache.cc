#include "legacy/domain_cache.h"

#include <cstdio>

namespace veltra::legacy {

CacheStatistics DomainCache::statistics() const {
  MutexLock guard(queue_);
  CacheStatistics statistics;
  statistics.size = static_cast<std::int64_t>(cache_.size());
  statistics.maxSize = maxSize_;
  statistics.hitCount = hitCount_;
  statistics.missCount = missCount_;
  const std::int64_t lookups = hitCount_ + missCount_;
  statistics.hitRate =
      lookups > 0 ? static_cast<double>(hitCount_) / static_cast<double>(lookups) : 0.0;
  return statistics;
}

std::string DomainCache::debugDescription() const { return describe(statistics()); }

std::string DomainCache::describe(const CacheStatistics& statistics) {
  char rate[32];
  std::snprintf(rate, sizeof rate, "%.1f%%", statistics.hitRate * 100);
  return "DomainCache(size: " + std::to_string(statistics.size) + "/" +
         std::to_string(statistics.maxSize) + ", hitRate: " + rate + ")";
}

}  // namespace veltra::legacy
