// The positioned reader veltra-cdn serves files through.
#include "platform/file_reader.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/system_error.h"
#include "support/fifo_guard.h"
#include "support/temp_dir.h"

namespace veltra::platform {
namespace {

std::string readText(const FileReader& reader, std::uint64_t offset, std::size_t length) {
  std::string buffer(length, '\0');
  buffer.resize(
      reader.readAt(offset, {reinterpret_cast<std::uint8_t*>(buffer.data()), buffer.size()}));
  return buffer;
}

TEST(FileReader, ReadsAnyRangeAndStopsAtTheEnd) {
  testing::TempDir dir;
  FileReader reader(dir.write("data", "0123456789"));
  EXPECT_EQ(reader.size(), 10u);
  EXPECT_EQ(readText(reader, 0, 4), "0123");
  EXPECT_EQ(readText(reader, 7, 4), "789");
  EXPECT_EQ(readText(reader, 10, 4), "");
  EXPECT_EQ(readText(reader, 1u << 20, 4), "");
  EXPECT_EQ(readText(reader, 2, 0), "");

  // A moved reader keeps the file open.
  FileReader moved(std::move(reader));
  EXPECT_EQ(readText(moved, 3, 2), "34");
  EXPECT_EQ(moved.size(), 10u);
}

TEST(FileReader, RefusesWhatIsNoRegularFileWithoutFollowingOrWaiting) {
  testing::TempDir dir;
  const std::string target = dir.write("target", "secret");
  std::filesystem::create_symlink(target, dir.file("link"));
  std::filesystem::create_directory(dir.file("folder"));
  ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
  struct Case {
    const char* name;
    int errorNumber;
    std::string reason;
  };
  const Case cases[] = {
      {"link", ELOOP, "is a symbolic link (links are not followed)"},
      {"folder", EISDIR, "is not a regular file"},
      {"fifo", EINVAL, "is not a regular file"},
      {"missing", ENOENT, errorText(ENOENT)},
  };
  for (const Case& c : cases) {
    const std::string path = dir.file(c.name);
    auto attempt = [&]() -> std::optional<SystemError> {
      try {
        FileReader reader(path);
      } catch (const SystemError& error) {
        return error;
      }
      return std::nullopt;
    };
    std::optional<SystemError> error = testing::callWithoutBlockingOn(dir.file("fifo"), attempt);
    ASSERT_TRUE(error) << c.name << " was opened";
    EXPECT_EQ(error->errorNumber(), c.errorNumber) << c.name;
    EXPECT_EQ(error->description(), "open(" + path + ") failed: " + c.reason);
  }
}

}  // namespace
}  // namespace veltra::platform
