#include <gtest/gtest.h>

#include "config/config.h"
#include "pipeline_fixture.h"
#include "support/faulty_file_system.h"
#include "updater/pipelines.h"

namespace veltra::updater {
namespace {

using testing::PipelineFixture;
using P = Phase;

struct Scenario {
  const char* name;
  std::function<void(PipelineFixture&)> setup;
  std::vector<std::string> arguments;
  int exitCode;
  std::vector<Phase> phases;
  std::optional<FailureKind> failureKind;
  std::string failureMessage;      // prefix of the reported message
  std::vector<std::string> lines;  // each printed, in order
  std::size_t downloads;
  std::vector<double> sleeps;
  bool installs;
};

void installCurrent(PipelineFixture& f, bool withCopy) {
  platform::writeFileAtomically(f.dataPath("blocklist-v4.bin"), f.artifact);
  if (withCopy) f.dir.write("data/blocklist-v4-manifest.json", f.manifest.dump());
}

const std::vector<Phase> kSuccess = {P::checking, P::downloading, P::installing, P::complete};

class V4Pipeline : public ::testing::TestWithParam<Scenario> {};

TEST_P(V4Pipeline, Scenario) {
  const Scenario& s = GetParam();
  PipelineFixture f;
  f.installApp("2.5");
  if (s.setup) s.setup(f);
  f.publish();
  EXPECT_EQ(f.run(s.arguments), s.exitCode);
  EXPECT_EQ(f.phases, s.phases);
  f.expectFailure(s.failureKind, s.failureMessage);
  f.expectLinesInOrder(s.lines);
  EXPECT_EQ(f.downloads(), s.downloads);
  EXPECT_EQ(f.sleeper.sleeps(), s.sleeps);
  if (s.installs) {
    EXPECT_EQ(f.dataFile("blocklist-v4.bin"), asText(f.artifact));
    EXPECT_EQ(f.dataFile("blocklist-v4-manifest.json"),
              f.dir.read("www/blocklists/v4/blocklist.json"));
  }
  EXPECT_EQ(f.notifications.postCount(kBlocklistUpdatedNotification), s.installs ? 1u : 0u);
  EXPECT_EQ(f.sharedConfig.readConfig().sequenceNumber, s.installs ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, V4Pipeline,
    ::testing::Values(
        Scenario{"ManifestFetchFails",
                 [](PipelineFixture& f) {
                   f.server.addFault("/blocklists/v4/blocklist.json", {.status = 500});
                 },
                 {},
                 1,
                 {P::checking, P::failed},
                 FailureKind::other,
                 "HTTP error fetching V4 manifest",
                 {"Failed to fetch V4 manifest: HTTP error fetching V4 manifest"},
                 0,
                 {},
                 false},
        Scenario{"ManifestUndecodable",
                 [](PipelineFixture& f) { f.manifest["formatVersion"] = 3; },
                 {},
                 1,
                 {P::checking, P::failed},
                 FailureKind::other,
                 "formatVersion must be 4, got 3",
                 {"Failed to decode V4 manifest: formatVersion must be 4, got 3"},
                 0,
                 {},
                 false},
        Scenario{"VersionGateBlocksEvenWithForce",
                 [](PipelineFixture& f) {
                   f.installApp("2.9");
                   f.manifest["minAppVersion"] = "2.10";
                 },
                 {"--force"},
                 0,
                 {P::checking, P::upToDate},
                 std::nullopt,
                 "",
                 {"V4 manifest requires app version 2.10; installed app is 2.9 — keeping current "
                  "V4 artifact"},
                 0,
                 {},
                 false},
        Scenario{"VersionGatePasses",
                 [](PipelineFixture& f) {
                   f.installApp("2.10");
                   f.manifest["minAppVersion"] = "2.9";
                 },
                 {"--verbose"},
                 0,
                 kSuccess,
                 std::nullopt,
                 "",
                 {"minAppVersion gate passed: installed 2.10 >= required 2.9",
                  "Downloading V4 blocklist (", "Atomic install complete: blocklist-v4.bin"},
                 1,
                 {},
                 true},
        Scenario{"MissingBundleSkipsTheGate",
                 [](PipelineFixture& f) {
                   std::filesystem::remove_all(f.dir.file("Veltra.app"));
                   f.manifest["minAppVersion"] = "99";
                 },
                 {},
                 0,
                 kSuccess,
                 std::nullopt,
                 "",
                 {},
                 1,
                 {},
                 true},
        Scenario{"UpToDateByManifestCopy",
                 [](PipelineFixture& f) { installCurrent(f, true); },
                 {},
                 0,
                 {P::checking, P::upToDate},
                 std::nullopt,
                 "",
                 {"V4 blocklist is up-to-date (SHA256 matches)"},
                 0,
                 {},
                 false},
        Scenario{"UpToDateByInstalledFile",
                 [](PipelineFixture& f) { installCurrent(f, false); },
                 {},
                 0,
                 {P::checking, P::upToDate},
                 std::nullopt,
                 "",
                 {"V4 blocklist is up-to-date (SHA256 matches)"},
                 0,
                 {},
                 false},
        Scenario{"CopyWithoutArtifactDoesNotCount",
                 [](PipelineFixture& f) {
                   f.dir.write("data/blocklist-v4-manifest.json", f.manifest.dump());
                 },
                 {},
                 0,
                 kSuccess,
                 std::nullopt,
                 "",
                 {},
                 1,
                 {},
                 true},
        Scenario{"CopyOverDamagedArtifactDoesNotCount",
                 [](PipelineFixture& f) {
                   installCurrent(f, true);
                   f.dir.write("data/blocklist-v4.bin", "truncated");
                 },
                 {"--verbose"},
                 0,
                 kSuccess,
                 std::nullopt,
                 "",
                 {"Current V4 SHA256: "},
                 1,
                 {},
                 true},
        Scenario{"ForceReinstallsCurrent",
                 [](PipelineFixture& f) { installCurrent(f, true); },
                 {"--force"},
                 0,
                 kSuccess,
                 std::nullopt,
                 "",
                 {},
                 1,
                 {},
                 true},
        Scenario{"ThreeDownloadFailures",
                 [](PipelineFixture& f) {
                   f.manifest["url"] = f.server.baseURL() + "/artifacts/missing.bin.gz";
                 },
                 {},
                 2,
                 {P::checking, P::downloading, P::failed},
                 FailureKind::server,
                 "HTTP 404 from ",
                 {"Download failed: HTTP 404 from ", "Retry attempt 2/3 after 5s delay...",
                  "Retry attempt 3/3 after 10s delay...",
                  "All 3 attempts failed with error: downloadFailed"},
                 0,
                 {5, 10},
                 false},
        Scenario{"CompressedDigestMismatch",
                 [](PipelineFixture& f) { f.manifest["compressedSha256"] = std::string(64, '0'); },
                 {},
                 4,
                 {P::checking, P::downloading, P::failed},
                 FailureKind::integrity,
                 "Compressed SHA-256 mismatch",
                 {"Compressed SHA256 mismatch!", "  Expected: " + std::string(64, '0'),
                  "All 3 attempts failed with error: checksumMismatch"},
                 3,
                 {5, 10},
                 false},
        Scenario{"UpperCaseDigestsNeverMatch",
                 [](PipelineFixture& f) {
                   std::string upper = f.manifest["compressedSha256"];
                   for (char& c : upper)
                     c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                   f.manifest["compressedSha256"] = upper;
                 },
                 {},
                 4,
                 {P::checking, P::downloading, P::failed},
                 FailureKind::integrity,
                 "Compressed SHA-256 mismatch",
                 {},
                 3,
                 {5, 10},
                 false},
        Scenario{"CorruptGzipStopsAtOnce",
                 [](PipelineFixture& f) {
                   std::string garbage(5000, 'g');
                   f.dir.write("www/artifacts/blocklist.bin.gz", garbage);
                   f.manifest["compressedSha256"] = platform::sha256Hex(asBytes(garbage));
                 },
                 {},
                 3,
                 {P::checking, P::downloading, P::failed},
                 FailureKind::integrity,
                 "gunzip failed: gunzip failed with status ",
                 {"Decompressing...", "Decompression failed: gunzip failed with status "},
                 1,
                 {},
                 false},
        Scenario{"FinalSizeMismatchShorterThanDeclared",
                 [](PipelineFixture& f) { f.manifest["size"] = 60001; },
                 {},
                 4,
                 {P::checking, P::downloading, P::failed},
                 FailureKind::integrity,
                 "SHA-256 or size mismatch",
                 {"SHA256/size mismatch!", "  Expected size:   60001 bytes",
                  "  Got size:        60000 bytes"},
                 3,
                 {5, 10},
                 false},
        // Decompression stops one byte past the declared size, so the true length is unknown.
        Scenario{"FinalSizeMismatchLongerThanDeclared",
                 [](PipelineFixture& f) { f.manifest["size"] = 59999; },
                 {},
                 4,
                 {P::checking, P::downloading, P::failed},
                 FailureKind::integrity,
                 "SHA-256 or size mismatch",
                 {"SHA256/size mismatch!", "  Expected size:   59999 bytes",
                  "  Got size:        more than 59999 bytes"},
                 3,
                 {5, 10},
                 false},
        Scenario{"FinalDigestMismatch",
                 [](PipelineFixture& f) { f.manifest["sha256"] = std::string(64, 'f'); },
                 {},
                 4,
                 {P::checking, P::downloading, P::failed},
                 FailureKind::integrity,
                 "SHA-256 or size mismatch",
                 {},
                 3,
                 {5, 10},
                 false},
        Scenario{"TimeoutThenBadDigestThenSuccess",
                 [](PipelineFixture& f) {
                   f.server.addFault("/artifacts/blocklist.bin.gz", {.stall = true});
                   f.server.addFault("/artifacts/blocklist.bin.gz",
                                     {.chunked = true, .generatedBytes = 100});
                 },
                 {},
                 0,
                 kSuccess,
                 std::nullopt,
                 "",
                 {"Download failed: The request timed out.", "Retry attempt 2/3 after 5s delay...",
                  "Compressed SHA256 mismatch!", "Retry attempt 3/3 after 10s delay...",
                  "V4 update complete: 1234 domains in 15.0s"},
                 3,
                 {5, 10},
                 true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(V4PipelineInstall, SuccessLeavesArtifactBackupCopyConfigAndNotifications) {
  PipelineFixture f;
  f.installApp("3.0");
  f.dir.write("data/blocklist-v4.bin", "previous artifact");
  f.dir.write("data/config.json",
              R"({"configVersion": 2, "sequenceNumber": 41, "blocklistFormatVersion": 4})");
  EXPECT_EQ(f.run({"--verbose"}), 0);
  EXPECT_EQ(f.dataFile("blocklist-v4.bin"), asText(f.artifact));
  EXPECT_EQ(f.dataFile("blocklist-v4.bin.old"), "previous artifact");
  EXPECT_FALSE(f.hasDataFile("blocklist-v4.bin.new"));
  EXPECT_EQ(f.dataFile("blocklist-v4-manifest.json"),
            f.dir.read("www/blocklists/v4/blocklist.json"));
  EXPECT_EQ(platform::fileMode(f.dataPath("blocklist-v4.bin")), 0644u);
  auto config = config::Config::decode(platform::readFile(f.dataPath("config.json")));
  EXPECT_EQ(config.sequenceNumber, 42);
  EXPECT_EQ(config.blocklistDomainCount, 1234);
  EXPECT_EQ(f.notifications.postCount(kBlocklistUpdatedNotification), 1u);
  EXPECT_EQ(f.notifications.postCount(kStatusChangedNotification), f.records.size());
  EXPECT_TRUE(f.logs.contains(platform::LogLevel::info,
                              "V4 blocklist update complete: 1234 domains from CDN"));
  EXPECT_TRUE(f.console.contains("[VeltraUpdater] V4 update complete: 1234 domains in 0.0s\n"));
  // Progress went to the status file with the announced length.
  bool sawProgress = false;
  for (const auto& r : f.records)
    sawProgress |= r.bytesExpected == static_cast<std::int64_t>(f.compressed.size());
  EXPECT_TRUE(sawProgress);

  EXPECT_EQ(f.run({}), 0);  // second run: up to date
  EXPECT_EQ(f.downloads(), 1u);
  EXPECT_TRUE(f.console.contains("V4 blocklist is up-to-date (SHA256 matches)"));
}

TEST(V4PipelineInstall, InstallFailureKeepsInstalledFileAndExitsFive) {
  PipelineFixture f;
  f.installApp("3.0");
  f.dir.write("data/blocklist-v4.bin", "previous artifact");
  testing::FaultyFileSystem io;
  io.failOnPath(testing::FileCall::rename, "blocklist-v4.bin", EROFS);
  EXPECT_EQ(f.run({}, &io), 5);
  EXPECT_EQ(f.dataFile("blocklist-v4.bin"), "previous artifact");
  EXPECT_TRUE(f.console.contains("[VeltraUpdater] Failed to install V4 blocklist: rename("));
  auto status = BlocklistUpdaterStatus::decode(
      platform::readFile(f.dataPath("updater-status.json")), f.clock.now());
  EXPECT_EQ(status.failureKind, FailureKind::disk);
  EXPECT_EQ(f.sharedConfig.readConfig().sequenceNumber, 0);
  EXPECT_FALSE(f.hasDataFile("blocklist-v4-manifest.json"));
}

TEST(V4PipelineInstall, ReadOnlyDataFolderFailsTheInstall) {
  PipelineFixture f;
  f.installApp("3.0");
  auto context = f.pipelineContext();
  context.environment.dataDirectory = "/proc/self";  // exists, cannot hold new files
  context.sharedConfig = &f.sharedConfig;
  UpdaterStatusReporter reporter(4, std::nullopt, f.dataPath("updater-status.json"), f.clock,
                                 f.notifications);
  EXPECT_EQ(runV4Update(false, false, reporter, context), ExitCode::writeFailed);
  EXPECT_EQ(reporter.status().failureKind, FailureKind::disk);
}

}  // namespace
}  // namespace veltra::updater
