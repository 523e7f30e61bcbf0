// A small static HTTP server for the update CDN's files, on one local address.
//
// Serves the files under a root folder by path. For tests it can also script faults per path
// (status codes, wrong or missing Content-Length, chunked bodies, stalls, dropped connections,
// redirects) and records every request it receives.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/mutex.h"

namespace httplib {
class Server;
}

namespace veltra::cdn {

// One request as the server saw it.
struct RecordedRequest {
  std::string path;
  // The raw query text ("" when there is none).
  std::string query;
  // Header names in lower case.
  std::map<std::string, std::string> headers;
};

// What the server does instead of (or on top of) serving the file, for one request.
struct Fault {
  // Respond with this status and a short text body.
  std::optional<int> status;
  // Announce this Content-Length, send the real body (or as much as fits) and close.
  std::optional<std::int64_t> announcedLength;
  // Send the body with chunked encoding and no length. With `generatedBytes` send that many
  // filler bytes instead of the file (with a Content-Length when not chunked).
  bool chunked = false;
  std::optional<std::int64_t> generatedBytes;
  // Send filler bytes, as many as `generatedBytes` or the file's size, one at a time, this many
  // milliseconds apart (a trickle).
  std::optional<int> trickleMillis;
  // Send the head, then nothing until the server stops (or the client gives up).
  bool stall = false;
  // Send half of the body, then close the connection.
  bool drop = false;
  // Answer 302 with this Location.
  std::optional<std::string> redirectTo;
};

// Owns its listening socket and worker threads; start() and stop() from one thread, the other
// operations from any thread.
class CdnServer {
 public:
  // Serves the files under `root`.
  explicit CdnServer(std::string root);
  ~CdnServer();
  CdnServer(const CdnServer&) = delete;
  CdnServer& operator=(const CdnServer&) = delete;

  // Binds `host`:`port` (0 picks a free port) and serves on background threads; returns the port.
  // Throws std::runtime_error when the address cannot be bound.
  int start(const std::string& host = "127.0.0.1", int port = 0);
  // Stops serving and releases stalled responses; idempotent.
  void stop();

  // Returns "http://<host>:<port>".
  std::string baseURL() const;

  // Queues `fault` for the next request of `path` (faults of one path apply in order, once each).
  void addFault(const std::string& path, Fault fault);
  // Makes every request of `path` get `fault` until cleared.
  void setStandingFault(const std::string& path, Fault fault);
  void clearFaults();

  // Returns every request received so far.
  std::vector<RecordedRequest> requests() const;
  // Returns the requests received for `path`.
  std::vector<RecordedRequest> requests(const std::string& path) const;

 private:
  std::optional<Fault> takeFault(const std::string& path);
  void waitUntilStopped();

  std::string root_;
  std::string host_;
  int port_ = 0;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  mutable Mutex mutex_;
  CondVar stopped_;
  bool stopping_ GUARDED_BY(mutex_) = false;
  std::map<std::string, std::deque<Fault>> faults_ GUARDED_BY(mutex_);
  std::map<std::string, Fault> standingFaults_ GUARDED_BY(mutex_);
  std::vector<RecordedRequest> requests_ GUARDED_BY(mutex_);
};

}  // namespace veltra::cdn
