#include "artifact_client/v4_artifact.h"

#include <gtest/gtest.h>

#include "artifact_format/v4_format_error.h"
#include "artifact_format/v4_writer.h"
#include "support/temp_dir.h"

namespace BlocklistV4Client {
namespace {

using BlocklistV4Format::CategorySet;

std::string writeArtifact(const veltra::testing::TempDir& dir) {
  BlocklistV4Format::V4Writer::Input input;
  input.categories = {{30, "gambling"}, {2, "ads"}, {9, "malware"}};
  input.exactDomains.unite("ads.example.com", CategorySet::of({0}));
  input.exactDomains.unite("evil.example.com", CategorySet::of({1}));
  input.wildcardSuffixes.unite("example.com", CategorySet::of({2}));
  veltra::Bytes bytes = BlocklistV4Format::V4Writer::write(input).bytes;
  return dir.write("blocklist-v4.bin", veltra::asText(bytes));
}

TEST(V4Artifact, AnswersByCategoryKeys) {
  veltra::testing::TempDir dir;
  V4Artifact artifact(writeArtifact(dir));
  EXPECT_EQ(artifact.categoryKeys(), (std::vector<std::string>{"ads", "malware", "gambling"}));
  EXPECT_EQ(artifact.registryID("malware"), 9);
  EXPECT_EQ(artifact.registryID("nope"), std::nullopt);
  auto ads = artifact.verdict(std::vector<std::string>{"ads", "unknown"});
  EXPECT_TRUE(artifact.isBlocked("ads.example.com", ads));
  EXPECT_FALSE(artifact.isBlocked("evil.example.com", ads));
  EXPECT_FALSE(artifact.isBlocked("other.org", ads));
  auto gambling = artifact.verdict(std::vector<std::string>{"gambling"});
  EXPECT_TRUE(
      artifact.isBlocked("evil.example.com", gambling));  // exact entry holds the suffix's slot
  EXPECT_TRUE(artifact.isBlocked("x.y.example.com", gambling));
  auto none = artifact.verdict(std::vector<std::string>{});
  EXPECT_FALSE(artifact.isBlocked("ads.example.com", none));
  EXPECT_EQ(artifact.matchedKeys("ads.example.com", {"ads", "gambling", "malware"}),
            (std::set<std::string>{"ads", "gambling"}));
  EXPECT_EQ(artifact.matchedKeys("ads.example.com", {"malware"}), std::set<std::string>{});
  EXPECT_TRUE(artifact.matchedKeys("other.org", {"ads"}).empty());
  EXPECT_GE(artifact.region().fileCachedFraction(), 0.0);
}

TEST(V4Artifact, OpeningErrorsPassThrough) {
  veltra::testing::TempDir dir;
  try {
    V4Artifact artifact(dir.write("empty.bin", ""));
    FAIL();
  } catch (const RegionError& error) {
    EXPECT_EQ(error.errorCase(), RegionError::Case::emptyFile);
  }
  try {
    V4Artifact artifact(dir.write("short.bin", std::string(63, 'x')));
    FAIL();
  } catch (const BlocklistV4Format::V4FormatError& error) {
    EXPECT_EQ(error.description(), "truncated artifact: needed 64 bytes, have 63");
  }
}

}  // namespace
}  // namespace BlocklistV4Client
