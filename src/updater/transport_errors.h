// The typed errors of the update transport and the updater's own error domain.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

#include "updater/blocklist_updater_status.h"

namespace veltra::updater {

// A response whose HTTP status is outside 200..299.
class HTTPStatusError : public std::exception {
 public:
  HTTPStatusError(std::int64_t status, std::optional<std::string> url);
  // Returns "HTTP <status>" and, when the URL is known, " from <url>".
  const std::string& description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }
  std::int64_t status() const { return status_; }
  const std::optional<std::string>& url() const { return url_; }
  friend bool operator==(const HTTPStatusError& a, const HTTPStatusError& b) {
    return a.status_ == b.status_ && a.url_ == b.url_;
  }

 private:
  std::int64_t status_;
  std::optional<std::string> url_;
  std::string description_;
};

// A download whose announced or received length broke the size limit.
class DownloadTooLargeError : public std::exception {
 public:
  DownloadTooLargeError(std::int64_t bytes, std::int64_t limit);
  // Returns "Download of <bytes> bytes exceeds the <limit>-byte limit".
  const std::string& description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }
  std::int64_t bytes() const { return bytes_; }
  std::int64_t limit() const { return limit_; }
  friend bool operator==(const DownloadTooLargeError& a, const DownloadTooLargeError& b) {
    return a.bytes_ == b.bytes_ && a.limit_ == b.limit_;
  }

 private:
  std::int64_t bytes_;
  std::int64_t limit_;
  std::string description_;
};

// An error of the updater's own domain "VeltraUpdater": code 1 document fetch, code 2 artifact
// URL handling, code 3 decompression.
class UpdaterError : public std::exception {
 public:
  static constexpr const char* kDomain = "VeltraUpdater";
  UpdaterError(int code, std::string description)
      : code_(code), description_(std::move(description)) {}
  const std::string& description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }
  int code() const { return code_; }
  friend bool operator==(const UpdaterError& a, const UpdaterError& b) {
    return a.code_ == b.code_ && a.description_ == b.description_;
  }

 private:
  int code_;
  std::string description_;
};

// A URL-loading failure, with the platform's URL error codes and texts.
class URLError : public std::exception {
 public:
  enum class Code : int {
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
  explicit URLError(Code code, std::string detail = "");
  // Returns the platform's text for the code (for example "The request timed out.").
  const std::string& description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }
  Code code() const { return code_; }
  // Returns the transfer library's own explanation, for logs.
  const std::string& detail() const { return detail_; }
  friend bool operator==(const URLError& a, const URLError& b) { return a.code_ == b.code_; }

 private:
  Code code_;
  std::string detail_;
  std::string description_;
};

// Returns the fixed description of any error this program raises (or what() for others).
std::string describe(const std::exception& error);

// Maps an error to the failure kind published in the status file.
FailureKind classify(const std::exception& error);

}  // namespace veltra::updater
