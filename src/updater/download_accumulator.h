// Receives one artifact download under a hard size limit, passing the body on as it arrives.
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

// Where a download's body goes, chunk by chunk, as it arrives.
class BodySink {
 public:
  virtual ~BodySink() = default;
  // Takes the next chunk of the body; throws (platform::SystemError) when it cannot keep it.
  virtual void append(ByteView chunk) = 0;
};

// The delegate of one artifact download. A non-2xx status fails with HTTPStatusError, an
// announced or received length above the limit with DownloadTooLargeError, a sink that cannot
// keep a chunk with the sink's error; progress is reported on every chunk. The first failure
// completes the run; later callbacks are ignored. Holds no body: each chunk goes straight to the
// sink, so memory stays the same whatever the server sends. Does not own the sink; used by one
// transfer on one thread.
class DownloadAccumulator : public TransferDelegate {
 public:
  DownloadAccumulator(ProgressCallback onProgress, BodySink& sink,
                      std::int64_t limit = maxDownloadBytes);

  // Performs the transfer and returns the length of the body the sink received, or throws the
  // first failure.
  std::int64_t run(const TransferRequest& request);

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

  BodySink& sink_;
  std::int64_t received_ = 0;
  std::int64_t expected_ = 0;
  std::int64_t limit_;
  ProgressCallback onProgress_;
  std::string requestURL_;
  bool completed_ = false;
  std::exception_ptr error_;
};

}  // namespace veltra::updater
