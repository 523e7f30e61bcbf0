#include "updater/install_steps.h"

#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/gzip.h"
#include "support/crash_sweep.h"
#include "support/faulty_file_system.h"
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

// Writes `content` into a new file of the run in `folder`, as a download or decompression would.
ArtifactFile runFile(const testing::TempDir& dir, const std::string& name, std::string_view content,
                     platform::FileSystem& io = platform::FileSystem::real()) {
  ArtifactFile file = ArtifactFile::create(dir.file(name), io);
  file.append(asBytes(content));
  return file;
}

TEST(Decompress, KeepsAtMostOneBytePastTheLimitAndHashesWhatItKept) {
  const std::string data = std::string(300000, 'z') + "end";
  const std::uint64_t size = data.size();
  struct Case {
    std::uint64_t limit;
    bool exceeds;
    std::uint64_t kept;
  } cases[] = {
      {size, false, size}, {size + 1, false, size}, {1 << 30, false, size}, {size - 1, true, size},
      {0, true, 1},        {1000, true, 1001},
  };
  for (const auto& c : cases) {
    testing::TempDir dir;
    ArtifactFile gz = runFile(dir, "a.gz", asText(platform::gzipCompress(asBytes(data))));
    DecompressedArtifact out = decompressArtifact(gz, dir.file("a"), c.limit);
    EXPECT_EQ(out.exceedsLimit, c.exceeds) << c.limit;
    EXPECT_EQ(out.file.size(), static_cast<std::int64_t>(c.kept)) << c.limit;
    std::string kept = data.substr(0, c.kept);
    EXPECT_EQ(dir.read("a"), kept) << c.limit;
    EXPECT_EQ(out.file.sha256Hex(), sha256Hex(asBytes(kept))) << c.limit;
  }
}

TEST(Decompress, BombStopsAtTheLimitWithoutWritingTheRest) {
  testing::TempDir dir;
  Bytes zeros(256 << 20, 0);  // 256 MiB that compress to about 256 KB
  ArtifactFile gz = runFile(dir, "bomb.gz", asText(platform::gzipCompress(zeros)));
  zeros = Bytes();
  DecompressedArtifact out = decompressArtifact(gz, dir.file("bomb"), 1 << 20);
  EXPECT_TRUE(out.exceedsLimit);
  EXPECT_EQ(platform::fileSize(dir.file("bomb")), (1u << 20) + 1);
}

TEST(Decompress, FailuresAreCodeThreeAndLeaveNoOutput) {
  struct Case {
    const char* name;
    Bytes input;
  } cases[] = {
      {"garbage", toBytes("this is not gzip")},
      {"truncated",
       [] {
         Bytes gz = platform::gzipCompress(toBytes(std::string(50000, 'q')));
         gz.resize(gz.size() / 2);
         return gz;
       }()},
      {"empty", Bytes()},
  };
  for (const auto& c : cases) {
    testing::TempDir dir;
    ArtifactFile gz = runFile(dir, "a.gz", asText(c.input));
    try {
      decompressArtifact(gz, dir.file("a"), 1 << 30);
      ADD_FAILURE() << c.name;
    } catch (const UpdaterError& error) {
      EXPECT_EQ(error.code(), 3) << c.name;
      EXPECT_EQ(error.description().rfind("gunzip failed with status ", 0), 0u) << c.name;
    }
    EXPECT_EQ(countEntries(dir.path()), 1) << c.name;  // only the download
  }
}

TEST(Decompress, OutputThatCannotBeWrittenIsASystemErrorAndLeavesNoOutput) {
  testing::TempDir dir;
  ArtifactFile gz = runFile(dir, "a.gz", asText(platform::gzipCompress(Bytes(1 << 20, 7))));
  testing::FaultyFileSystem io;
  io.failOn(testing::FileCall::write, 2, ENOSPC);
  EXPECT_THROW(decompressArtifact(gz, dir.file("a"), 1 << 30, io), platform::SystemError);
  EXPECT_EQ(countEntries(dir.path()), 1);
  // Something already at the output name is never written through.
  std::string outside = dir.write("outside", "keep");
  ::symlink(outside.c_str(), dir.file("b").c_str());
  EXPECT_THROW(decompressArtifact(gz, dir.file("b"), 1 << 30), platform::SystemError);
  EXPECT_EQ(dir.read("outside"), "keep");
}

class AtomicInstall : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::RecordingConsole console;
  std::string target = dir.file("blocklist-v4.bin");
  std::string temporary = dir.file("blocklist-v4.bin.new");
  std::string backup = dir.file("blocklist-v4.bin.old");

  void install(std::string_view content, platform::FileSystem& io = platform::FileSystem::real(),
               bool verbose = false) {
    ArtifactFile verified = runFile(dir, "blocklist-v4.bin.tmp-1", content, io);
    atomicInstall(verified.file(), target, temporary, backup, verbose, console, io);
  }
};

TEST_F(AtomicInstall, RotatesTargetIntoBackupAndNeverLeavesNoTarget) {
  dir.write("blocklist-v4.bin", "one");
  dir.write("blocklist-v4.bin.old", "ancient");
  install("two", platform::FileSystem::real(), true);
  EXPECT_EQ(dir.read("blocklist-v4.bin"), "two");
  EXPECT_EQ(dir.read("blocklist-v4.bin.old"), "one");
  EXPECT_FALSE(platform::fileExists(temporary));
  EXPECT_EQ(countEntries(dir.path()), 2);
  EXPECT_EQ(console.text(), "[VeltraUpdater] Atomic install complete: blocklist-v4.bin\n");
}

