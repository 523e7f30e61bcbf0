#include "updater/transport_errors.h"

#include <algorithm>
#include <array>

#include "platform/system_error.h"

namespace veltra::updater {

HTTPStatusError::HTTPStatusError(std::int64_t status, std::optional<std::string> url)
    : TypedError({status, url},
                 "HTTP " + std::to_string(status) + (url ? " from " + *url : std::string())) {}

DownloadTooLargeError::DownloadTooLargeError(std::int64_t bytes, std::int64_t limit)
    : TypedError({bytes, limit}, "Download of " + std::to_string(bytes) + " bytes exceeds the " +
                                     std::to_string(limit) + "-byte limit") {}

namespace {
const char* urlErrorText(URLError::Code code) {
  using C = URLError::Code;
  switch (code) {
    case C::cancelled:
      return "cancelled";
    case C::badURL:
      return "unsupported URL";
    case C::timedOut:
      return "The request timed out.";
    case C::unsupportedURL:
      return "unsupported URL";
    case C::cannotFindHost:
      return "A server with the specified hostname could not be found.";
    case C::cannotConnectToHost:
      return "Could not connect to the server.";
    case C::networkConnectionLost:
      return "The network connection was lost.";
    case C::dnsLookupFailed:
      return "A server with the specified hostname could not be found.";
    case C::httpTooManyRedirects:
      return "too many HTTP redirects";
    case C::notConnectedToInternet:
      return "The Internet connection appears to be offline.";
    case C::badServerResponse:
      return "The server returned an invalid response.";
    case C::fileDoesNotExist:
      return "The requested URL was not found on this server.";
    case C::secureConnectionFailed:
      return "An SSL error has occurred and a secure connection to the server cannot be made.";
    case C::internationalRoamingOff:
      return "International roaming is currently off.";
    case C::dataNotAllowed:
      return "A data connection is not currently allowed.";
    case C::unknown:
      break;
  }
  return "An unknown error occurred.";
}
}  // namespace

URLError::URLError(Code code, std::string detail)
    : TypedError(code, urlErrorText(code)), detail_(std::move(detail)) {}

namespace {

// URL-loading failures of the connection itself rather than of the request.
constexpr std::array kNetworkCodes = {
    URLError::Code::notConnectedToInternet,  URLError::Code::networkConnectionLost,
    URLError::Code::cannotFindHost,          URLError::Code::cannotConnectToHost,
    URLError::Code::dnsLookupFailed,         URLError::Code::timedOut,
    URLError::Code::internationalRoamingOff, URLError::Code::dataNotAllowed};

}  // namespace

FailureKind classify(const std::exception& error) {
  if (dynamic_cast<const HTTPStatusError*>(&error) != nullptr) return FailureKind::server;
  if (auto* e = dynamic_cast<const URLError*>(&error)) {
    return std::ranges::find(kNetworkCodes, e->code()) != kNetworkCodes.end() ? FailureKind::network
                                                                              : FailureKind::other;
  }
  if (auto* e = dynamic_cast<const platform::SystemError*>(&error)) {
    return e->isStorageRefusal() ? FailureKind::disk : FailureKind::other;
  }
  return FailureKind::other;
}

}  // namespace veltra::updater
