#include "updater/transport.h"

#include <chrono>

namespace veltra::updater {

namespace {

bool isAcceptedScheme(const std::string& url) {
  auto scheme = urlScheme(url);
  return scheme && (*scheme == "https" || *scheme == "http" || *scheme == "file");
}

// Collects a document, refusing bodies above a limit.
class DocumentCollector : public TransferDelegate {
 public:
  explicit DocumentCollector(std::int64_t limit) : limit_(limit) {}
  bool didReceiveResponse(const TransferResponse& response) override {
    status_ = response.httpStatus;
    return !response.httpStatus || (*response.httpStatus >= 200 && *response.httpStatus <= 299);
  }
  bool didReceiveData(ByteView chunk) override {
    if (static_cast<std::int64_t>(body_.size() + chunk.size()) > limit_) {
      tooLarge_ = true;
      return false;
    }
    body_.insert(body_.end(), chunk.begin(), chunk.end());
    return true;
  }
  std::optional<std::int64_t> status_;
  bool tooLarge_ = false;
  Bytes body_;

 private:
  std::int64_t limit_;
};

}  // namespace

Transport::Transport(const TransportSettings& settings, const platform::Clock& clock,
                     Console& console)
    : settings_(settings), clock_(clock), console_(console) {}

std::int64_t Transport::timeStamp() const {
  using namespace std::chrono;
  return duration_cast<seconds>(clock_.now().time_since_epoch()).count();
}

Bytes Transport::fetchWithCacheBuster(const std::string& url, const std::string& label,
                                      bool verbose) {
  std::int64_t stamp = timeStamp();
  if (!isAcceptedScheme(url)) throw UpdaterError(1, "Invalid " + label + " URL");
  auto busted = cacheBustedURL(url, stamp);
  if (!busted) throw UpdaterError(1, "Failed to create cache-busted " + label + " URL");
  if (verbose) console_.say("Fetching " + label + " with cache buster: " + *busted);
  DocumentCollector collector(settings_.maxDocumentBytes);
  TransferRequest request{.url = *busted,
                          .inactivityTimeoutSeconds = settings_.documentTimeoutSeconds,
                          .totalTimeoutSeconds = settings_.documentTotalSeconds,
                          .minimumBytesPerSecond = settings_.minimumBytesPerSecond,
                          .rateWindowSeconds = settings_.rateWindowSeconds};
  if (auto failure = performTransfer(request, collector)) throw *failure;
  if (collector.status_ && (*collector.status_ < 200 || *collector.status_ > 299)) {
    throw UpdaterError(1, "HTTP error fetching " + label);
  }
  if (collector.tooLarge_) {
    throw UpdaterError(1, "The " + label + " exceeds the " +
                              std::to_string(settings_.maxDocumentBytes) + "-byte limit");
  }
  return std::move(collector.body_);
}

std::int64_t Transport::downloadBlocklist(const std::string& urlString, bool verbose,
                                          ProgressCallback onProgress, BodySink& sink,
                                          bool allowFileURL) {
  auto scheme = urlScheme(urlString);
  if (!scheme) throw UpdaterError(2, "Invalid blocklist URL: " + urlString);
  std::int64_t stamp = timeStamp();
  if (!isAcceptedScheme(urlString))
    throw UpdaterError(2, "Invalid blocklist URL components: " + urlString);
  if (*scheme == "file" && !allowFileURL) {
    throw UpdaterError(2,
                       "Refused blocklist URL with scheme file (only http and https are "
                       "allowed from a CDN reached over the network): " +
                           urlString);
  }
  auto busted = cacheBustedURL(urlString, stamp);
  if (!busted) throw UpdaterError(2, "Failed to create cache-busted blocklist URL");
  if (verbose) console_.say("Downloading blocklist with cache buster: " + *busted);
  DownloadAccumulator accumulator(std::move(onProgress), sink, settings_.maxDownloadBytes);
  return accumulator.run({.url = *busted,
                          .inactivityTimeoutSeconds = settings_.artifactTimeoutSeconds,
                          .totalTimeoutSeconds = settings_.artifactTotalSeconds,
                          .minimumBytesPerSecond = settings_.minimumBytesPerSecond,
                          .rateWindowSeconds = settings_.rateWindowSeconds});
}

}  // namespace veltra::updater