TEST_F(AtomicInstall, FirstInstallNeedsNoBackup) {
  install("first");
  EXPECT_EQ(dir.read("blocklist-v4.bin"), "first");
  EXPECT_FALSE(platform::fileExists(backup));
  EXPECT_EQ(platform::fileMode(target), 0644u);
}

TEST_F(AtomicInstall, BackupFallsBackToACopyWhereLinksAreImpossible) {
  dir.write("blocklist-v4.bin", "one");
  testing::FaultyFileSystem io;
  io.failOn(testing::FileCall::link, 1, EPERM);
  install("two", io);
  EXPECT_EQ(dir.read("blocklist-v4.bin"), "two");
  EXPECT_EQ(dir.read("blocklist-v4.bin.old"), "one");
  EXPECT_EQ(platform::fileMode(backup), 0644u);
  EXPECT_EQ(countEntries(dir.path()), 2);
}

TEST_F(AtomicInstall, VerifiedFileIsRenamedIntoPlaceNotRewritten) {
  testing::FaultyFileSystem io;
  ArtifactFile verified = runFile(dir, "blocklist-v4.bin.tmp-1", "fresh bytes", io);
  struct stat before {};
  ASSERT_EQ(::stat(verified.file().path().c_str(), &before), 0);
  const int writesBefore = io.count(testing::FileCall::write);
  atomicInstall(verified.file(), target, temporary, backup, false, console, io);
  struct stat after {};
  ASSERT_EQ(::stat(target.c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_EQ(io.count(testing::FileCall::write), writesBefore);
  EXPECT_EQ(platform::fileMode(target), 0644u);
  verified = ArtifactFile::create(dir.file("x"));  // destroying the installed one keeps it
  EXPECT_EQ(dir.read("blocklist-v4.bin"), "fresh bytes");
}

TEST_F(AtomicInstall, LinksPlantedAtTheRotationNamesAreReplacedNotFollowed) {
  std::string outside = dir.write("outside", "not ours");
  ::chmod(outside.c_str(), 0600);
  dir.write("blocklist-v4.bin", "one");
  ::symlink(outside.c_str(), temporary.c_str());
  ::symlink(outside.c_str(), backup.c_str());
  install("two");
  EXPECT_EQ(dir.read("blocklist-v4.bin"), "two");
  EXPECT_EQ(dir.read("blocklist-v4.bin.old"), "one");
  EXPECT_EQ(dir.read("outside"), "not ours");
  EXPECT_EQ(platform::fileMode(outside), 0600u);
}

TEST_F(AtomicInstall, FailureAtAnyStepKeepsTheInstalledFileAndLeavesNothingBehind) {
  struct Case {
    testing::FileCall call;
    int nth;
  } cases[] = {{testing::FileCall::setPermissions, 1}, {testing::FileCall::sync, 1},
               {testing::FileCall::rename, 1},         {testing::FileCall::link, 1},
               {testing::FileCall::remove, 1},         {testing::FileCall::rename, 2}};
  for (const auto& c : cases) {
    testing::TempDir folder;
    std::string installed = folder.write("blocklist-v4.bin", "installed");
    testing::FaultyFileSystem io;
    ArtifactFile verified = runFile(folder, "blocklist-v4.bin.tmp-1", "new", io);
    io.failOn(c.call, c.nth, ENOSPC);
    EXPECT_THROW(atomicInstall(verified.file(), installed, folder.file("blocklist-v4.bin.new"),
                               folder.file("blocklist-v4.bin.old"), false, console, io),
                 platform::SystemError);
    verified = ArtifactFile::create(folder.file("other"));
    EXPECT_EQ(folder.read("blocklist-v4.bin"), "installed") << static_cast<int>(c.call);
    EXPECT_FALSE(platform::fileExists(folder.file("blocklist-v4.bin.new")));
    EXPECT_FALSE(platform::fileExists(folder.file("blocklist-v4.bin.tmp-1")));
  }
}

// A power loss at any point of an install leaves the old or the new artifact installed, and a
// backup that is absent, the one before or the replaced artifact, whether linked or copied.
TEST(AtomicInstallCrash, InstalledArtifactIsTheOldOrTheNewAtEveryCrashPoint) {
  const std::string target = "/data/blocklist-v4.bin";
  const std::string backup = target + ".old";
  for (bool linkable : {true, false}) {
    const std::size_t points = testing::sweepCrashPoints(
        [&](testing::InMemoryFileSystem& fileSystem) {
          fileSystem.createDirectory("/data", 0755);
          platform::writeFileAtomically(target, asBytes("one"), {}, fileSystem);
          platform::writeFileAtomically(backup, asBytes("ancient"), {}, fileSystem);
        },
        [&](testing::InMemoryFileSystem& memory) {
          testing::FaultyFileSystem fileSystem(memory);
          if (!linkable) fileSystem.failOnPath(testing::FileCall::link, "", EPERM);
          testing::RecordingConsole console;
          ArtifactFile verified = ArtifactFile::create(target + ".tmp-1", fileSystem);
          verified.append(asBytes("two"));
          atomicInstall(verified.file(), target, target + ".new", backup, false, console,
                        fileSystem);
        },
        [&](testing::InMemoryFileSystem& recovered, std::size_t k) {
          auto installed = recovered.contentOf(target);
          ASSERT_TRUE(installed) << k;
          EXPECT_TRUE(asText(*installed) == "one" || asText(*installed) == "two") << k;
          if (auto old = recovered.contentOf(backup)) {
            EXPECT_TRUE(asText(*old) == "ancient" || asText(*old) == "one") << k;
          }
        });
    EXPECT_GE(points, 8u) << linkable;
  }
}

}  // namespace
}  // namespace veltra::updater
