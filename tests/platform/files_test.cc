#include "platform/files.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "support/faulty_file_io.h"
#include "support/temp_dir.h"

namespace veltra::platform {
namespace {

using testing::FaultyFileIO;
using testing::FileCall;
using testing::TempDir;

TEST(AtomicWrite, ReplacesContentWithModeWhateverTheUmask) {
  TempDir dir;
  dir.write("a.json", "old");
  mode_t saved = ::umask(077);
  writeFileAtomically(dir.file("a.json"), asBytes("new"), {.mode = 0644, .tempPath = ""});
  ::umask(saved);
  EXPECT_EQ(dir.read("a.json"), "new");
  EXPECT_EQ(fileMode(dir.file("a.json")), 0644u);
}

TEST(AtomicWrite, SyncsFileBeforeRenameAndFolderAfter) {
  TempDir dir;
  FaultyFileIO io;
  writeFileAtomically(dir.file("a"), asBytes("x"), {}, io);
  auto calls = io.calls();
  auto position = [&](FileCall call, std::size_t from = 0) {
    return std::find(calls.begin() + static_cast<long>(from), calls.end(), call) - calls.begin();
  };
  auto firstSync = position(FileCall::fsync);
  auto renameAt = position(FileCall::rename);
  EXPECT_LT(firstSync, renameAt);
  EXPECT_LT(renameAt, position(FileCall::fsync, static_cast<std::size_t>(renameAt)));
}

struct FaultCase {
  const char* name;
  FileCall call;
};

class AtomicWriteFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(AtomicWriteFault, LeavesTargetUnchangedAndNoTemporaryFile) {
  TempDir dir;
  dir.write("a", "old");
  FaultyFileIO io;
  io.failOn(GetParam().call, 1, ENOSPC);
  EXPECT_THROW(writeFileAtomically(dir.file("a"), asBytes("new"), {}, io), SystemError);
  EXPECT_EQ(dir.read("a"), "old");
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

INSTANTIATE_TEST_SUITE_P(Calls, AtomicWriteFault,
                         ::testing::Values(FaultCase{"open", FileCall::open},
                                           FaultCase{"write", FileCall::write},
                                           FaultCase{"fsync", FileCall::fsync},
                                           FaultCase{"rename", FileCall::rename}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AtomicWrite, NamedTemporaryFileIsUsed) {
  TempDir dir;
  FaultyFileIO io;
  io.failOn(FileCall::rename);
  EXPECT_THROW(writeFileAtomically(dir.file("c.json"), asBytes("x"),
                                   {.mode = 0644, .tempPath = dir.file("c.json.tmp")}, io),
               SystemError);
  EXPECT_FALSE(fileExists(dir.file("c.json")));
  writeFileAtomically(dir.file("c.json"), asBytes("y"),
                      {.mode = 0644, .tempPath = dir.file("c.json.tmp")});
  EXPECT_EQ(dir.read("c.json"), "y");
  EXPECT_FALSE(fileExists(dir.file("c.json.tmp")));
}

TEST(Files, CreateDirectoriesGivesExactModeToEachCreatedFolder) {
  TempDir dir;
  mode_t saved = ::umask(077);
  createDirectories(dir.file("a/b/c"), 0755);
  ::umask(saved);
  EXPECT_EQ(fileMode(dir.file("a")), 0755u);
  EXPECT_EQ(fileMode(dir.file("a/b/c")), 0755u);
  EXPECT_NO_THROW(createDirectories(dir.file("a/b/c"), 0755));
}

TEST(Files, ModificationTimeRoundTrips) {
  TempDir dir;
  dir.write("f", "x");
  auto when = std::chrono::system_clock::time_point(std::chrono::seconds(1'700'000'000));
  setModificationTime(dir.file("f"), when);
  EXPECT_EQ(modificationTime(dir.file("f")), when);
  EXPECT_FALSE(modificationTime(dir.file("missing")).has_value());
}

TEST(Files, SystemErrorDescribesCallPathAndErrno) {
  try {
    readFile("/nonexistent/veltra");
    FAIL();
  } catch (const SystemError& e) {
    EXPECT_EQ(e.description(), "open(/nonexistent/veltra) failed: No such file or directory");
    EXPECT_EQ(e, SystemError("open", "/nonexistent/veltra", ENOENT));
  }
}

TEST(Files, PathHelpers) {
  EXPECT_EQ(joinPath("/a/", "b"), "/a/b");
  EXPECT_EQ(joinPath("/a", "b"), "/a/b");
  EXPECT_EQ(parentPath("/a/b"), "/a");
  EXPECT_EQ(parentPath("/a"), "/");
  EXPECT_EQ(parentPath("b"), "");
  EXPECT_EQ(fileName("/a/b.json"), "b.json");
}

}  // namespace
}  // namespace veltra::platform
