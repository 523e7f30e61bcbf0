// Cache-busted requests to the update CDN: small documents and artifact downloads.
#pragma once

#include <string>

#include "core/bytes.h"
#include "platform/clock.h"
#include "updater/console.h"
#include "updater/download_accumulator.h"
#include "updater/transport_settings.h"

namespace veltra::updater {

// Issues the updater's requests; each carries the three no-cache headers and a query that is
// exactly "t=<seconds since 1970>". Not thread-safe; used by one run.
class Transport {
 public:
  Transport(const TransportSettings& settings, const platform::Clock& clock, Console& console);

  // GETs a small document; throws UpdaterError code 1 (bad URL, non-2xx status, body over the
  // document limit) or URLError.
  Bytes fetchWithCacheBuster(const std::string& url, const std::string& label, bool verbose);

  // Downloads an artifact into `sink` and returns its length; throws UpdaterError code 2 (bad
  // URL, or a file URL when `allowFileURL` is false: an artifact named by a document that came
  // over the network must come over the network too), HTTPStatusError, DownloadTooLargeError,
  // URLError, or the sink's error.
  std::int64_t downloadBlocklist(const std::string& urlString, bool verbose,
                                 ProgressCallback onProgress, BodySink& sink, bool allowFileURL);

 private:
  std::int64_t timeStamp() const;

  TransportSettings settings_;
  const platform::Clock& clock_;
  Console& console_;
};

}  // namespace veltra::updater
