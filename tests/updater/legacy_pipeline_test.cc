#include <gtest/gtest.h>

#include "pipeline_fixture.h"
#include "updater/blocklist_metadata.h"
#include "updater/updater_status_reporter.h"

namespace veltra::updater {
namespace {

using testing::PipelineFixture;
using P = Phase;

struct LegacyScenario {
  const char* name;
  std::function<void(PipelineFixture&)> setup;
  std::vector<std::string> arguments;
  int exitCode;
  std::optional<FailureKind> failureKind;
  std::string failureMessage;
  std::vector<std::string> lines;
  std::size_t downloads;
  std::vector<double> sleeps;
  bool installs;
};

void installCurrent(PipelineFixture& f, bool withCopy) {
  platform::writeFileAtomically(f.dataPath("blocklist.bin"), f.artifact);
  if (withCopy) f.dir.write("data/blocklist-metadata.json", f.metadata.dump());
}

class LegacyPipeline : public ::testing::TestWithParam<LegacyScenario> {};

TEST_P(LegacyPipeline, Scenario) {
  const LegacyScenario& s = GetParam();
  PipelineFixture f;
  if (s.setup) s.setup(f);
  f.publish();
  std::vector<std::string> arguments = {"--format", "3"};
  arguments.insert(arguments.end(), s.arguments.begin(), s.arguments.end());
  EXPECT_EQ(f.run(arguments), s.exitCode);
  f.expectFailure(s.failureKind, s.failureMessage);
  EXPECT_EQ(f.status().formatVersion, 3);
  f.expectLinesInOrder(s.lines);
  EXPECT_EQ(f.downloads(), s.downloads);
  EXPECT_EQ(f.sleeper.sleeps(), s.sleeps);
  EXPECT_EQ(f.notifications.postCount(kBlocklistUpdatedNotification), s.installs ? 1u : 0u);
  if (s.installs) {
    EXPECT_EQ(f.dataFile("blocklist.bin"), asText(f.artifact));
    EXPECT_EQ(BlocklistMetadata::decode(platform::readFile(f.dataPath("blocklist-metadata.json"))),
              BlocklistMetadata::decode(asBytes(f.metadata.dump())));
    EXPECT_EQ(f.sharedConfig.readConfig().blocklistDomainCount, 4321);
    EXPECT_EQ(f.phases,
              (std::vector<Phase>{P::checking, P::downloading, P::installing, P::complete}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, LegacyPipeline,
    ::testing::Values(
        LegacyScenario{"FetchFails",
                       [](PipelineFixture& f) {
                         f.server.addFault("/blocklists/blocklist.json", {.status = 404});
                       },
                       {},
                       1,
                       FailureKind::other,
                       "HTTP error fetching metadata",
                       {"Failed to fetch metadata: HTTP error fetching metadata"},
                       0,
                       {},
                       false},
        LegacyScenario{"NotJson",
                       [](PipelineFixture& f) { f.metadata = "not an object"; },
                       {},
                       1,
                       FailureKind::other,
                       "",
                       {"Failed to fetch metadata: "},
                       0,
                       {},
                       false},
        LegacyScenario{"MissingCategoryCount",
                       [](PipelineFixture& f) { f.metadata.erase("categoryCount"); },
                       {},
                       1,
                       FailureKind::other,
                       "categoryCount",
                       {"Failed to fetch metadata: categoryCount"},
                       0,
                       {},
                       false},
        LegacyScenario{"WithoutFilenameIsAccepted",
                       [](PipelineFixture& f) { f.metadata.erase("filename"); },
                       {},
                       0,
                       std::nullopt,
                       "",
                       {"Update complete: 4321 domains in 0.0s"},
                       1,
                       {},
                       true},
        LegacyScenario{"UpToDateByCopy",
                       [](PipelineFixture& f) {
                         installCurrent(f, true);
                         f.dir.write("data/blocklist.bin", "not even the right bytes");
                       },
                       {},
                       0,
                       std::nullopt,
                       "",
                       {"Blocklist is up-to-date (SHA256 matches)"},
                       0,
                       {},
                       false},
        LegacyScenario{"UpToDateByFile",
                       [](PipelineFixture& f) { installCurrent(f, false); },
                       {},
                       0,
                       std::nullopt,
                       "",
                       {"Blocklist is up-to-date (SHA256 matches)"},
                       0,
                       {},
                       false},
        LegacyScenario{"CopyWithoutBlocklistDoesNotCount",
                       [](PipelineFixture& f) {
                         f.dir.write("data/blocklist-metadata.json", f.metadata.dump());
                       },
                       {},
                       0,
                       std::nullopt,
                       "",
                       {},
                       1,
                       {},
                       true},
        LegacyScenario{"ForceDownloads",
                       [](PipelineFixture& f) { installCurrent(f, true); },
                       {"--force", "--verbose"},
                       0,
                       std::nullopt,
                       "",
                       {"Fetching blocklist metadata from CDN...",
                        "CDN blocklist: v2026.12.10, 4321 domains, SHA256: ",
                        "Downloading blocklist (", "URL: ", "Decompressing...", "SHA256 verified ✓",
                        "Atomic install complete: blocklist.bin"},
                       1,
                       {},
                       true},
        LegacyScenario{"LengthDifferentFromSizeStillInstalls",
                       [](PipelineFixture& f) { f.metadata["size"] = 1; },
                       {},
                       0,
                       std::nullopt,
                       "",
                       {},
                       1,
                       {},
                       true},
        LegacyScenario{"CorruptGzipStopsAtOnce",
                       [](PipelineFixture& f) {
                         f.dir.write("www/artifacts/blocklist.bin.gz", "not gzip at all");
                       },
                       {},
                       3,
                       FailureKind::integrity,
                       "gunzip failed: gunzip failed with status ",
                       {"Decompression failed: "},
                       1,
                       {},
                       false},
        // Lengths never decide here, but a stream expanding past the fixed limit cannot fill the
        // disk: it fails the decompression.
        LegacyScenario{"ExpansionPastTheLimitStopsAtOnce",
                       [](PipelineFixture& f) { f.transport.maxDecompressedBytes = 50000; },
                       {},
                       3,
                       FailureKind::integrity,
                       "gunzip failed: gunzip output exceeds the 50000-byte limit",
                       {"Decompression failed: gunzip output exceeds the 50000-byte limit"},
                       1,
                       {},
                       false},
        LegacyScenario{"WrongDigestRetriedTwice",
                       [](PipelineFixture& f) { f.metadata["sha256"] = std::string(64, 'a'); },
                       {},
                       4,
                       FailureKind::integrity,
                       "SHA-256 mismatch",
                       {"SHA256 mismatch!", "  Metadata URL: " + std::string("http://127.0.0.1:"),
                        "  Expected size:     60000 bytes", "Retry attempt 2/3 after 5s delay...",
                        "Retry attempt 3/3 after 10s delay...",
                        "All 3 attempts failed with error: checksumMismatch"},
                       3,
                       {5, 10},
                       false},
        LegacyScenario{"DownloadFailures",
                       [](PipelineFixture& f) {
                         f.server.setStandingFault("/artifacts/blocklist.bin.gz", {.drop = true});
                       },
                       {},
                       2,
                       FailureKind::network,
                       "The network connection was lost.",
                       {"Download failed: The network connection was lost.",
                        "All 3 attempts failed with error: downloadFailed"},
                       3,
                       {5, 10},
                       false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LegacyPipelineLogs, MismatchAndFinalRecordsUseTheLegacyWording) {
  PipelineFixture f;
  f.metadata["sha256"] = std::string(64, 'a');
  f.publish();
  EXPECT_EQ(f.run({"--format", "3"}), 4);
  EXPECT_EQ(f.logs.count("SHA256 mismatch (attempt "), 3u);
  EXPECT_TRUE(
      f.logs.contains(platform::LogLevel::error, "Blocklist update failed after 3 retries"));
  EXPECT_EQ(f.logs.count("V4"), 0u);
}

}  // namespace
}  // namespace veltra::updater
