// Collects one artifact download in memory under a hard size limit.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>

#include "core/bytes.h"
#include "updater/http_transfer.h"

namespace veltra::updater {

using ProgressCallback =
    std::function<void(std::int64_t bytesReceived, std::int64_t bytesExpected)>;

inline constexpr std::int64_t maxDownloadBytes = 536870912;

// The delegate of one artifact download. A non-2xx status fails with HTTPStatusError, an
// announced or received length above the limit with DownloadTooLargeError; progress is reported
// on every chunk. The first failure completes the run; later callbacks are ignored.
// Owns the body; used by one transfer on one thread.
class DownloadAccumulator : public TransferDelegate {
 public:
  explicit DownloadAccumulator(ProgressCallback onProgress, std::int64_t limit = maxDownloadBytes);

  // Performs the transfer and returns the body, or throws the first failure.
  Bytes run(const TransferRequest& request);

  bool didReceiveResponse(const TransferResponse& response) override;
  bool didReceiveData(ByteView chunk) override;
  // Completes the run with `error`, or with the body when null; ignored after a completion.
  void didComplete(std::exception_ptr error);

  // Returns the announced length (0 when unknown).
  std::int64_t expected() const { return expected_; }
  // Tells whether the run has been completed.
  bool completed() const { return completed_; }

 private:
  void complete(std::exception_ptr error);

  Bytes data_;
  std::int64_t expected_ = 0;
  std::int64_t limit_;
  ProgressCallback onProgress_;
  std::string requestURL_;
  bool completed_ = false;
  std::exception_ptr error_;
};

}  // namespace veltra::updater
