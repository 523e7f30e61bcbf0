#include <gtest/gtest.h>

#include <sstream>

#include <nlohmann/json.hpp>

#include "artifact_client/v4_manifest.h"
#include "artifact_format/v4_header.h"
#include "platform/files.h"
#include "platform/gzip.h"
#include "platform/sha256.h"
#include "run.h"
#include "support/temp_dir.h"

namespace veltra::artifact_tool {
namespace {

constexpr const char kRegistry[] = R"({"version": 1, "idSpace": {"size": 200},
  "blocks": [{"range": [0, 99], "name": "Security"}, {"range": [100, 199], "name": "Content"}],
  "categories": [
    {"id": 3, "name": "malware", "status": "active",
     "data": {"kind": "upstream", "file": "malware.txt", "format": "domains",
              "minBytes": 10, "minParsedEntries": 2, "minCoverage": 60}},
    {"id": 1, "name": "ads", "status": "active",
     "data": {"kind": "upstream", "file": "ads.txt", "format": "hosts"}},
    {"id": 4, "name": "adsStrict", "status": "active", "parent": "ads",
     "data": {"kind": "embeddedWildcard", "suffixes": ["doubleclick.net", "Ads.Example.com."]}},
    {"id": 120, "name": "gambling", "status": "active",
     "data": {"kind": "upstream", "file": "gambling.txt", "format": "wildcard"}},
    {"id": 121, "name": "future", "status": "reserved", "data": {"kind": "none"}},
    {"id": 7, "name": "old", "status": "tombstone", "data": {"kind": "none"}}]})";

class BuildCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.write("registry.json", kRegistry);
    dir.write("malware.txt", "# malware\nevil.com\nEVIL.org.\nshared.com\n");
    dir.write("ads.txt", "127.0.0.1 localhost\n0.0.0.0 ads.example.com shared.com\n");
    dir.write("gambling.txt", "*.casino.com\nbet.net\n");
  }

  int run(std::vector<std::string> args, bool interactive = false) {
    out.str("");
    err.str("");
    return artifact_tool::run(args, in, out, err, interactive);
  }

  std::vector<std::string> buildArgs() {
    return {"build",    "--registry", dir.file("registry.json"), "--lists",
            dir.path(), "-o",         dir.file("out.bin")};
  }

  testing::TempDir dir;
  std::ostringstream out;
  std::ostringstream err;
  std::istringstream in;
};

TEST_F(BuildCommand, BuildsTheArtifactAndPrintsASummary) {
  ASSERT_EQ(run(buildArgs()), 0) << err.str();
  Bytes bytes = platform::readFile(dir.file("out.bin"));
  BlocklistV4Format::V4Header header = BlocklistV4Format::V4Header::decode(bytes);
  EXPECT_EQ(header.categoryCount, 4u);
  EXPECT_EQ(header.exactDomainCount, 5u);  // evil.com evil.org shared.com ads.example.com bet.net
  EXPECT_EQ(header.wildcardDomainCount, 3u);  // doubleclick.net ads.example.com casino.com
  EXPECT_EQ(header.totalFileSize, bytes.size());
  EXPECT_EQ(out.str().rfind("categories 4, exact 5, wildcard 3, groups ", 0), 0u) << out.str();
  EXPECT_EQ(err.str(), "");
}

TEST_F(BuildCommand, ShowsPhasesOnATerminal) {
  ASSERT_EQ(run(buildArgs(), true), 0) << err.str();
  EXPECT_EQ(err.str(),
            "[veltra-artifact] reading lists: ads\n"
            "[veltra-artifact] reading lists: malware\n"
            "[veltra-artifact] reading lists: adsStrict\n"
            "[veltra-artifact] reading lists: gambling\n"
            "[veltra-artifact] sorting and serializing 8 entries\n"
            "[veltra-artifact] writing\n");
  EXPECT_EQ(out.str().rfind("categories 4,", 0), 0u);
}

TEST_F(BuildCommand, WritesGzipAndManifest) {
  std::vector<std::string> args = buildArgs();
  for (const char* extra :
       {"--gzip", "", "--manifest", "", "--url", "https://cdn/x.gz", "--version", "2026.1",
        "--build-id", "b7", "--min-app-version", "2.0", "--published", "2026-12-10T02:00:00Z"}) {
    args.push_back(extra);
  }
  args[8] = dir.file("out.bin.gz");
  args[10] = dir.file("manifest.json");
  ASSERT_EQ(run(args), 0) << err.str();
  Bytes bin = platform::readFile(dir.file("out.bin"));
  Bytes gz = platform::readFile(dir.file("out.bin.gz"));
  EXPECT_EQ(platform::gzipDecompress(gz), bin);
  auto manifest =
      BlocklistV4Client::V4Manifest::decode(platform::readFile(dir.file("manifest.json")));
  EXPECT_EQ(manifest.filename, "out.bin.gz");
  EXPECT_EQ(manifest.url, "https://cdn/x.gz");
  EXPECT_EQ(manifest.size, static_cast<std::int64_t>(bin.size()));
  EXPECT_EQ(manifest.sha256, platform::sha256Hex(bin));
  EXPECT_EQ(manifest.compressedSize, static_cast<std::int64_t>(gz.size()));
  EXPECT_EQ(manifest.compressedSha256, platform::sha256Hex(gz));
  EXPECT_EQ(manifest.exactCount, 5);
  EXPECT_EQ(manifest.wildcardCount, 3);
  EXPECT_EQ(manifest.domainCount, 8);
  EXPECT_EQ(manifest.categoryCount, 4);
  EXPECT_EQ(manifest.categories,
            (std::vector<std::string>{"ads", "malware", "adsStrict", "gambling"}));
  ASSERT_EQ(manifest.blocks.size(), 2u);
  EXPECT_EQ(manifest.blocks[1].name, "Content");
  EXPECT_EQ(manifest.blocks[1].range, (std::vector<std::int64_t>{100, 199}));
  EXPECT_EQ(manifest.categoryStats.at("malware"),
            (BlocklistV4Client::V4Manifest::CategoryStat{3, 3, 0}));
  EXPECT_EQ(manifest.categoryStats.at("adsStrict"),
            (BlocklistV4Client::V4Manifest::CategoryStat{4, 0, 2}));
  EXPECT_EQ(manifest.categoryStats.at("gambling"),
            (BlocklistV4Client::V4Manifest::CategoryStat{120, 1, 1}));
  EXPECT_EQ(manifest.parentByChild(), (std::map<std::string, std::string>{{"adsStrict", "ads"}}));
  EXPECT_EQ(manifest.published, "2026-12-10T02:00:00Z");
  EXPECT_EQ(manifest.minAppVersion, "2.0");
  EXPECT_EQ(manifest.version, "2026.1");
  EXPECT_EQ(manifest.buildId, "b7");
}

