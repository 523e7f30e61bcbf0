// The steps both update pipelines share: digests, decompression, installation, app version.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/bytes.h"
#include "platform/file_io.h"
#include "updater/console.h"

namespace veltra::updater {

// Returns the SHA-256 of `bytes` as 64 lowercase hexadecimal digits.
std::string sha256Hex(ByteView bytes);

// Owns a temporary file's path and removes the file when destroyed. Movable, not copyable.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
  TemporaryFile(TemporaryFile&& other) noexcept : path_(std::move(other.path_)) {
    other.path_.clear();
  }
  TemporaryFile& operator=(TemporaryFile&& other) noexcept;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The result of decompression: the bytes, and the temporary file gunzip wrote them to, which an
// install on the same volume can link into place instead of writing the bytes a second time.
struct Decompressed {
  Bytes bytes;
  TemporaryFile output;
};

// Decompresses like gunzip() but keeps the output file alive with the result.
Decompressed gunzipKeepingOutput(ByteView compressed,
                                 std::int64_t maxOutputBytes = 4LL * 1024 * 1024 * 1024);

// Decompresses gzip bytes with "/usr/bin/gunzip -k" on an exclusively created temporary
// "blocklist-<UUID>.bin.gz" in the temporary folder ($TMPDIR respected). The child may write at
// most `maxOutputBytes`; both temporary files are removed on every path. Throws UpdaterError
// code 3 ("gunzip failed with status N") or platform::SystemError.
Bytes gunzip(ByteView compressed, std::int64_t maxOutputBytes = 4LL * 1024 * 1024 * 1024);

// Installs `bytes` at `target` so that readers always find an installed file, the old or the
// new: write and fsync `temporary` (mode 0644), make `backup` a hard link to (or, where links
// are impossible, a copy of) the current target, rename `temporary` over `target`, fsync the
// folder. When `sameBytesAt` names a file holding exactly `bytes` on the target's volume,
// `temporary` is a hard link to it rather than a second copy. Throws platform::SystemError; on
// failure the old target stays in place.
void atomicInstall(ByteView bytes, const std::string& target, const std::string& temporary,
                   const std::string& backup, bool verbose, Console& console,
                   platform::FileIO& io = platform::FileIO::real(),
                   const std::string& sameBytesAt = "");

// Returns "CFBundleShortVersionString" of the application bundle at `bundlePath`, or nothing.
std::optional<std::string> installedAppVersion(const std::string& bundlePath);

// Formats seconds without a fraction when whole ("5"), else as printf's %g does.
std::string formatSeconds(double seconds);

}  // namespace veltra::updater
