#include <optional>

#include <gtest/gtest.h>

#include "platform/file_lock.h"
#include "platform/files.h"
#include "updater/korvel_updater.h"
#include "updater_fixture.h"

namespace veltra::updater {
namespace {

using namespace std::chrono;

class Cleanup : public ::testing::Test {
 protected:
  testing::UpdaterFixture fixture;
  UpdaterContext context = fixture.context();

  void SetUp() override { platform::createDirectories(fixture.dataDirectory); }

  void place(const std::string& name, seconds age) {
    std::string path = fixture.dir.write("data/" + name, "x");
    platform::setModificationTime(path, fixture.clock.now() - age);
  }
  bool exists(const std::string& name) { return platform::fileExists(fixture.dataPath(name)); }
};

TEST_F(Cleanup, OldFilesGoOnlyWhenOlderThanSevenDays) {
  place("blocklist.bin.old", seconds(604800));
  place("blocklist-v4.bin.old", seconds(604801));
  KorvelUpdater::cleanup(true, context);
  EXPECT_TRUE(exists("blocklist.bin.old"));
  EXPECT_FALSE(exists("blocklist-v4.bin.old"));
  EXPECT_EQ(fixture.console.lines(),
            (std::vector<std::string>{"[VeltraUpdater] Running cleanup...",
                                      "[VeltraUpdater] Removed old blocklist-v4.bin.old",
                                      "[VeltraUpdater] Cleanup complete"}));
}

TEST_F(Cleanup, NewFilesGoWhateverTheirAgeWhenNoUpdateRuns) {
  place("blocklist.bin.new", seconds(0));
  place("blocklist-v4.bin.new", seconds(0));
  place("blocklist.bin", seconds(99999999));
  KorvelUpdater::cleanup(false, context);
  EXPECT_FALSE(exists("blocklist.bin.new"));
  EXPECT_FALSE(exists("blocklist-v4.bin.new"));
  EXPECT_TRUE(exists("blocklist.bin"));
  EXPECT_EQ(fixture.console.text(), "");
}

TEST_F(Cleanup, NewFileBeingWrittenByARunningUpdateIsKept) {
  place("blocklist-v4.bin.new", seconds(0));
  std::optional<platform::LockFile> held =
      platform::LockFile::open(fixture.dataPath("updater.lock"));
  ASSERT_TRUE(held->tryLock());
  KorvelUpdater::cleanup(true, context);
  held.reset();
  EXPECT_TRUE(exists("blocklist-v4.bin.new"));
  EXPECT_TRUE(fixture.console.contains(
      "[VeltraUpdater] Kept blocklist-v4.bin.new: an update is in progress\n"));
}

TEST_F(Cleanup, MissingDataFolderIsNotCreated) {
  testing::UpdaterFixture empty;
  auto emptyContext = empty.context();
  std::filesystem::remove_all(empty.dataDirectory);
  EXPECT_EQ(KorvelUpdater::run({"VeltraUpdater", "--cleanup"}, emptyContext), 0);
  EXPECT_FALSE(platform::fileExists(empty.dataDirectory));
}

}  // namespace
}  // namespace veltra::updater
