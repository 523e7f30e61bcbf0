// Links and special files another local user planted in the data folder. The updater runs as
// root: it must neither follow them nor block on them, and everything outside the folder must
// stay as it was, byte for byte and mode for mode.
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include <gtest/gtest.h>

#include "pipeline_fixture.h"
#include "platform/files.h"
#include "support/fifo_guard.h"
#include "updater/korvel_updater.h"

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
