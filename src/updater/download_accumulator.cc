#include "updater/download_accumulator.h"

namespace veltra::updater {

DownloadAccumulator::DownloadAccumulator(ProgressCallback onProgress, BodySink& sink,
                                         std::int64_t limit)
    : sink_(sink), limit_(limit), onProgress_(std::move(onProgress)) {}

std::int64_t DownloadAccumulator::run(const TransferRequest& request) {
  requestURL_ = request.url;
  auto failure = performTransfer(request, *this);
  didComplete(failure ? std::make_exception_ptr(*failure) : nullptr);
  if (error_) std::rethrow_exception(error_);
  return received_;
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
  return true;
}

bool DownloadAccumulator::didReceiveData(ByteView chunk) {
  if (completed_) return false;
  // Checked before the sink sees the chunk, so that nothing past the limit is ever kept.
  std::int64_t length = received_ + static_cast<std::int64_t>(chunk.size());
  if (length > limit_) {
    complete(std::make_exception_ptr(DownloadTooLargeError(length, limit_)));
    return false;
  }
  try {
    sink_.append(chunk);
  } catch (...) {
    complete(std::current_exception());
    return false;
  }
  received_ = length;
  if (onProgress_) onProgress_(received_, expected_);
  return true;
}

void DownloadAccumulator::didComplete(std::exception_ptr error) {
  if (completed_) return;
  complete(error);
}

}  // namespace veltra::updater
