#include "updater/updater_status_reporter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <limits>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/fake_time.h"
#include "support/faulty_file_system.h"
#include "support/temp_dir.h"

namespace veltra::updater {
namespace {

using namespace std::chrono;

class Reporter : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::FakeClock clock;
  platform::DarwinNotificationCenter notifications{dir.file("notify")};
  std::string path = dir.file("updater-status.json");

  std::unique_ptr<UpdaterStatusReporter> make(std::optional<Trigger> trigger = std::nullopt) {
    return std::make_unique<UpdaterStatusReporter>(4, trigger, path, clock, notifications);
  }
  BlocklistUpdaterStatus onDisk() {
    return BlocklistUpdaterStatus::decode(platform::readFile(path), clock.now());
  }
  std::uint64_t posts() { return notifications.postCount(kStatusChangedNotification); }
};

TEST_F(Reporter, ConstructionKeepsOnlyTheFailureCountAndDoesNotWrite) {
  dir.write(
      "updater-status.json",
      R"({"consecutiveFailures": 2, "phase": "failed", "failureKind": "network", "failureMessage": "x"})");
  auto reporter = make(Trigger::launchd);
  auto s = reporter->status();
  EXPECT_EQ(s.consecutiveFailures, 2);
  EXPECT_EQ(s.phase, Phase::idle);
  EXPECT_FALSE(s.failureKind.has_value());
  EXPECT_EQ(s.startedAt, clock.now());
  EXPECT_EQ(s.trigger, Trigger::launchd);
  EXPECT_EQ(posts(), 0u);
  reporter->reportFailure(FailureKind::server, "HTTP 500");
  EXPECT_EQ(onDisk().consecutiveFailures, 3);
  EXPECT_EQ(onDisk().failureMessage, "HTTP 500");
  EXPECT_EQ(posts(), 1u);
}

TEST_F(Reporter, UnreadableOldFileRestartsTheCount) {
  for (const char* text : {R"({"consecutiveFailures": 5, "phase": "sleeping"})", "garbage"}) {
    dir.write("updater-status.json", text);
    EXPECT_EQ(make()->status().consecutiveFailures, 0) << text;
  }
}

TEST_F(Reporter, FailureCountStopsAtTheLargestValue) {
  constexpr std::int64_t kLargest = std::numeric_limits<std::int64_t>::max();
  dir.write("updater-status.json",
            R"({"consecutiveFailures": )" + std::to_string(kLargest - 1) + "}");
  auto reporter = make();
  for (std::int64_t expected : {kLargest, kLargest, kLargest}) {
    reporter->reportFailure(FailureKind::network, "offline");
    EXPECT_EQ(onDisk().consecutiveFailures, expected);
  }
  dir.write("updater-status.json", R"({"consecutiveFailures": 9223372036854775807})");
  make()->reportFailure(FailureKind::network, "offline");
  EXPECT_EQ(onDisk().consecutiveFailures, kLargest);
}

TEST_F(Reporter, SuccessfulPhasesClearTheFailureStreak) {
  dir.write("updater-status.json", R"({"consecutiveFailures": 2})");
  auto reporter = make();
  reporter->setPhase(Phase::checking);
  EXPECT_EQ(onDisk().consecutiveFailures, 2);
  reporter->setPhase(Phase::upToDate);
  EXPECT_EQ(onDisk().consecutiveFailures, 0);
  std::string text = dir.read("updater-status.json");
  EXPECT_EQ(text.find("failureKind"), std::string::npos);
  EXPECT_EQ(text.find("failureMessage"), std::string::npos);
  EXPECT_EQ(platform::fileMode(path), 0644u);
  EXPECT_EQ(posts(), 2u);
}

TEST_F(Reporter, ProgressIsThrottledByPercentAndHalfSecond) {
  auto reporter = make();
  reporter->setPhase(Phase::downloading);
  std::uint64_t base = posts();
  reporter->reportProgress(10, 1000);  // 1 %: new percentage
  reporter->flush();
  EXPECT_EQ(posts(), base + 1);
  reporter->reportProgress(15, 1000);  // still 1 %, no time passed
  reporter->flush();
  EXPECT_EQ(posts(), base + 1);
  EXPECT_EQ(reporter->status().bytesReceived, 15);
  EXPECT_EQ(onDisk().bytesReceived, 10);
  clock.advance(milliseconds(499));
  reporter->reportProgress(16, 1000);
  reporter->flush();
  EXPECT_EQ(posts(), base + 1);
  clock.advance(milliseconds(1));
  reporter->reportProgress(17, 1000);  // 0.5 s since the last progress write
  reporter->flush();
  EXPECT_EQ(posts(), base + 2);
  EXPECT_EQ(onDisk().bytesReceived, 17);
  reporter->reportProgress(20, 1000);  // 2 %
  reporter->flush();
  EXPECT_EQ(posts(), base + 3);
}

TEST_F(Reporter, ProgressEdgeCounts) {
  auto reporter = make();
  reporter->setPhase(Phase::downloading);
  reporter->reportProgress(0, 0);  // percentage -1, but the distant past is long enough ago
  reporter->flush();
  EXPECT_EQ(reporter->status().bytesExpected, 0);
  std::uint64_t afterFirst = posts();
  reporter->reportProgress(5, -1);  // still -1 and no time passed
  reporter->flush();
  EXPECT_EQ(posts(), afterFirst);
  EXPECT_EQ(reporter->status().bytesExpected, 0);
  reporter->reportProgress(150, 100);  // clamped to 100 %
  reporter->flush();
  EXPECT_EQ(posts(), afterFirst + 1);
  reporter->setPhase(Phase::downloading);  // a new attempt resets counts and the percentage
  EXPECT_EQ(onDisk().bytesReceived, 0);
  std::uint64_t beforeRetry = posts();
  reporter->reportProgress(100, 100);
  reporter->flush();
  EXPECT_EQ(posts(), beforeRetry + 1);
}

TEST_F(Reporter, QueuedProgressNeverOvertakesALaterPhase) {
  std::vector<Phase> seen;
  {
    UpdaterStatusReporter reporter(
        4, std::nullopt, path, clock, notifications, platform::FileSystem::real(),
        [&](const BlocklistUpdaterStatus& s) { seen.push_back(s.phase); });
    reporter.setPhase(Phase::downloading);
    for (int i = 1; i <= 200; ++i) {
      clock.advance(std::chrono::seconds(1));
      reporter.reportProgress(i, 200);
    }
    reporter.setPhase(Phase::installing);
    EXPECT_EQ(onDisk().phase, Phase::installing);
    reporter.reportProgress(200, 200);  // 100 % again, but a second has not passed: no write
  }
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), Phase::installing);
  EXPECT_EQ(onDisk().phase, Phase::installing);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), Phase::installing), 1);
}

