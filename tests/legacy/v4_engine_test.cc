#include "legacy/v4_engine.h"

#include <gtest/gtest.h>

#include "artifact_format/v4_writer.h"
#include "legacy/blocklist_filter.h"
#include "support/temp_dir.h"

namespace veltra::legacy {
namespace {

using BlocklistV4Format::CategorySet;

std::unique_ptr<const BlocklistV4Client::V4Artifact> openArtifact(
    const veltra::testing::TempDir& dir) {
  BlocklistV4Format::V4Writer::Input input;
  input.categories = {{2, "adsTrackersPro"}, {40, "appleTracker"}, {9, "malwarePhishing"}};
  input.exactDomains.unite("ads.example.com", CategorySet::of({0}));
  input.exactDomains.unite("metrics.apple.example", CategorySet::of({2}));
  input.wildcardSuffixes.unite("phish.example", CategorySet::of({1}));
  Bytes bytes = BlocklistV4Format::V4Writer::write(input).bytes;
  return std::make_unique<const BlocklistV4Client::V4Artifact>(
      dir.write("blocklist-v4.bin", asText(bytes)));
}

TEST(V4Engine, ComputesBothVerdictsOnceFromTheKeys) {
  veltra::testing::TempDir dir;
  V4Engine engine(openArtifact(dir), {"adsTrackersPro", "malwarePhishing", "retiredKey"},
                  {"appleTracker"});
  EXPECT_EQ(engine.enabledKeys.size(), 3u);
  EXPECT_TRUE(engine.artifact->isBlocked("ads.example.com", engine.verdict));
  EXPECT_TRUE(engine.artifact->isBlocked("login.phish.example", engine.verdict));
  EXPECT_FALSE(engine.artifact->isBlocked("metrics.apple.example", engine.verdict));
  EXPECT_TRUE(engine.artifact->isBlocked("metrics.apple.example", engine.trackerVerdict));
  EXPECT_FALSE(engine.artifact->isBlocked("ads.example.com", engine.trackerVerdict));
  EXPECT_EQ(engine.verdict, engine.artifact->verdict(engine.enabledKeys));
}

TEST(V4Engine, NoKnownKeysBlockNothing) {
  veltra::testing::TempDir dir;
  V4Engine engine(openArtifact(dir), {}, {"unknown"});
  EXPECT_FALSE(engine.artifact->isBlocked("ads.example.com", engine.verdict));
  EXPECT_FALSE(engine.artifact->isBlocked("metrics.apple.example", engine.trackerVerdict));
}

}  // namespace
}  // namespace veltra::legacy
