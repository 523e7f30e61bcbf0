// The typed errors of the update transport and the updater's own error domain.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

#include "core/typed_error.h"
#include "updater/blocklist_updater_status.h"

namespace veltra::updater {

struct HTTPStatusPayload {
  std::int64_t status;
  std::optional<std::string> url;
  bool operator==(const HTTPStatusPayload&) const = default;
};

// A response whose HTTP status is outside 200..299. Description: "HTTP <status>" and, when the
// URL is known, " from <url>".
class HTTPStatusError : public TypedError<HTTPStatusError, HTTPStatusPayload> {
 public:
  HTTPStatusError(std::int64_t status, std::optional<std::string> url);
  std::int64_t status() const { return payload().status; }
  const std::optional<std::string>& url() const { return payload().url; }
};

struct DownloadTooLargePayload {
  std::int64_t bytes;
  std::int64_t limit;
  bool operator==(const DownloadTooLargePayload&) const = default;
};

// A download whose announced or received length broke the size limit. Description:
// "Download of <bytes> bytes exceeds the <limit>-byte limit".
class DownloadTooLargeError : public TypedError<DownloadTooLargeError, DownloadTooLargePayload> {
 public:
  DownloadTooLargeError(std::int64_t bytes, std::int64_t limit);
  std::int64_t bytes() const { return payload().bytes; }
  std::int64_t limit() const { return payload().limit; }
};

struct UpdaterErrorPayload {
  int code;
  std::string description;
  bool operator==(const UpdaterErrorPayload&) const = default;
};

// An error of the updater's own domain "VeltraUpdater": code 1 document fetch, code 2 artifact
// URL handling, code 3 decompression. Equal when code and description are equal.
class UpdaterError : public TypedError<UpdaterError, UpdaterErrorPayload> {
 public:
  static constexpr const char* kDomain = "VeltraUpdater";
  UpdaterError(int code, std::string description) : TypedError({code, description}, description) {}
  int code() const { return payload().code; }
};

// The platform's URL error codes.
enum class URLErrorCode : int {
  unknown = -1,
  cancelled = -999,
  badURL = -1000,
  timedOut = -1001,
  unsupportedURL = -1002,
  cannotFindHost = -1003,
  cannotConnectToHost = -1004,
  networkConnectionLost = -1005,
  dnsLookupFailed = -1006,
  httpTooManyRedirects = -1007,
  notConnectedToInternet = -1009,
  badServerResponse = -1011,
  fileDoesNotExist = -1100,
  secureConnectionFailed = -1200,
  internationalRoamingOff = -1018,
  dataNotAllowed = -1020,
};

// A URL-loading failure. Description: the platform's text for the code (for example "The request
// timed out."). Equal when the codes are equal; the detail is for logs only.
class URLError : public TypedError<URLError, URLErrorCode> {
 public:
  using Code = URLErrorCode;
  explicit URLError(Code code, std::string detail = "");
  Code code() const { return payload(); }
  // Returns the transfer library's own explanation, for logs.
  const std::string& detail() const { return detail_; }

 private:
  std::string detail_;
};

// Maps an error to the failure kind published in the status file.
FailureKind classify(const std::exception& error);

}  // namespace veltra::updater
