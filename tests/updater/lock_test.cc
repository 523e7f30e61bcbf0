#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <thread>

#include <gtest/gtest.h>

#include "pipeline_fixture.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "updater/exclusive_file_lock.h"
#include "updater/korvel_updater.h"

namespace veltra::updater {
namespace {

TEST(ExclusiveFileLockTest, CreatesFolderAndFileWithMode0644UnderRestrictiveUmask) {
  testing::TempDir dir;
  mode_t saved = ::umask(077);
  {
    ExclusiveFileLock lock(dir.file("a/b/updater.lock"));
    EXPECT_TRUE(lock.tryLock());
  }
  ::umask(saved);
  EXPECT_EQ(platform::fileMode(dir.file("a/b/updater.lock")), 0644u);
}

TEST(ExclusiveFileLockTest, FailureDescribesOpenAndSystemText) {
  try {
    ExclusiveFileLock lock("/proc/veltra/nope/updater.lock");
    FAIL();
  } catch (const platform::SystemError& error) {
    EXPECT_EQ(error.description().rfind("open(/proc/veltra/nope/updater.lock) failed: ", 0), 0u);
  }
}

TEST(ExclusiveFileLockTest, UnopenableLockFileEndsRunWithWriteFailed) {
  testing::UpdaterFixture fixture;
  auto context = fixture.context();
  context.environment.dataDirectory = "/proc/veltra/nope";
  EXPECT_EQ(KorvelUpdater::run({"VeltraUpdater", "--update-blocklist", "--format", "4"}, context),
            5);
  EXPECT_TRUE(fixture.console.contains(
      "[VeltraUpdater] Cannot open lock file /proc/veltra/nope/updater.lock: "
      "open(/proc/veltra/nope/updater.lock) "
      "failed: "));
}

TEST(ExclusiveFileLockTest, SecondRunWaitsForTheFirstAndThenRuns) {
  testing::PipelineFixture fixture;
  platform::createDirectories(fixture.dataDirectory);
  std::optional<platform::LockFile> held =
      platform::LockFile::open(fixture.dataPath("updater.lock"));
  ASSERT_TRUE(held->tryLock());

  auto context = fixture.pipelineContext();
  int exitCode = -1;
  std::thread second([&] {
    exitCode =
        KorvelUpdater::run({"VeltraUpdater", "--update-blocklist", "--format", "4"}, context);
  });
  ASSERT_TRUE(fixture.console.waitFor("Another updater is running; waiting for it to finish...\n"));
  EXPECT_FALSE(platform::fileExists(fixture.dataPath("updater-status.json")));
  held.reset();
  second.join();
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(fixture.console.contains(
      "[VeltraUpdater] Lock acquired; re-checking whether an update is still needed\n"));
  EXPECT_TRUE(platform::fileExists(fixture.dataPath("updater-status.json")));
}

TEST(ExclusiveFileLockTest, AnotherProcessHoldingTheLockIsWaitedFor) {
  testing::PipelineFixture fixture;
  platform::createDirectories(fixture.dataDirectory);
  int ready[2], release[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(release), 0);
  pid_t child = ::fork();
  if (child == 0) {
    platform::LockFile held = platform::LockFile::open(fixture.dataPath("updater.lock"));
    held.lock();
    char byte = 1;
    if (::write(ready[1], &byte, 1) != 1) _exit(2);
    if (::read(release[0], &byte, 1) < 0) _exit(2);
    _exit(0);  // the exit drops the lock
  }
  char byte;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  auto context = fixture.pipelineContext();
  int exitCode = -1;
  std::thread second([&] {
    exitCode =
        KorvelUpdater::run({"VeltraUpdater", "--update-blocklist", "--format", "3"}, context);
  });
  ASSERT_TRUE(fixture.console.waitFor("waiting for it to finish...\n"));
  ASSERT_EQ(::write(release[1], &byte, 1), 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  second.join();
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(fixture.console.contains("Lock acquired"));
  for (int fd : {ready[0], ready[1], release[0], release[1]}) ::close(fd);
}

}  // namespace
}  // namespace veltra::updater
