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
  // Seconds between download attempts: after the first failure, after the second.
  double firstRetryDelaySeconds = 5;
  double secondRetryDelaySeconds = 10;
  // Largest decompressed artifact accepted (4 GiB).
  std::int64_t maxDecompressedBytes = 4LL * 1024 * 1024 * 1024;
};

}  // namespace veltra::updater