TEST_F(Reporter, WriteFailureStillPostsAndCreatesMissingFolderOnRetry) {
  testing::FaultyFileSystem io;
  std::string nested = dir.file("gone/updater-status.json");
  UpdaterStatusReporter reporter(4, std::nullopt, nested, clock, notifications, io);
  reporter.setPhase(Phase::checking);
  EXPECT_TRUE(platform::fileExists(nested));
  io.failOn(testing::FileCall::rename, 1, EIO, true);
  reporter.setPhase(Phase::failed);
  EXPECT_EQ(BlocklistUpdaterStatus::decode(platform::readFile(nested), clock.now()).phase,
            Phase::checking);
  EXPECT_EQ(notifications.postCount(kStatusChangedNotification), 2u);
}

// Both writes failing leave a planted link at the name; the mode set afterwards must not reach
// the link's target.
TEST_F(Reporter, FailedWriteOverAPlantedLinkLeavesItsTargetsMode) {
  testing::FaultyFileSystem io;
  std::string outside = dir.write("outside", "x");
  ASSERT_EQ(::chmod(outside.c_str(), 0600), 0);
  ASSERT_EQ(::symlink(outside.c_str(), path.c_str()), 0);
  io.failOn(testing::FileCall::rename, 1, EIO, true);
  UpdaterStatusReporter::writeStatusFile(BlocklistUpdaterStatus{}, path, io);
  EXPECT_EQ(io.count(testing::FileCall::rename), 2);
  EXPECT_EQ(platform::fileMode(outside), 0600u);
  EXPECT_EQ(dir.read("outside"), "x");
}

}  // namespace
}  // namespace veltra::updater
