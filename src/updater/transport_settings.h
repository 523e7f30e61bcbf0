// Limits and time-outs of the update transport.
#pragma once

#include <cstdint>

namespace veltra::updater {

// Production values are the defaults; tests shorten the time-outs and shrink the limits.
struct TransportSettings {
  // Largest artifact download accepted, compressed (512 MiB).
  std::int64_t maxDownloadBytes = 536870912;
  // Largest document (manifest, metadata) accepted.
  std::int64_t maxDocumentBytes = 16 * 1024 * 1024;
  // Seconds without a byte before a document fetch fails.
  double documentTimeoutSeconds = 30;
  // Seconds without a byte before an artifact download fails.
  double artifactTimeoutSeconds = 300;
  // Seconds a whole document fetch, and a whole artifact download, may take.
  double documentTotalSeconds = 60;
  double artifactTotalSeconds = 15 * 60;
  // A transfer receiving less than this many bytes per second over one window of
  // rateWindowSeconds is abandoned, so that a trickling server holds the updater lock for
  // minutes, not days.
  double minimumBytesPerSecond = 1024;
  double rateWindowSeconds = 60;
  // Seconds between download attempts: after the first failure, after the second.
  double firstRetryDelaySeconds = 5;
  double secondRetryDelaySeconds = 10;
  // Largest decompressed artifact accepted (4 GiB); a V4 artifact is also bounded by its
  // manifest's size.
  std::int64_t maxDecompressedBytes = 4LL * 1024 * 1024 * 1024;
};

}  // namespace veltra::updater
