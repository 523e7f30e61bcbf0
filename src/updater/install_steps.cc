#include "updater/install_steps.h"

#include <fcntl.h>

#include <cerrno>
#include <cmath>
#include <cstdio>

#include "platform/bundle_info.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/random.h"
#include "platform/sha256.h"
#include "updater/transport_errors.h"

namespace veltra::updater {

namespace {

// Removes the listed files when it goes out of scope, ignoring failures.
class RemoveOnExit {
 public:
  explicit RemoveOnExit(std::vector<std::string> paths) : paths_(std::move(paths)) {}
  ~RemoveOnExit() {
    for (const auto& path : paths_) platform::removeFile(path);
  }
  RemoveOnExit(const RemoveOnExit&) = delete;
  RemoveOnExit& operator=(const RemoveOnExit&) = delete;

 private:
  std::vector<std::string> paths_;
};

// Creates (or truncates) `path`, writes `bytes`, sets `mode` and fsyncs; removes the file again
// when any step fails.
void writeNewFile(platform::FileIO& io, const std::string& path, ByteView bytes, int extraFlags,
                  mode_t mode) {
  int fd = io.open(path, O_WRONLY | O_CREAT | extraFlags, mode);
  if (fd < 0) throw platform::SystemError("open", path, errno);
  auto fail = [&](const char* operation, int error) {
    if (fd >= 0) io.close(fd);
    io.unlink(path);
    throw platform::SystemError(operation, path, error);
  };
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = io.write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail("write", n < 0 ? errno : EIO);
    done += static_cast<std::size_t>(n);
  }
  if (io.fchmod(fd, mode) != 0) fail("fchmod", errno);
  if (io.fsync(fd) != 0) fail("fsync", errno);
  int rc = io.close(fd);
  fd = -1;
  if (rc != 0) fail("close", errno);
}

}  // namespace

std::string sha256Hex(ByteView bytes) { return platform::sha256Hex(bytes); }

Bytes gunzip(ByteView compressed, std::int64_t maxOutputBytes) {
  std::string gzPath = platform::joinPath(platform::temporaryDirectory(),
                                          "blocklist-" + platform::randomUuidString() + ".bin.gz");
  std::string outPath = gzPath.substr(0, gzPath.size() - 3);
  // Created exclusively so that nothing planted at the name is read or overwritten.
  writeNewFile(platform::FileIO::real(), gzPath, compressed, O_EXCL, 0600);
  RemoveOnExit cleanup({gzPath, outPath});
  int status = platform::runProcess("/usr/bin/gunzip", {"-k", gzPath},
                                    {.maxFileSize = static_cast<std::uint64_t>(maxOutputBytes)});
  if (status != 0) throw UpdaterError(3, "gunzip failed with status " + std::to_string(status));
  return platform::readFile(outPath);
}

void atomicInstall(ByteView bytes, const std::string& target, const std::string& temporary,
                   const std::string& backup, bool verbose, Console& console,
                   platform::FileIO& io) {
  writeNewFile(io, temporary, bytes, O_TRUNC, 0644);
  if (platform::fileExists(target)) {
    // The backup is made beside the target, which stays in place until the final rename.
    if (io.unlink(backup) != 0 && errno != ENOENT)
      throw platform::SystemError("unlink", backup, errno);
    if (io.link(target, backup) != 0) {
      int linkError = errno;
      if (linkError != EXDEV && linkError != EPERM && linkError != ENOTSUP && linkError != EMLINK) {
        throw platform::SystemError("link", backup, linkError);
      }
      platform::writeFileAtomically(backup, platform::readFile(target), {.mode = 0644}, io);
    }
  }
  if (io.rename(temporary, target) != 0) throw platform::SystemError("rename", target, errno);
  platform::syncDirectory(platform::parentPath(target), io);
  if (verbose) console.say("Atomic install complete: " + platform::fileName(target));
}

std::optional<std::string> installedAppVersion(const std::string& bundlePath) {
  return platform::bundleInfoString(bundlePath, "CFBundleShortVersionString");
}

std::string formatSeconds(double seconds) {
  char buffer[32];
  if (std::floor(seconds) == seconds && std::fabs(seconds) < 1e15) {
    std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(seconds));
  } else {
    std::snprintf(buffer, sizeof buffer, "%g", seconds);
  }
  return buffer;
}

}  // namespace veltra::updater
