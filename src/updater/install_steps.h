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

// Decompresses gzip bytes with "/usr/bin/gunzip -k" on an exclusively created temporary
// "blocklist-<UUID>.bin.gz" in the temporary folder ($TMPDIR respected). The child may write at
// most `maxOutputBytes`; both temporary files are removed on every path. Throws UpdaterError
// code 3 ("gunzip failed with status N") or platform::SystemError.
Bytes gunzip(ByteView compressed, std::int64_t maxOutputBytes = 4LL * 1024 * 1024 * 1024);

// Installs `bytes` at `target` so that readers always find an installed file, the old or the
// new: write and fsync `temporary` (mode 0644), make `backup` a hard link to (or, where links
// are impossible, a copy of) the current target, rename `temporary` over `target`, fsync the
// folder. Throws platform::SystemError; on failure the old target stays in place.
void atomicInstall(ByteView bytes, const std::string& target, const std::string& temporary,
                   const std::string& backup, bool verbose, Console& console,
                   platform::FileIO& io = platform::FileIO::real());

// Returns "CFBundleShortVersionString" of the application bundle at `bundlePath`, or nothing.
std::optional<std::string> installedAppVersion(const std::string& bundlePath);

// Formats seconds without a fraction when whole ("5"), else as printf's %g does.
std::string formatSeconds(double seconds);

}  // namespace veltra::updater
