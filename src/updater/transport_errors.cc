#include "updater/transport_errors.h"

#include <cerrno>

#include "core/json_fields.h"
#include "platform/system_error.h"

namespace veltra::updater {

HTTPStatusError::HTTPStatusError(std::int64_t status, std::optional<std::string> url)
    : status_(status),
      url_(std::move(url)),
      description_("HTTP " + std::to_string(status) + (url_ ? " from " + *url_ : std::string())) {}

DownloadTooLargeError::DownloadTooLargeError(std::int64_t bytes, std::int64_t limit)
    : bytes_(bytes),
      limit_(limit),
      description_("Download of " + std::to_string(bytes) + " bytes exceeds the " +
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
    : code_(code), detail_(std::move(detail)), description_(urlErrorText(code)) {}

std::string describe(const std::exception& error) {
  if (auto* e = dynamic_cast<const HTTPStatusError*>(&error)) return e->description();
  if (auto* e = dynamic_cast<const DownloadTooLargeError*>(&error)) return e->description();
  if (auto* e = dynamic_cast<const UpdaterError*>(&error)) return e->description();
  if (auto* e = dynamic_cast<const URLError*>(&error)) return e->description();
  if (auto* e = dynamic_cast<const platform::SystemError*>(&error)) return e->description();
  if (auto* e = dynamic_cast<const json::DecodingError*>(&error)) return e->description();
  return error.what();
}

FailureKind classify(const std::exception& error) {
  if (dynamic_cast<const HTTPStatusError*>(&error) != nullptr) return FailureKind::server;
  if (auto* e = dynamic_cast<const URLError*>(&error)) {
    switch (e->code()) {
      case URLError::Code::notConnectedToInternet:
      case URLError::Code::networkConnectionLost:
      case URLError::Code::cannotFindHost:
      case URLError::Code::cannotConnectToHost:
      case URLError::Code::dnsLookupFailed:
      case URLError::Code::timedOut:
      case URLError::Code::internationalRoamingOff:
      case URLError::Code::dataNotAllowed:
        return FailureKind::network;
      default:
        return FailureKind::other;
    }
  }
  if (auto* e = dynamic_cast<const platform::SystemError*>(&error)) {
    switch (e->errorNumber()) {
      case ENOSPC:
      case EDQUOT:
      case EFBIG:
      case EACCES:
      case EPERM:
      case EROFS:
      case ENAMETOOLONG:
      case EEXIST:
      case EIO:
        return FailureKind::disk;
      default:
        return FailureKind::other;
    }
  }
  return FailureKind::other;
}

}  // namespace veltra::updater
