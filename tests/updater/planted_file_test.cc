// Links and special files another local user planted in the data folder. The updater runs as
// root: it must neither follow them nor block on them, and everything outside the folder must
// stay as it was, byte for byte and mode for mode.
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <functional>

#include <gtest/gtest.h>

#include "config/config.h"
#include "pipeline_fixture.h"
#include "platform/files.h"
#include "support/fifo_guard.h"
#include "updater/blocklist_metadata.h"
#include "updater/korvel_updater.h"
#include "updater/updater_status_reporter.h"

namespace veltra::updater {
namespace {

using testing::PipelineFixture;

constexpr std::string_view kOutsideText = "belongs to root, mode 0600\n";

// A file outside the data folder that planted names point at.
struct Outside {
  explicit Outside(PipelineFixture& f, bool present)
      : path(f.dir.file("outside/file")), present(present) {
    platform::createDirectories(f.dir.file("outside"));
    if (present) {
      f.dir.write("outside/file", kOutsideText);
      ::chmod(path.c_str(), 0600);
    }
  }

  void expectUntouched(const PipelineFixture& f) const {
    struct stat info {};
    if (!present) {
      EXPECT_NE(::lstat(path.c_str(), &info), 0) << path << " was created";
      return;
    }
    EXPECT_EQ(f.dir.read("outside/file"), kOutsideText);
    EXPECT_EQ(platform::fileMode(path), 0600u);
  }

