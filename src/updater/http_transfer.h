// One GET transfer on libcurl, reported through a delegate as the response head and body arrive.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/bytes.h"
#include "updater/transport_errors.h"

namespace veltra::updater {

// The head of the final response (redirects are followed and not reported).
struct TransferResponse {
  // The HTTP status; nothing for a response that is not HTTP (a file URL).
  std::optional<std::int64_t> httpStatus;
  // The announced body length; -1 when unknown.
  std::int64_t announcedLength = -1;
  // The URL the response came from, as absolute text.
  std::string url;
};

// Receives one transfer's callbacks, on the thread that runs the transfer, one at a time.
class TransferDelegate {
 public:
  virtual ~TransferDelegate() = default;
  // Called once, before any body byte; returning false cancels the transfer.
  virtual bool didReceiveResponse(const TransferResponse& response) = 0;
  // Called for every chunk of the body; returning false cancels the transfer.
  virtual bool didReceiveData(ByteView chunk) = 0;
};

struct TransferRequest {
  std::string url;
  // Seconds without a byte (or without a connection) before the transfer fails as timed out.
  double inactivityTimeoutSeconds = 30;
  // Seconds the whole transfer may take before it fails as timed out; 0 means no limit.
  double totalTimeoutSeconds = 0;
  // A transfer that receives fewer than minimumBytesPerSecond x rateWindowSeconds body bytes in
  // one window of rateWindowSeconds (windows follow each other from the start) fails as timed
  // out, so a trickle cannot hold the run; 0 in either turns the rule off.
  double minimumBytesPerSecond = 0;
  double rateWindowSeconds = 0;
};

// The headers every request carries.
inline constexpr const char* kUserAgent = "VeltraUpdater/1.0 (macOS)";
inline constexpr const char* kCacheControl = "no-cache, no-store, must-revalidate";
inline constexpr const char* kPragma = "no-cache";

// Performs a GET of an http, https or file URL; redirects are followed only to http or https,
// at most 5. Returns nothing when the transfer ran to its end (whatever the HTTP status) or
// was cancelled by the delegate; otherwise the URL-loading error.
std::optional<URLError> performTransfer(const TransferRequest& request, TransferDelegate& delegate);

// Returns `url` with its query replaced by the single item "t=<seconds>"; nothing when the URL
// cannot be split into components or rebuilt.
std::optional<std::string> cacheBustedURL(const std::string& url, std::int64_t seconds);

// Returns the URL's scheme in lower case, or nothing when it is not an absolute URL.
std::optional<std::string> urlScheme(const std::string& url);

}  // namespace veltra::updater
