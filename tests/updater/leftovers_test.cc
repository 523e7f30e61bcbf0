// A killed run leaves its temporaries behind; the next run, once it holds the lock, and the
// cleanup, when no run holds it, remove exactly those.
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include <gtest/gtest.h>

#include "pipeline_fixture.h"
#include "platform/file_lock.h"
#include "updater/run_temporaries.h"

namespace veltra::updater {
namespace {

// Points TMPDIR at a test folder for the lifetime of the object.
class ScopedTmpdir {
 public:
  explicit ScopedTmpdir(const std::string& path) {
    const char* old = std::getenv("TMPDIR");
    if (old != nullptr) previous_ = old;
    ::setenv("TMPDIR", path.c_str(), 1);
  }
  ~ScopedTmpdir() {
    if (previous_) {
      ::setenv("TMPDIR", previous_->c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }

 private:
  std::optional<std::string> previous_;
};

const char* kUuid = "0F8C2A4E-1B3D-4C5E-8F70-9A1B2C3D4E5F";

// What SIGKILLs at different moments of runs leave, and what lives beside it.
struct Leftovers {
  testing::PipelineFixture& f;
  std::string outside = f.dir.write("outside", "not ours");

  std::vector<std::string> left() {
    return {std::string("data/blocklist-v4.bin.tmp-") + kUuid + ".gz",
            std::string("data/blocklist-v4.bin.tmp-") + kUuid,
            std::string("data/blocklist.bin.tmp-") + kUuid + ".gz",
            "data/updater-status.json.tmp-k3x9q0ab",
            "data/blocklist-v4-manifest.json.tmp-a1b2c3d4",
            "data/blocklist-metadata.json.tmp-zz99yy88",
            std::string("data/blocklist-v4.bin.old.tmp-") + kUuid,
            "data/blocklist-v4.bin.new",
            std::string("tmp/blocklist-") + kUuid + ".bin.gz",
            std::string("tmp/blocklist-") + kUuid + ".bin"};
  }
  std::vector<std::string> kept() {
    return {"data/config.json.tmp",
            "data/config.json",
            "data/dns-ip-map.bin.new",
            "data/blocklist-v4.bin.tmp",
            "data/other.tmp-abc",
            "tmp/blocklist-not-a-uuid.bin.gz",
            "tmp/blocklist-0f8c2a4e-1b3d-4c5e-8f70-9a1b2c3d4e5f.bin"};
  }

  void plant() {
    platform::createDirectories(f.dir.file("tmp"));
    for (const auto& name : left()) f.dir.write(name, "leftover");
    for (const auto& name : kept()) f.dir.write(name, "{}");
    // A link with a leftover's name is removed itself; what it points at stays.
    ::symlink(outside.c_str(), f.dataPath("blocklist.bin.tmp-link").c_str());
    // A folder with a leftover's name is not entered.
    platform::createDirectories(f.dataPath("blocklist.bin.tmp-folder"));
    f.dir.write("data/blocklist.bin.tmp-folder/inside", "x");
  }

  void expectReclaimed() {
    for (const auto& name : left()) EXPECT_FALSE(platform::fileExists(f.dir.file(name))) << name;
    for (const auto& name : kept()) EXPECT_TRUE(platform::fileExists(f.dir.file(name))) << name;
    struct stat info {};
    EXPECT_NE(::lstat(f.dataPath("blocklist.bin.tmp-link").c_str(), &info), 0);
    EXPECT_EQ(f.dir.read("outside"), "not ours");
    EXPECT_EQ(f.dir.read("data/blocklist.bin.tmp-folder/inside"), "x");
  }
};

TEST(RunLeftovers, NextRunRemovesThemOnceItHoldsTheLock) {
  testing::PipelineFixture f;
  ScopedTmpdir tmp(f.dir.file("tmp"));
  f.installApp("2.5");
  Leftovers leftovers{f};
  leftovers.plant();
  f.dir.write("data/blocklist-v4.bin", asText(f.artifact));
  EXPECT_EQ(f.run({}), 0);  // up to date: nothing to download, the leftovers still go
  EXPECT_EQ(f.downloads(), 0u);
  leftovers.expectReclaimed();
}

TEST(RunLeftovers, CleanupRemovesThemOnlyWhenNoRunHoldsTheLock) {
  testing::PipelineFixture f;
  ScopedTmpdir tmp(f.dir.file("tmp"));
  Leftovers leftovers{f};
  leftovers.plant();
  auto context = f.pipelineContext();

  std::optional<platform::LockFile> held = platform::LockFile::open(f.dataPath("updater.lock"));
  ASSERT_TRUE(held->tryLock());
  KorvelUpdater::cleanup(false, context);
  held.reset();
  for (const auto& name : leftovers.left())
    EXPECT_TRUE(platform::fileExists(f.dir.file(name))) << name;

  KorvelUpdater::cleanup(true, context);
  leftovers.expectReclaimed();
  EXPECT_TRUE(f.console.contains("[VeltraUpdater] Removed stale updater-status.json.tmp-k3x9q0ab"));
}

TEST(RunLeftovers, NamesOfTheRunAreRecognised) {
  struct Case {
    const char* name;
    bool data;
    bool temporary;
  } cases[] = {
      {"blocklist-v4.bin.tmp-x", true, false},
      {"blocklist-v4.bin.tmp-", false, false},
      {"blocklist-v4.bin", false, false},
      {"blocklist-v4.bin.old", false, false},
      {"blocklist.bin.new", true, false},
      {"config.json.tmp-x", false, false},
      {"xblocklist.bin.tmp-1", false, false},
      {"blocklist-0F8C2A4E-1B3D-4C5E-8F70-9A1B2C3D4E5F.bin", false, true},
      {"blocklist-0F8C2A4E-1B3D-4C5E-8F70-9A1B2C3D4E5F.bin.gz", false, true},
      {"blocklist-0F8C2A4E-1B3D-4C5E-8F70-9A1B2C3D4E5F.bin.gz.x", false, false},
      {"blocklist-0F8C2A4E1B3D-4C5E-8F70-9A1B2C3D4E5F-.bin", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(isRunLeftover(c.name), c.data) << c.name;
    EXPECT_EQ(isOldDecompressorFile(c.name), c.temporary) << c.name;
  }
  std::string path = temporaryPathFor("/d/blocklist-v4.bin", ".gz");
  EXPECT_TRUE(isRunLeftover(platform::fileName(path))) << path;
}

}  // namespace
}  // namespace veltra::updater