  std::string path;
  bool present;
};

std::string lockRefusal(const PipelineFixture& f, const std::string& reason) {
  std::string lock = f.dataPath("updater.lock");
  return "[VeltraUpdater] Cannot open lock file " + lock + ": open(" + lock +
         ") failed: " + reason + "\n";
}

bool isSymbolicLink(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

int writeConfig(PipelineFixture& f) {
  config::Config config;
  config.sequenceNumber = 7;
  f.sharedConfig.writeConfig(config);
  return 0;
}

void expectConfigWritten(PipelineFixture& f) {
  EXPECT_EQ(config::Config::decode(asBytes(f.dataFile("config.json"))).sequenceNumber, 7);
}

// What is at the planted name once the operation is done.
enum class Left { theLink, ownFile, nothing };

struct PlantedLink {
  const char* name;
  // Runs what creates or writes `name`; returns its exit code (0 for calls without one).
  std::function<int(PipelineFixture&)> operate;
  int exitCode;
  Left left;
  // Checks the operation's own outcome.
  std::function<void(PipelineFixture&)> verify;
};

int runUpdate(PipelineFixture& f, const char* format) {
  f.installApp("2.5");
  return f.run({"--format", format});
}

const PlantedLink kPlantedLinks[] = {
    {"updater.lock",
     [](PipelineFixture& f) {
       return f.run({"--format", "4"});
     },
     5, Left::theLink,
     [](PipelineFixture& f) {
       EXPECT_TRUE(
           f.console.contains(lockRefusal(f, "is a symbolic link (links are not followed)")))
           << f.console.text();
       EXPECT_FALSE(f.hasDataFile("updater-status.json"));
     }},
    // The fixed temporary is removed and created afresh, so the write goes ahead.
    {"config.json.tmp", writeConfig, 0, Left::nothing, expectConfigWritten},
    // The rename replaces the link itself: config.json is ours and becomes a real file again.
    {"config.json", writeConfig, 0, Left::ownFile, expectConfigWritten},
    {"updater-status.json",
     [](PipelineFixture& f) {
       BlocklistUpdaterStatus status;
       status.phase = Phase::checking;
       UpdaterStatusReporter::writeStatusFile(status, f.dataPath("updater-status.json"));
       return 0;
     },
     0, Left::ownFile, [](PipelineFixture& f) { EXPECT_EQ(f.status().phase, Phase::checking); }},
    {"blocklist-v4-manifest.json", [](PipelineFixture& f) { return runUpdate(f, "4"); }, 0,
     Left::ownFile,
     [](PipelineFixture& f) {
       EXPECT_EQ(f.dataFile("blocklist-v4-manifest.json"),
                 f.dir.read("www/blocklists/v4/blocklist.json"));
     }},
    {"blocklist-metadata.json", [](PipelineFixture& f) { return runUpdate(f, "3"); }, 0,
     Left::ownFile,
     [](PipelineFixture& f) {
       EXPECT_EQ(BlocklistMetadata::decode(asBytes(f.dataFile("blocklist-metadata.json"))).version,
                 "2026.12.10");
     }},
};

class PlantedLinkTest
    : public ::testing::TestWithParam<std::tuple<PlantedLink, bool /*target present*/>> {};

TEST_P(PlantedLinkTest, LinkIsNotFollowedAndItsTargetStaysAsItWas) {
  const auto& [c, present] = GetParam();
  PipelineFixture f;
  Outside outside(f, present);
  std::string planted = f.dataPath(c.name);
  ASSERT_EQ(::symlink(outside.path.c_str(), planted.c_str()), 0);

  EXPECT_EQ(c.operate(f), c.exitCode) << f.console.text();

  outside.expectUntouched(f);
  switch (c.left) {
    case Left::theLink:
      EXPECT_TRUE(isSymbolicLink(planted));
      break;
    case Left::ownFile: {
      struct stat info {};
      ASSERT_EQ(::lstat(planted.c_str(), &info), 0);
      EXPECT_TRUE(S_ISREG(info.st_mode));
      EXPECT_EQ(info.st_mode & 07777, 0644u);
      break;
    }
    case Left::nothing: {
      struct stat info {};
      EXPECT_NE(::lstat(planted.c_str(), &info), 0);
      break;
    }
  }
  c.verify(f);
}

INSTANTIATE_TEST_SUITE_P(Names, PlantedLinkTest,
                         ::testing::Combine(::testing::ValuesIn(kPlantedLinks), ::testing::Bool()),
                         [](const auto& info) {
                           std::string name = std::get<0>(info.param).name;
                           for (char& ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name + (std::get<1>(info.param) ? "_toFile" : "_toMissingPath");
                         });

struct PlantedLock {
  const char* name;
  // Puts something other than a regular file of our own at `lock`.
  std::function<void(const std::string& lock, const Outside& outside)> plant;
  const char* reason;
};

const PlantedLock kPlantedLocks[] = {
    {"fifo",
     [](const std::string& lock, const Outside&) { ASSERT_EQ(::mkfifo(lock.c_str(), 0644), 0); },
     "is a FIFO, not a regular file"},
    {"folder",
     [](const std::string& lock, const Outside&) { ASSERT_EQ(::mkdir(lock.c_str(), 0755), 0); },
     "is a folder, not a regular file"},
    // Taking it would re-mode the other file to 0644 through the shared inode.
    {"hardLink",
     [](const std::string& lock, const Outside& outside) {
       ASSERT_EQ(::link(outside.path.c_str(), lock.c_str()), 0);
     },
     "has 2 hard links (a file with other names is not used)"},
};

class PlantedLockTest : public ::testing::TestWithParam<PlantedLock> {};

TEST_P(PlantedLockTest, RunEndsWithWriteFailedNamingTheLock) {
  PipelineFixture f;
  Outside outside(f, true);
  std::string lock = f.dataPath("updater.lock");
  GetParam().plant(lock, outside);
  int code = testing::callWithoutBlockingOn(lock, [&] { return f.run({"--format", "4"}); });
  EXPECT_EQ(code, 5);
  EXPECT_TRUE(f.console.contains(lockRefusal(f, GetParam().reason))) << f.console.text();
  EXPECT_FALSE(f.hasDataFile("updater-status.json"));
  outside.expectUntouched(f);
}

INSTANTIATE_TEST_SUITE_P(Kinds, PlantedLockTest, ::testing::ValuesIn(kPlantedLocks),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PlantedLockCleanup, FifoAtTheLockIsNotBlockedOnAndCountsAsARunningUpdate) {
  testing::UpdaterFixture f;
  platform::createDirectories(f.dataDirectory);
  std::string lock = f.dataPath("updater.lock");
  ASSERT_EQ(::mkfifo(lock.c_str(), 0644), 0);
  f.dir.write("data/blocklist-v4.bin.new", "x");
  auto context = f.context();
  testing::callWithoutBlockingOn(lock, [&] {
    KorvelUpdater::cleanup(false, context);
    return 0;
  });
  EXPECT_TRUE(platform::fileExists(f.dataPath("blocklist-v4.bin.new")));
}

}  // namespace
}  // namespace veltra::updater
