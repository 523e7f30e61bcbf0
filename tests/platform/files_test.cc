#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <future>

#include <gtest/gtest.h>

#include "support/faulty_file_system.h"
#include "support/fifo_guard.h"
#include "support/temp_dir.h"

namespace veltra::platform {
namespace {

using testing::FaultyFileSystem;
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
  FaultyFileSystem io;
  writeFileAtomically(dir.file("a"), asBytes("x"), {}, io);
  auto calls = io.calls();
  auto position = [&](FileCall call, std::size_t from = 0) {
    return std::find(calls.begin() + static_cast<long>(from), calls.end(), call) - calls.begin();
  };
  auto firstSync = position(FileCall::sync);
  auto renameAt = position(FileCall::rename);
  EXPECT_LT(firstSync, renameAt);
  EXPECT_LT(renameAt, position(FileCall::syncDirectory, static_cast<std::size_t>(renameAt)));
}

struct FaultCase {
  const char* name;
  FileCall call;
};

class AtomicWriteFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(AtomicWriteFault, LeavesTargetUnchangedAndNoTemporaryFile) {
  TempDir dir;
  dir.write("a", "old");
  FaultyFileSystem io;
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
                                           FaultCase{"fsync", FileCall::sync},
                                           FaultCase{"rename", FileCall::rename}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AtomicWrite, NamedTemporaryFileIsUsed) {
  TempDir dir;
  FaultyFileSystem io;
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

// What an interrupted write, or another local user, may have left at a fixed temporary name.
struct Leftover {
  const char* name;
  void (*plant)(const TempDir& dir, const std::string& temp);
  bool written;  // whether the write goes ahead
};

class AtomicWriteOverLeftover : public ::testing::TestWithParam<Leftover> {};

TEST_P(AtomicWriteOverLeftover, NeverWritesThroughItAndReplacesTargetOrFailsSafely) {
  TempDir dir;
  dir.write("c.json", "old");
  dir.write("other", "someone else's");
  ASSERT_EQ(::chmod(dir.file("other").c_str(), 0600), 0);
  const std::string temp = dir.file("c.json.tmp");
  GetParam().plant(dir, temp);
  auto write = [&] {
    writeFileAtomically(dir.file("c.json"), asBytes("new"), {.mode = 0644, .tempPath = temp});
    return true;
  };
  if (GetParam().written) {
    EXPECT_TRUE(testing::callWithoutBlockingOn(temp, write));
    EXPECT_EQ(dir.read("c.json"), "new");
    EXPECT_EQ(fileMode(dir.file("c.json")), 0644u);
    EXPECT_FALSE(fileExists(temp));
  } else {
    EXPECT_THROW(write(), SystemError);
    EXPECT_EQ(dir.read("c.json"), "old");
  }
  EXPECT_EQ(dir.read("other"), "someone else's");
  EXPECT_EQ(fileMode(dir.file("other")), 0600u);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, AtomicWriteOverLeftover,
    ::testing::Values(Leftover{"staleFile",
                               [](const TempDir& dir, const std::string&) {
                                 dir.write("c.json.tmp", "stale");
                               },
                               true},
                      // Truncating it would truncate the other file through the shared inode.
                      Leftover{"hardLink",
                               [](const TempDir& dir, const std::string& temp) {
                                 ASSERT_EQ(::link(dir.file("other").c_str(), temp.c_str()), 0);
                               },
                               true},
                      // Opening it for writing would wait for a reader that never comes.
                      Leftover{"fifo",
                               [](const TempDir&, const std::string& temp) {
                                 ASSERT_EQ(::mkfifo(temp.c_str(), 0644), 0);
                               },
                               true},
                      Leftover{"folder",
                               [](const TempDir&, const std::string& temp) {
                                 ASSERT_EQ(::mkdir(temp.c_str(), 0755), 0);
                               },
                               false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Files, SetModeGoesThroughADescriptorAndRefusesALink) {
  TempDir dir;
  dir.write("file", "x");
  createDirectories(dir.file("folder"), 0700);
  setMode(dir.file("file"), 0640);
  setMode(dir.file("folder"), 0750);
  EXPECT_EQ(fileMode(dir.file("file")), 0640u);
  EXPECT_EQ(fileMode(dir.file("folder")), 0750u);

  ASSERT_EQ(::symlink(dir.file("file").c_str(), dir.file("link").c_str()), 0);
  try {
    setMode(dir.file("link"), 0644);
    FAIL();
  } catch (const SystemError& e) {
    EXPECT_EQ(e.description(), "chmod(" + dir.file("link") +
                                   ") failed: is a symbolic link (links are not followed)");
  }
  EXPECT_EQ(fileMode(dir.file("file")), 0640u);
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

constexpr std::size_t kLimit = 16 * 1024 * 1024;

std::optional<int> boundedReadErrno(const std::string& path, std::size_t limit = kLimit) {
  try {
    readFileBounded(path, limit);
  } catch (const SystemError& error) {
    EXPECT_FALSE(readFileBoundedIfPresent(path, limit).has_value());
    return error.errorNumber();
  }
  return std::nullopt;
}

TEST(BoundedRead, ReadsUpToTheLimitAndRefusesOneByteMore) {
  TempDir dir;
  struct Case {
    std::size_t size;
    std::optional<int> error;
  };
  for (Case c : {Case{0, std::nullopt}, Case{kLimit - 1, std::nullopt}, Case{kLimit, std::nullopt},
                 Case{kLimit + 1, EFBIG}, Case{kLimit + 200000, EFBIG}}) {
    std::string content(c.size, 'x');
    if (!content.empty()) content.back() = 'y';
    std::string path = dir.write("f", content);
    EXPECT_EQ(boundedReadErrno(path), c.error) << c.size;
    if (!c.error) {
      auto bytes = readFileBoundedIfPresent(path, kLimit);
      ASSERT_TRUE(bytes.has_value());
      EXPECT_EQ(asText(*bytes), content);
    }
  }
  EXPECT_EQ(boundedReadErrno(dir.file("missing")), ENOENT);
}

TEST(BoundedRead, HugeSparseFileIsRefusedWithoutReadingIt) {
  TempDir dir;
  std::string path = dir.write("sparse", "");
  ASSERT_EQ(::truncate(path.c_str(), off_t{1} << 36), 0);
  EXPECT_EQ(boundedReadErrno(path), EFBIG);
}

TEST(BoundedRead, SymlinkIsRefusedAndItsTargetLeftAlone) {
  TempDir dir;
  std::string target = dir.write("target.json", "{}");
  auto before = modificationTime(target);
  std::filesystem::create_symlink(target, dir.file("link.json"));
  try {
    readFileBounded(dir.file("link.json"), kLimit);
    FAIL();
  } catch (const SystemError& error) {
    EXPECT_EQ(error, SystemError("open", dir.file("link.json"), ELOOP));  // refused before reading
  }
  EXPECT_EQ(dir.read("target.json"), "{}");
  EXPECT_EQ(modificationTime(target), before);
  // A link to something that would block is refused the same way.
  ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
  std::filesystem::create_symlink(dir.file("fifo"), dir.file("fifo-link"));
  EXPECT_EQ(boundedReadErrno(dir.file("fifo-link")), ELOOP);
}

TEST(BoundedRead, NonRegularFilesAreRefusedWithoutBlocking) {
  TempDir dir;
  ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
  std::filesystem::create_directory(dir.file("folder"));
  for (std::string path : {dir.file("fifo"), dir.file("folder"), std::string("/dev/null")}) {
    auto read = std::async(std::launch::async, [path] { return boundedReadErrno(path); });
    if (read.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      // Opening blocked on the FIFO: give it a writer so that the reader returns, then fail.
      int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
      if (writer >= 0) ::close(writer);
      ADD_FAILURE() << "blocked on " << path;
    }
    EXPECT_EQ(read.get(), EINVAL) << path;
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
