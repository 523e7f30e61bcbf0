#include "updater/install_steps.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/bundle_info.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/sha256.h"
#include "updater/run_temporaries.h"
#include "updater/transport_errors.h"

namespace veltra::updater {

namespace {

// Reads and writes in pieces of this size: what the copy and the decompression hold in memory.
constexpr std::size_t kChunkBytes = 1 << 20;

// Makes `backup` a copy of `target` where a hard link is impossible, streamed through a
// temporary sibling that is renamed into place once complete and durable.
void copyIntoBackup(const std::string& target, const std::string& backup,
                    platform::FileSystem& fileSystem) {
  auto source = fileSystem.open(target, {.names = platform::NamePolicy::noLinks});
  platform::ExclusiveFile copy =
      platform::ExclusiveFile::create(temporaryPathFor(backup), fileSystem);
  std::vector<std::uint8_t> buffer(kChunkBytes);
  while (std::size_t n = source->read(buffer.data(), buffer.size()))
    copy.append(ByteView(buffer.data(), n));
  copy.publish(0644);
  copy.renameTo(backup);
  copy.keep();
}

}  // namespace

std::string sha256Hex(ByteView bytes) { return platform::sha256Hex(bytes); }

DecompressedArtifact decompressArtifact(ArtifactFile& compressed, const std::string& outputPath,
                                        std::uint64_t limitBytes,
                                        platform::FileSystem& fileSystem) {
  DecompressedArtifact result{ArtifactFile::create(outputPath, fileSystem)};
  // The output is made durable before it is installed; writing it back while gunzip still runs
  // leaves the final fsync little to do.
  result.file.file().startWritebackEvery(8 << 20);
  const std::uint64_t keep = limitBytes + 1;
  auto run = platform::runProcessStreamingOutput(
      "/usr/bin/gunzip", {"-c"}, compressed.file().file().nativeHandle(),
      [&](ByteView chunk) {
        std::uint64_t room = keep - static_cast<std::uint64_t>(result.file.size());
        if (chunk.size() >= room) {
          result.file.append(chunk.first(static_cast<std::size_t>(room)));
          result.exceedsLimit = true;
          return false;
        }
        result.file.append(chunk);
        return true;
      },
      kChunkBytes);
  if (!run.stopped && run.status != 0)
    throw UpdaterError(3, "gunzip failed with status " + std::to_string(run.status));
  return result;
}

void atomicInstall(platform::ExclusiveFile& verified, const std::string& target,
                   const std::string& temporary, const std::string& backup, bool verbose,
                   Console& console, platform::FileSystem& fileSystem) {
  verified.publish(0644);
  verified.renameTo(temporary);
  if (platform::fileExists(target, fileSystem)) {
    // The backup is made beside the target, which stays in place until the final rename.
    fileSystem.removeIfPresent(backup);
    try {
      fileSystem.link(target, backup);
    } catch (const platform::SystemError& error) {
      if (!platform::isLinkUnsupported(error)) throw;
      copyIntoBackup(target, backup, fileSystem);
    }
  }
  verified.renameTo(target);
  verified.keep();
  fileSystem.syncDirectory(platform::parentPath(target));
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
