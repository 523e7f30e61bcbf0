#include "updater/install_steps.h"

#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/gzip.h"
#include "support/faulty_file_io.h"
#include "support/temp_dir.h"
#include "updater/transport_errors.h"
#include "updater_fixture.h"

namespace veltra::updater {
namespace {

int countEntries(const std::string& folder) {
  int n = 0;
  for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

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

TEST(Gunzip, DecompressesInTmpdirAndRemovesItsFiles) {
  testing::TempDir dir;
  ScopedTmpdir tmp(dir.path());
  Bytes data = toBytes(std::string(100000, 'z') + "end");
  EXPECT_EQ(gunzip(platform::gzipCompress(data)), data);
  EXPECT_EQ(countEntries(dir.path()), 0);
}

TEST(Gunzip, FailuresAreCodeThreeAndLeaveNothingBehind) {
  testing::TempDir dir;
  ScopedTmpdir tmp(dir.path());
  struct Case {
    const char* name;
    Bytes input;
    std::int64_t limit;
  } cases[] = {
      {"garbage", toBytes("this is not gzip"), 1 << 30},
      {"truncated",
       [] {
         Bytes gz = platform::gzipCompress(toBytes(std::string(50000, 'q')));
         gz.resize(gz.size() / 2);
         return gz;
       }(),
       1 << 30},
      {"over the output bound", platform::gzipCompress(Bytes(1 << 20, 0)), 64 * 1024},
  };
  for (const auto& c : cases) {
    try {
      gunzip(c.input, c.limit);
      ADD_FAILURE() << c.name;
    } catch (const UpdaterError& error) {
      EXPECT_EQ(error.code(), 3) << c.name;
      EXPECT_EQ(error.description().rfind("gunzip failed with status ", 0), 0u) << c.name;
    }
    EXPECT_EQ(countEntries(dir.path()), 0) << c.name;
  }
}

class AtomicInstall : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::RecordingConsole console;
  std::string target = dir.file("blocklist-v4.bin");
  std::string temporary = dir.file("blocklist-v4.bin.new");
  std::string backup = dir.file("blocklist-v4.bin.old");
};

TEST_F(AtomicInstall, RotatesTargetIntoBackupAndNeverLeavesNoTarget) {
  dir.write("blocklist-v4.bin", "one");
  dir.write("blocklist-v4.bin.old", "ancient");
  atomicInstall(asBytes("two"), target, temporary, backup, true, console);
  EXPECT_EQ(dir.read("blocklist-v4.bin"), "two");
  EXPECT_EQ(dir.read("blocklist-v4.bin.old"), "one");
  EXPECT_FALSE(platform::fileExists(temporary));
  EXPECT_EQ(console.text(), "[VeltraUpdater] Atomic install complete: blocklist-v4.bin\n");
}

TEST_F(AtomicInstall, FirstInstallNeedsNoBackup) {
  atomicInstall(asBytes("first"), target, temporary, backup, false, console);
  EXPECT_EQ(dir.read("blocklist-v4.bin"), "first");
  EXPECT_FALSE(platform::fileExists(backup));
  EXPECT_EQ(platform::fileMode(target), 0644u);
}

TEST_F(AtomicInstall, BackupFallsBackToACopyWhereLinksAreImpossible) {
  dir.write("blocklist-v4.bin", "one");
  testing::FaultyFileIO io;
  io.failOn(testing::FileCall::link, 1, EPERM);
  atomicInstall(asBytes("two"), target, temporary, backup, false, console, io);
  EXPECT_EQ(dir.read("blocklist-v4.bin"), "two");
  EXPECT_EQ(dir.read("blocklist-v4.bin.old"), "one");
}

TEST_F(AtomicInstall, PreparedFileWithTheSameBytesIsLinkedNotRewritten) {
  std::string prepared = dir.write("gunzip-output", "fresh bytes");
  ::chmod(prepared.c_str(), 0600);
  atomicInstall(asBytes("fresh bytes"), target, temporary, backup, false, console,
                platform::FileIO::real(), prepared);
  struct stat a {
  }, b{};
  ASSERT_EQ(::stat(prepared.c_str(), &a), 0);
  ASSERT_EQ(::stat(target.c_str(), &b), 0);
  EXPECT_EQ(a.st_ino, b.st_ino);
  EXPECT_EQ(platform::fileMode(target), 0644u);

  // A prepared file that does not hold the bytes is not used.
  std::string wrong = dir.write("other-output", "something else entirely");
  atomicInstall(asBytes("right"), target, temporary, backup, false, console,
                platform::FileIO::real(), wrong);
  EXPECT_EQ(dir.read("blocklist-v4.bin"), "right");
  EXPECT_EQ(dir.read("other-output"), "something else entirely");
}

TEST_F(AtomicInstall, FailureAtAnyStepKeepsTheInstalledFile) {
  for (auto call : {testing::FileCall::write, testing::FileCall::fsync, testing::FileCall::link,
                    testing::FileCall::rename}) {
    dir.write("blocklist-v4.bin", "installed");
    testing::FaultyFileIO io;
    io.failOn(call, 1, ENOSPC);
    EXPECT_THROW(atomicInstall(asBytes("new"), target, temporary, backup, false, console, io),
                 platform::SystemError);
    EXPECT_EQ(dir.read("blocklist-v4.bin"), "installed") << static_cast<int>(call);
  }
}

}  // namespace
}  // namespace veltra::updater
