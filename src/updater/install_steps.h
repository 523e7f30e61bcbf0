// The steps both update pipelines share: digests, decompression, installation, app version.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/bytes.h"
#include "platform/exclusive_file.h"
#include "platform/file_system.h"
#include "updater/artifact_file.h"
#include "updater/console.h"

namespace veltra::updater {

// Returns the SHA-256 of `bytes` as 64 lowercase hexadecimal digits.
std::string sha256Hex(ByteView bytes);

// The decompressor's output.
struct DecompressedArtifact {
  ArtifactFile file;
  // The output went past the limit: the decompressor was stopped and `file` holds its first
  // limit + 1 bytes.
  bool exceedsLimit = false;
};

// Decompresses the gzip file `compressed` with "/usr/bin/gunzip -c" (reading the file, writing
// to a pipe) into a new file at `outputPath`, hashing the output as it arrives. At most
// `limitBytes` + 1 bytes are kept: a stream that expands further stops the child there, so a
// small download cannot fill the disk. Throws UpdaterError code 3 ("gunzip failed with status
// N") when gunzip fails, platform::SystemError when it cannot be started or the output cannot be
// written; the output file is removed on every failure.
DecompressedArtifact decompressArtifact(
    ArtifactFile& compressed, const std::string& outputPath, std::uint64_t limitBytes,
    platform::FileSystem& fileSystem = platform::FileSystem::real());

// Installs the verified file `verified` at `target` so that readers always find an installed
// file, the old or the new: set its mode to 0644 and fsync it, rename it to `temporary`, make
// `backup` a hard link to (or, where links are impossible, a copy of) the current target, rename
// `temporary` over `target`, fsync the folder. The bytes are never written a second time.
// Nothing planted at `temporary`, `backup` or `target` is followed: renames and links replace
// names. Throws platform::SystemError; on failure the old target stays in place and `verified`
// (under whichever name it has reached) is removed with the object.
void atomicInstall(platform::ExclusiveFile& verified, const std::string& target,
                   const std::string& temporary, const std::string& backup, bool verbose,
                   Console& console,
                   platform::FileSystem& fileSystem = platform::FileSystem::real());

// Returns "CFBundleShortVersionString" of the application bundle at `bundlePath`, or nothing.
std::optional<std::string> installedAppVersion(const std::string& bundlePath);

// Formats seconds without a fraction when whole ("5"), else as printf's %g does.
std::string formatSeconds(double seconds);

}  // namespace veltra::updater
