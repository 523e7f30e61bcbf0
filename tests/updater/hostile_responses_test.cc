// What a hostile or broken CDN can make of an update run: each response ends in its specified
// failure with bounded memory, disk and time, the installed artifact untouched and no temporary
// file left behind.
#include <gtest/gtest.h>

#include "pipeline_fixture.h"
#include "platform/file_system.h"
#include "platform/gzip.h"
#include "support/faulty_file_system.h"
#include "updater/pipelines.h"

namespace veltra::updater {
namespace {

using testing::PipelineFixture;
using P = Phase;

struct Hostile {
  const char* name;
  std::function<void(PipelineFixture&)> setup;
  int exitCode;
  std::optional<FailureKind> failureKind;
  std::string failureMessage;      // prefix of the reported message
  std::vector<std::string> lines;  // each printed, in order
  std::size_t downloads;
};

const std::string kArtifactPath = "/artifacts/blocklist.bin.gz";

class HostileResponse : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileResponse, FailsClosedWithNothingLeftBehind) {
  const Hostile& h = GetParam();
  PipelineFixture f;
  f.installApp("2.5");
  f.dir.write("data/blocklist-v4.bin", "installed artifact");
  if (h.setup) h.setup(f);
  f.publish();
  EXPECT_EQ(f.run({}), h.exitCode);
  f.expectFailure(h.failureKind, h.failureMessage);
  f.expectLinesInOrder(h.lines);
  EXPECT_EQ(f.downloads(), h.downloads);
  EXPECT_EQ(f.dataFile("blocklist-v4.bin"), "installed artifact");
  for (const std::string& name : platform::FileSystem::real().listDirectory(f.dataDirectory, 100)) {
    EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
    EXPECT_NE(name, "blocklist-v4.bin.new");
  }
}

// Publishes a gzip stream that expands to `expandedBytes` zeros while the manifest declares
// `declaredSize` (and the right compressed digest, so that only decompression can catch it).
void publishBomb(PipelineFixture& f, std::size_t expandedBytes, std::int64_t declaredSize) {
  Bytes bomb = platform::gzipCompress(Bytes(expandedBytes, 0));
  f.dir.write("www/artifacts/blocklist.bin.gz", asText(bomb));
  f.manifest["compressedSize"] = bomb.size();
  f.manifest["compressedSha256"] = platform::sha256Hex(bomb);
  f.manifest["size"] = declaredSize;
}

INSTANTIATE_TEST_SUITE_P(
    Table, HostileResponse,
    ::testing::Values(
        Hostile{"FileURLFromAnHttpManifest",
                [](PipelineFixture& f) { f.manifest["url"] = "file:///etc/passwd"; },
                2,
                FailureKind::other,
                "Refused blocklist URL with scheme file",
                {"Download failed: Refused blocklist URL with scheme file",
                 "All 3 attempts failed with error: downloadFailed"},
                0},
        Hostile{
            "EndlessBodyWithoutLength",
            [](PipelineFixture& f) {
              f.transport.maxDownloadBytes = 4 << 20;
              f.server.setStandingFault(kArtifactPath,
                                        {.chunked = true, .generatedBytes = std::int64_t{1} << 40});
            },
            2,
            FailureKind::other,
            "Download of ",
            {"Download failed: Download of ", "All 3 attempts failed with error: downloadFailed"},
            3},
        Hostile{"AnnouncedLengthAboveTheLimit",
                [](PipelineFixture& f) {
                  f.server.setStandingFault(kArtifactPath, {.announcedLength = 600000000});
                },
                2,
                FailureKind::other,
                "Download of 600000000 bytes exceeds the 536870912-byte limit",
                {},
                3},
        Hostile{"DeclaredSizeBomb",
                [](PipelineFixture& f) { publishBomb(f, 64 << 20, 1 << 20); },
                4,
                FailureKind::integrity,
                "SHA-256 or size mismatch",
                {"Decompressing...", "SHA256/size mismatch!", "  Expected size:   1048576 bytes",
                 "  Got size:        more than 1048576 bytes"},
                3},
        Hostile{"NegativeDeclaredSize",
                [](PipelineFixture& f) { f.manifest["size"] = -5; },
                4,
                FailureKind::integrity,
                "SHA-256 or size mismatch",
                {"  Got size:        more than -5 bytes"},
                3},
        Hostile{"Trickle",
                [](PipelineFixture& f) {
                  f.transport.rateWindowSeconds = 0.3;
                  f.server.setStandingFault(kArtifactPath, {.trickleMillis = 20});
                },
                2,
                FailureKind::network,
                "The request timed out.",
                {"Download failed: The request timed out."},
                3},
        Hostile{"StallPastTheWholeTransferTime",
                [](PipelineFixture& f) {
                  f.transport.artifactTimeoutSeconds = 30;
                  f.transport.artifactTotalSeconds = 0.3;
                  f.server.setStandingFault(kArtifactPath, {.stall = true});
                },
                2,
                FailureKind::network,
                "The request timed out.",
                {},
                3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HostileResponseLocalCDN, FileURLIsAcceptedFromAFileCDN) {
  PipelineFixture f;
  f.installApp("2.5");
  f.manifest["url"] = "file://" + f.dir.file("www/artifacts/blocklist.bin.gz");
  f.publish();
  auto context = f.pipelineContext();
  context.environment.cdnBase = "file://" + f.dir.file("www");
  EXPECT_EQ(KorvelUpdater::run({"VeltraUpdater", "--update-blocklist"}, context), 0);
  EXPECT_EQ(f.dataFile("blocklist-v4.bin"), asText(f.artifact));
}

// The folder refuses the download's temporary file: the run ends as an install failure, without
// retrying and without touching the installed file.
TEST(HostileResponseDisk, FullDataFolderFailsTheRunWithExitFiveAndKeepsTheInstalledFile) {
  PipelineFixture f;
  f.installApp("2.5");
  f.dir.write("data/blocklist-v4.bin", "installed artifact");
  testing::FaultyFileSystem io;
  io.failOnPath(testing::FileCall::open, "blocklist-v4.bin.tmp-", ENOSPC);
  EXPECT_EQ(f.run({}, &io), 5);
  f.expectFailure(FailureKind::disk, "open(");
  EXPECT_TRUE(f.console.contains("[VeltraUpdater] Failed to install V4 blocklist: open("));
  EXPECT_EQ(f.downloads(), 0u);
  EXPECT_EQ(f.dataFile("blocklist-v4.bin"), "installed artifact");
  for (const std::string& name : platform::FileSystem::real().listDirectory(f.dataDirectory, 100))
    EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
}

}  // namespace
}  // namespace veltra::updater
