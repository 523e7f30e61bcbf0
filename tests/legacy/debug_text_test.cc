#include <gtest/gtest.h>

#include "legacy/block_check_result.h"
#include "legacy/blocklist_filter.h"
#include "legacy/blocklist_services.h"
#include "legacy/domain_cache.h"
#include "legacy/tries.h"

namespace veltra::legacy {
namespace {

TEST(WildcardTrie, DebugTextCountsEveryNodeAtAHundredBytes) {
  WildcardTrie trie;
  EXPECT_EQ(trie.debugDescription(), "WildcardTrie(count: 0, estimatedMemory: 100 bytes)");
  // Suffixes "ab" and "aç": root, "a", "b", "ç".
  auto a = std::make_unique<WildcardTrie::Node>();
  auto b = std::make_unique<WildcardTrie::Node>();
  b->isTerminal = true;
  auto c = std::make_unique<WildcardTrie::Node>();
  c->isTerminal = true;
  a->children.emplace("b", std::move(b));
  a->children.emplace("\xC3\xA7", std::move(c));
  trie.root.children.emplace("a", std::move(a));
  trie.count = 2;
  EXPECT_EQ(trie.nodeCount(), 4);
  EXPECT_EQ(trie.debugDescription(), "WildcardTrie(count: 2, estimatedMemory: 400 bytes)");
}

TEST(DomainCache, DebugTextShowsSizeAndHitRate) {
  DomainCache cache(500);
  EXPECT_EQ(cache.statistics(), (CacheStatistics{0, 500, 0, 0, 0.0}));
  EXPECT_EQ(cache.debugDescription(), "DomainCache(size: 0/500, hitRate: 0.0%)");
  EXPECT_EQ(DomainCache::describe(CacheStatistics{42, 1000, 2, 1, 2.0 / 3.0}),
            "DomainCache(size: 42/1000, hitRate: 66.7%)");
  EXPECT_EQ(DomainCache::describe(CacheStatistics{1, 1, 1, 0, 1.0}),
            "DomainCache(size: 1/1, hitRate: 100.0%)");
}

TEST(BlockCheckResult, ComparesAllFields) {
  BlockCheckResult blocked{BlockResult::blockedByList, {"adsTrackersPro"}, "ads.example"};
  EXPECT_EQ(blocked,
            (BlockCheckResult{BlockResult::blockedByList, {"adsTrackersPro"}, "ads.example"}));
  EXPECT_NE(blocked,
            (BlockCheckResult{BlockResult::blockedByUser, {"adsTrackersPro"}, "ads.example"}));
  EXPECT_NE(blocked, (BlockCheckResult{BlockResult::blockedByList, {}, "ads.example"}));
  EXPECT_LT(static_cast<int>(BlockResult::allowedByUser),
            static_cast<int>(BlockResult::blockedByList));
}

TEST(LegacyState, FreshObjectsHoldTheirSettings) {
  BlocklistFilter filter(5, 30.0);
  EXPECT_FALSE(filter.isEnabled());
  EXPECT_FALSE(filter.isLoaded());
  EXPECT_EQ(filter.artifactInfo(), LoadedArtifactInfo{});
  EXPECT_EQ(filter.maxRetryAttempts(), 5);
  BlocklistDownloadQueue queue(BlocklistParser(4096), 4, 60.0);
  EXPECT_EQ(queue.parser().maxLineLength(), 4096);
  EXPECT_EQ(queue.maxConcurrent(), 4);
  BlocklistManifestManager manager;
  EXPECT_FALSE(manager.cachedManifest());
  AtomicCounter counter;
  EXPECT_EQ(counter.value(), 0);
}

}  // namespace
}  // namespace veltra::legacy
