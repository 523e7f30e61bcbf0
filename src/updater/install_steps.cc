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

// Makes `temporary` a durable hard link to `source` when both are on one volume and `source`
// has the expected size; returns false (leaving no `temporary`) when that is not possible.
bool linkPreparedFile(platform::FileIO& io, const std::string& source, const std::string& temporary,
                      std::size_t expectedSize) {
  if (io.unlink(temporary) != 0 && errno != ENOENT) return false;
  if (io.link(source, temporary) != 0) return false;
  int fd = io.open(temporary, O_WRONLY, 0);
  bool ok = fd >= 0 && platform::fileSize(temporary) == expectedSize && io.fchmod(fd, 0644) == 0 &&
            io.fsync(fd) == 0;
  if (fd >= 0 && io.close(fd) != 0) ok = false;
  if (!ok) io.unlink(temporary);
  return ok;
}

}  // namespace

TemporaryFile& TemporaryFile::operator=(TemporaryFile&& other) noexcept {
  if (this != &other) {
    if (!path_.empty()) platform::removeFile(path_);
    path_ = std::move(other.path_);
    other.path_.clear();
  }
  return *this;
}

TemporaryFile::~TemporaryFile() {
  if (!path_.empty()) platform::removeFile(path_);
}

std::string sha256Hex(ByteView bytes) { return platform::sha256Hex(bytes); }

Bytes gunzip(ByteView compressed, std::int64_t maxOutputBytes) {
  return gunzipKeepingOutput(compressed, maxOutputBytes).bytes;
}

Decompressed gunzipKeepingOutput(ByteView compressed, std::int64_t maxOutputBytes) {
  std::string gzPath = platform::joinPath(platform::temporaryDirectory(),
                                          "blocklist-" + platform::randomUuidString() + ".bin.gz");
  std::string outPath = gzPath.substr(0, gzPath.size() - 3);
  // Created exclusively so that nothing planted at the name is read or overwritten.
  writeNewFile(platform::FileIO::real(), gzPath, compressed, O_EXCL, 0600);
  TemporaryFile input(gzPath);
  TemporaryFile output(outPath);
  int status = platform::runProcess("/usr/bin/gunzip", {"-k", gzPath},
                                    {.maxFileSize = static_cast<std::uint64_t>(maxOutputBytes)});
  if (status != 0) throw UpdaterError(3, "gunzip failed with status " + std::to_string(status));
  Bytes bytes = platform::readFile(outPath);
  return {std::move(bytes), std::move(output)};
}

void atomicInstall(ByteView bytes, const std::string& target, const std::string& temporary,
                   const std::string& backup, bool verbose, Console& console, platform::FileIO& io,
                   const std::string& sameBytesAt) {
  if (sameBytesAt.empty() || !linkPreparedFile(io, sameBytesAt, temporary, bytes.size())) {
    writeNewFile(io, temporary, bytes, O_TRUNC, 0644);
  }
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