TEST_F(BuildCommand, PublishLaysOutTheCdnFolder) {
  ASSERT_EQ(run({"publish", "--registry", dir.file("registry.json"), "--lists", dir.path(),
                 "--cdn-root", dir.file("cdn"), "--base-url", "http://127.0.0.1:8080/", "--version",
                 "1", "--build-id", "b1", "--min-app-version", "1.0"}),
            0)
      << err.str();
  auto manifest = BlocklistV4Client::V4Manifest::decode(
      platform::readFile(dir.file("cdn/blocklists/v4/blocklist.json")));
  EXPECT_EQ(manifest.url, "http://127.0.0.1:8080/blocklists/v4/blocklist-v4-b1.bin.gz");
  Bytes gz = platform::readFile(dir.file("cdn/blocklists/v4/" + manifest.filename));
  EXPECT_EQ(manifest.compressedSha256, platform::sha256Hex(gz));
  EXPECT_EQ(platform::sha256Hex(platform::gzipDecompress(gz)), manifest.sha256);
}

TEST_F(BuildCommand, CommandLinesKeepTheirReading) {
  // The last of a repeated option counts; a value may look like an option; publish's options
  // are accepted by build and ignored.
  std::vector<std::string> args = buildArgs();
  args.insert(args.begin() + 1, {"--registry", "absent.json", "--version", "--lists"});
  args.insert(args.end(), {"--cdn-root", dir.file("cdn"), "--base-url", "http://x"});
  ASSERT_EQ(run(args), 0) << err.str();
  EXPECT_TRUE(platform::fileExists(dir.file("out.bin")));
  EXPECT_FALSE(platform::fileExists(dir.file("cdn")));
}

TEST_F(BuildCommand, ListGatesStopTheBuild) {
  const std::pair<const char*, const char*> cases[] = {
      {"a.com\n",
       "veltra-artifact: category malware: list malware.txt has 6 bytes, below minBytes 10\n"},
      {"only-one.com\n# padding\n",
       "veltra-artifact: category malware: list malware.txt yields 1 valid entries, below "
       "minParsedEntries 2\n"},
      {"<!DOCTYPE html>\n<html><body>\na.com\nb.com\n<p>Not Found</p>\n</body></html>\n",
       "veltra-artifact: category malware: list malware.txt has 33% valid lines, below minCoverage "
       "60%\n"},
  };
  for (const auto& [list, message] : cases) {
    dir.write("malware.txt", list);
    EXPECT_EQ(run(buildArgs()), 1);
    EXPECT_EQ(err.str(), message);
    EXPECT_FALSE(platform::fileExists(dir.file("out.bin")));
  }
}

TEST_F(BuildCommand, FailuresGoToStandardError) {
  dir.write("bad-registry.json",
            R"({"version": 1, "idSpace": {"size": 0}, "blocks": [],
                "categories": [{"id": 1, "name": "a", "status": "active", "data": {"kind": "none"}}]})");
  std::vector<std::string> args = buildArgs();
  args[2] = dir.file("bad-registry.json");
  EXPECT_EQ(run(args), 1);
  EXPECT_EQ(err.str(), "veltra-artifact: a is active but has no list data (the #574 defect)\n");
  platform::removeFile(dir.file("gambling.txt"));
  EXPECT_EQ(run(buildArgs()), 1);
  EXPECT_NE(err.str().find("gambling.txt"), std::string::npos) << err.str();
  EXPECT_EQ(run({"build", "--lists", "x"}), 2);
  EXPECT_EQ(err.str().rfind("veltra-artifact: missing --registry\nusage:", 0), 0u) << err.str();
  EXPECT_EQ(run({"frobnicate"}), 2);
  std::vector<std::string> manifestOnly = buildArgs();
  manifestOnly.insert(manifestOnly.end(), {"--manifest", dir.file("m.json")});
  EXPECT_EQ(run(manifestOnly), 2);
  EXPECT_EQ(err.str().rfind("veltra-artifact: --manifest needs --gzip\n", 0), 0u);
}

}  // namespace
}  // namespace veltra::artifact_tool
