#include <plist/plist.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <regex>
#include <stdexcept>

#include <gtest/gtest.h>

#include "platform/bundle_info.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/random.h"
#include "support/temp_dir.h"

namespace veltra::platform {
namespace {

TEST(Process, ReturnsExitStatusAndReportsUnstartablePrograms) {
  EXPECT_EQ(runProcess("/bin/sh", {"-c", "exit 0"}), 0);
  EXPECT_EQ(runProcess("/bin/sh", {"-c", "exit 7"}), 7);
  EXPECT_THROW(runProcess("/nonexistent/program", {}), SystemError);
}

TEST(Process, FileSizeLimitStopsTheChild) {
  testing::TempDir dir;
  std::string out = dir.file("out");
  int status =
      runProcess("/bin/sh", {"-c", "head -c 100000 /dev/zero > " + out}, {.maxFileSize = 4096});
  EXPECT_NE(status, 0);
  EXPECT_LE(fileSize(out).value_or(0), 4096u);
}

TEST(ProcessStreamingOutput, DeliversTheOutputOfAChildReadingAFile) {
  testing::TempDir dir;
  std::string input = dir.write("in", std::string(300000, 'a') + "end");
  int fd = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ::lseek(fd, 1000, SEEK_SET);  // the child reads from the start whatever the offset
  std::string output;
  std::size_t largest = 0;
  auto result = runProcessStreamingOutput(
      "/bin/cat", {}, fd,
      [&](ByteView chunk) {
        largest = std::max(largest, chunk.size());
        output.append(asText(chunk));
        return true;
      },
      4096);
  ::close(fd);
  EXPECT_FALSE(result.stopped);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(output.size(), 300003u);
  EXPECT_LE(largest, 4096u);
}

// An endless producer is stopped, killed and reaped as soon as the sink has had enough, whether
// the sink declines or throws.
TEST(ProcessStreamingOutput, SinkStopsAnEndlessChild) {
  int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  std::size_t seen = 0;
  auto result = runProcessStreamingOutput("/usr/bin/yes", {}, devNull, [&](ByteView chunk) {
    seen += chunk.size();
    return seen < (1 << 20);
  });
  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(result.status, 128 + SIGKILL);
  EXPECT_THROW(
      runProcessStreamingOutput("/usr/bin/yes", {}, devNull,
                                [](ByteView) -> bool { throw std::runtime_error("full"); }),
      std::runtime_error);
  EXPECT_THROW(
      runProcessStreamingOutput("/nonexistent/program", {}, devNull, [](ByteView) { return true; }),
      SystemError);
  ::close(devNull);
  // No child of this test is left behind, running or as a zombie.
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST(RandomSource, UuidsAreUpperCaseVersionFourAndDistinct) {
  std::string a = randomUuidString(), b = randomUuidString();
  EXPECT_TRUE(std::regex_match(
      a, std::regex("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}")))
      << a;
  EXPECT_NE(a, b);
}

void writePlist(const std::string& bundle, plist_t root, bool binary) {
  createDirectories(joinPath(bundle, "Contents"));
  char* data = nullptr;
  uint32_t length = 0;
  if (binary) {
    plist_to_bin(root, &data, &length);
  } else {
    plist_to_xml(root, &data, &length);
  }
  writeFileAtomically(joinPath(bundle, "Contents/Info.plist"),
                      ByteView(reinterpret_cast<std::uint8_t*>(data), length));
  std::free(data);
}

TEST(BundleInfo, ReadsShortVersionFromXmlAndBinaryPlists) {
  for (bool binary : {false, true}) {
    testing::TempDir dir;
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "CFBundleShortVersionString", plist_new_string("2.10.1"));
    plist_dict_set_item(root, "CFBundleVersion", plist_new_uint(42));
    writePlist(dir.file("Veltra.app"), root, binary);
    plist_free(root);
    EXPECT_EQ(bundleInfoString(dir.file("Veltra.app"), "CFBundleShortVersionString"), "2.10.1");
    EXPECT_FALSE(
        bundleInfoString(dir.file("Veltra.app"), "CFBundleVersion").has_value());  // not text
    EXPECT_FALSE(bundleInfoString(dir.file("Veltra.app"), "Missing").has_value());
  }
}

TEST(BundleInfo, MissingOrGarbledBundlesHaveNoVersion) {
  testing::TempDir dir;
  EXPECT_FALSE(bundleInfoString(dir.file("Nope.app"), "CFBundleShortVersionString").has_value());
  createDirectories(dir.file("Bad.app/Contents"));
  dir.write("Bad.app/Contents/Info.plist", "<plist><dict><key>CFBundle");
  EXPECT_FALSE(bundleInfoString(dir.file("Bad.app"), "CFBundleShortVersionString").has_value());
}

}  // namespace
}  // namespace veltra::platform
