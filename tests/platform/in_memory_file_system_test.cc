// The in-memory file system's crash semantics, which the crash-point sweeps rely on.
#include "support/in_memory_file_system.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/crash_sweep.h"

namespace veltra::platform {
namespace {

using testing::InMemoryFileSystem;

Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

void writeUnsynced(FileSystem& fileSystem, const std::string& path, std::string_view text) {
  auto file = fileSystem.open(path, {.mode = OpenMode::createOrOpen});
  file->append(bytesOf(text));
}

TEST(InMemoryFileSystem, PowerLossKeepsOnlySyncedDataUnderSyncedNames) {
  InMemoryFileSystem fileSystem;
  writeFileAtomically("/kept", bytesOf("durable"), {}, fileSystem);
  {
    auto file = fileSystem.open("/synced-data", {.mode = OpenMode::createExclusive});
    file->append(bytesOf("data"));
    file->sync();
  }
  fileSystem.syncDirectory("/");
  writeUnsynced(fileSystem, "/unsynced-name", "x");
  writeUnsynced(fileSystem, "/synced-data", "more");  // appended, never synced
  fileSystem.rename("/kept", "/moved");               // never made durable
  auto after = fileSystem.afterPowerLoss();
  EXPECT_EQ(after->contentOf("/kept"), bytesOf("durable"));
  EXPECT_FALSE(after->contentOf("/moved"));
  EXPECT_FALSE(after->contentOf("/unsynced-name"));
  EXPECT_EQ(after->contentOf("/synced-data"), bytesOf("data"));
}

TEST(InMemoryFileSystem, NamesFollowPosixRules) {
  InMemoryFileSystem fileSystem;
  fileSystem.createDirectory("/d", 0755);
  writeFileAtomically("/d/a", bytesOf("a"), {}, fileSystem);
  writeFileAtomically("/d/b", bytesOf("b"), {}, fileSystem);
  EXPECT_THROW(fileSystem.open("/d/a", {.mode = OpenMode::createExclusive}), SystemError);
  EXPECT_THROW(fileSystem.open("/missing/a", {.mode = OpenMode::createOrOpen}), SystemError);
  EXPECT_THROW(fileSystem.link("/d/a", "/d/b"), SystemError);
  fileSystem.link("/d/a", "/d/c");
  fileSystem.rename("/d/b", "/d/a");  // replaces; "/d/c" still names the old file
  EXPECT_EQ(fileSystem.contentOf("/d/a"), bytesOf("b"));
  EXPECT_EQ(fileSystem.contentOf("/d/c"), bytesOf("a"));
  EXPECT_FALSE(fileSystem.removeIfPresent("/d/b"));
  auto names = fileSystem.listDirectory("/d", 10);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a", "c"}));
  auto first = fileSystem.open("/d/a", {.mode = OpenMode::readWrite});
  auto second = fileSystem.open("/d/a", {.mode = OpenMode::readWrite});
  EXPECT_EQ(first->tryLockExclusive(), 0);
  EXPECT_TRUE(isLockHeldElsewhere(second->tryLockExclusive()));
}

TEST(InMemoryFileSystem, CallsPastTheCrashPointFailWithoutEffect) {
  InMemoryFileSystem fileSystem;
  fileSystem.crashAfter(1);
  auto file = fileSystem.open("/a", {.mode = OpenMode::createExclusive});  // call 1
  EXPECT_THROW(file->append(bytesOf("x")), SystemError);
  EXPECT_THROW(fileSystem.syncDirectory("/"), SystemError);
  EXPECT_EQ(fileSystem.mutatingCalls(), 1u);
  EXPECT_EQ(fileSystem.contentOf("/a"), Bytes{});
  EXPECT_FALSE(fileSystem.afterPowerLoss()->contentOf("/a"));
}

// Readers see the old or the new content at every crash point, never a torn or missing file.
TEST(AtomicWriteCrash, TargetHoldsTheOldOrTheNewContentInFull) {
  for (bool existed : {true, false}) {
    const std::size_t points = testing::sweepCrashPoints(
        [&](InMemoryFileSystem& fileSystem) {
          if (existed) writeFileAtomically("/a.json", bytesOf("old"), {}, fileSystem);
        },
        [](InMemoryFileSystem& fileSystem) {
          writeFileAtomically("/a.json", bytesOf("the new content"), {}, fileSystem);
        },
        [&](InMemoryFileSystem& recovered, std::size_t k) {
          auto content = recovered.contentOf("/a.json");
          if (existed || content) {
            ASSERT_TRUE(content) << k;
            EXPECT_TRUE(*content == bytesOf("old") || *content == bytesOf("the new content")) << k;
          }
        });
    EXPECT_GE(points, 5u);
  }
}

}  // namespace
}  // namespace veltra::platform
