#include "updater/download_accumulator.h"

namespace veltra::updater {

DownloadAccumulator::DownloadAccumulator(ProgressCallback onProgress, std::int64_t limit)
    : limit_(limit), onProgress_(std::move(onProgress)) {}

Bytes DownloadAccumulator::run(const TransferRequest& request) {
  requestURL_ = request.url;
  auto failure = performTransfer(request, *this);
  didComplete(failure ? std::make_exception_ptr(*failure) : nullptr);
  if (error_) std::rethrow_exception(error_);
  return std::move(data_);
}

void DownloadAccumulator::complete(std::exception_ptr error) {
  completed_ = true;
  error_ = error;
}

bool DownloadAccumulator::didReceiveResponse(const TransferResponse& response) {
  if (completed_) return false;
  if (response.httpStatus && (*response.httpStatus < 200 || *response.httpStatus > 299)) {
    std::optional<std::string> url;
    if (!response.url.empty()) {
      url = response.url;
    } else if (!requestURL_.empty()) {
      url = requestURL_;
    }
    complete(std::make_exception_ptr(HTTPStatusError(*response.httpStatus, url)));
    return false;
  }
  expected_ = response.announcedLength < 0 ? 0 : response.announcedLength;
  if (response.announcedLength > limit_) {
    complete(std::make_exception_ptr(DownloadTooLargeError(response.announcedLength, limit_)));
    return false;
  }
  if (response.announcedLength > 0)
    data_.reserve(static_cast<std::size_t>(response.announcedLength));
  return true;
}

bool DownloadAccumulator::didReceiveData(ByteView chunk) {
  if (completed_) return false;
  // Check before appending so that memory never grows past the limit.
  if (static_cast<std::int64_t>(data_.size() + chunk.size()) > limit_) {
    std::int64_t length = static_cast<std::int64_t>(data_.size() + chunk.size());
    complete(std::make_exception_ptr(DownloadTooLargeError(length, limit_)));
    Bytes().swap(data_);
    return false;
  }
  data_.insert(data_.end(), chunk.begin(), chunk.end());
  if (onProgress_) onProgress_(static_cast<std::int64_t>(data_.size()), expected_);
  return true;
}

void DownloadAccumulator::didComplete(std::exception_ptr error) {
  if (completed_) return;
  complete(error);
}

}  // namespace veltra::updater
