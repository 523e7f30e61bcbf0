#include "cdn_server.h"

#include <httplib.h>
#include <algorithm>
#include <chrono>
#include <memory>
#include <stdexcept>

#include "platform/file_system.h"
#include "platform/system_error.h"

namespace veltra::cdn {

namespace {

constexpr std::size_t kChunk = 1 << 20;

std::string contentType(const std::string& path) {
  return path.size() >= 5 && path.compare(path.size() - 5, 5, ".json") == 0
             ? "application/json"
             : "application/octet-stream";
}

// Maps a request path to a regular file under root, and returns the file and its size; nothing
// for paths that leave root and for what is no regular file (a link is not followed).
// Opens `file` read-only; a link at its name is not followed and anything but a regular file is
// refused without being waited on. Throws SystemError.
std::unique_ptr<platform::File> openServed(const std::string& file) {
  return platform::FileSystem::real().open(
      file, {.mode = platform::OpenMode::read, .names = platform::NamePolicy::regularOnly});
}

std::optional<std::pair<std::string, std::int64_t>> resolve(const std::string& root,
                                                            const std::string& path) {
  if (path.empty() || path[0] != '/' || path.find("..") != std::string::npos) return std::nullopt;
  std::string file = root + path;
  try {
    return std::make_pair(file, static_cast<std::int64_t>(openServed(file)->status().size));
  } catch (const platform::SystemError&) {
    return std::nullopt;
  }
}

// Reads up to `length` bytes at `offset` of the file, opened anew; empty at the end or on error.
std::string readRange(const std::string& file, std::size_t offset, std::size_t length) {
  std::string buffer(length, '\0');
  try {
    const std::size_t n = openServed(file)->readAt(offset, buffer.data(), buffer.size());
    buffer.resize(n);
  } catch (const platform::SystemError&) {
    return {};
  }
  return buffer;
}

}  // namespace

CdnServer::CdnServer(std::string root)
    : root_(std::move(root)), server_(std::make_unique<httplib::Server>()) {
  server_->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
    RecordedRequest record;
    record.path = request.path;
    auto question = request.target.find('?');
    if (question != std::string::npos) record.query = request.target.substr(question + 1);
    for (const auto& [name, value] : request.headers) {
      std::string lower = name;
      std::transform(lower.begin(), lower.end(), lower.begin(),
                     [](unsigned char c) { return std::tolower(c); });
      record.headers[lower] = value;
    }
    {
      MutexLock guard(mutex_);
      requests_.push_back(record);
    }
    std::optional<Fault> fault = takeFault(request.path);
    if (fault && fault->redirectTo) {
      response.set_redirect(*fault->redirectTo);
      return;
    }
    if (fault && fault->status) {
      response.status = *fault->status;
      response.set_content("status " + std::to_string(*fault->status) + "\n", "text/plain");
      return;
    }
    auto file = resolve(root_, request.path);
    if (!file && !(fault && fault->generatedBytes)) {
      response.status = 404;
      response.set_content("not found\n", "text/plain");
      return;
    }
    std::string path = file ? file->first : "";
    std::int64_t size = file ? file->second : 0;
    std::string type = contentType(request.path);
    if (fault && fault->stall) {
      response.set_content_provider(static_cast<std::size_t>(std::max<std::int64_t>(size, 1)), type,
                                    [this](std::size_t, std::size_t, httplib::DataSink&) {
                                      waitUntilStopped();
                                      return false;
                                    });
      return;
    }
    if (fault && fault->trickleMillis) {
      std::int64_t total = fault->generatedBytes.value_or(size);
      int millis = *fault->trickleMillis;
      response.set_content_provider(
          static_cast<std::size_t>(total), type,
          [this, millis](std::size_t, std::size_t, httplib::DataSink& sink) {
            MutexLock lock(mutex_);
            auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(millis);
            while (!stopping_ && stopped_.waitUntil(mutex_, deadline)) {
            }
            if (stopping_) return false;
            lock.unlock();
            return sink.write("x", 1);
          });
      return;
    }
    if (fault && fault->generatedBytes && !fault->chunked) {
      std::int64_t total = *fault->generatedBytes;
      response.set_content_provider(
          static_cast<std::size_t>(total), type,
          [this, total](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            {
              MutexLock guard(mutex_);
              if (stopping_) return false;
            }
            std::size_t n =
                std::min<std::size_t>({length, kChunk, static_cast<std::size_t>(total) - offset});
            std::string piece(n, 'x');
            return sink.write(piece.data(), piece.size());
          });
      return;
    }
    if (fault && fault->chunked) {
      std::int64_t total = fault->generatedBytes.value_or(size);
      bool generated = fault->generatedBytes.has_value();
      response.set_chunked_content_provider(type, [this, path, total, generated](
                                                      std::size_t offset, httplib::DataSink& sink) {
        if (static_cast<std::int64_t>(offset) >= total) {
          sink.done();
          return true;
        }
        std::size_t length =
            std::min<std::size_t>(kChunk, static_cast<std::size_t>(total) - offset);
        std::string piece = generated ? std::string(length, 'x') : readRange(path, offset, length);
        if (piece.empty()) return false;
        {
          MutexLock guard(mutex_);
          if (stopping_) return false;
        }
        return sink.write(piece.data(), piece.size());
      });
      return;
    }
    std::int64_t announced = fault && fault->announcedLength ? *fault->announcedLength : size;
    std::int64_t sendLimit = fault && fault->drop ? size / 2 : std::min(size, announced);
    bool closeEarly = (fault && fault->drop) || announced > size;
    response.set_content_provider(
        static_cast<std::size_t>(announced), type,
        [path, sendLimit, closeEarly](std::size_t offset, std::size_t length,
                                      httplib::DataSink& sink) {
          if (static_cast<std::int64_t>(offset) >= sendLimit) return !closeEarly;
          std::size_t n =
              std::min<std::size_t>({length, kChunk, static_cast<std::size_t>(sendLimit) - offset});
          std::string piece = readRange(path, offset, n);
          if (piece.empty()) return false;
          return sink.write(piece.data(), piece.size());
        });
  });
}

CdnServer::~CdnServer() { stop(); }

int CdnServer::start(const std::string& host, int port) {
  host_ = host;
  port_ =
      port == 0 ? server_->bind_to_any_port(host) : (server_->bind_to_port(host, port) ? port : -1);
  if (port_ <= 0) throw std::runtime_error("cannot listen on " + host + ":" + std::to_string(port));
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // stop() only takes effect once the accept loop runs; wait for it to start.
  while (!server_->is_running()) std::this_thread::yield();
  return port_;
}

void CdnServer::stop() {
  {
    MutexLock guard(mutex_);
    stopping_ = true;
  }
  stopped_.notifyAll();
  if (server_) server_->stop();
  if (thread_.joinable()) thread_.join();
}

std::string CdnServer::baseURL() const { return "http://" + host_ + ":" + std::to_string(port_); }

void CdnServer::addFault(const std::string& path, Fault fault) {
  MutexLock guard(mutex_);
  faults_[path].push_back(std::move(fault));
}

void CdnServer::setStandingFault(const std::string& path, Fault fault) {
  MutexLock guard(mutex_);
  standingFaults_[path] = std::move(fault);
}

void CdnServer::clearFaults() {
  MutexLock guard(mutex_);
  faults_.clear();
  standingFaults_.clear();
}

std::vector<RecordedRequest> CdnServer::requests() const {
  MutexLock guard(mutex_);
  return requests_;
}

std::vector<RecordedRequest> CdnServer::requests(const std::string& path) const {
  std::vector<RecordedRequest> matching;
  for (auto& request : requests()) {
    if (request.path == path) matching.push_back(request);
  }
  return matching;
}

std::optional<Fault> CdnServer::takeFault(const std::string& path) {
  MutexLock guard(mutex_);
  auto queued = faults_.find(path);
  if (queued != faults_.end() && !queued->second.empty()) {
    Fault fault = queued->second.front();
    queued->second.pop_front();
    return fault;
  }
  auto standing = standingFaults_.find(path);
  if (standing != standingFaults_.end()) return standing->second;
  return std::nullopt;
}

void CdnServer::waitUntilStopped() {
  MutexLock lock(mutex_);
  while (!stopping_) stopped_.wait(mutex_);
}

}  // namespace veltra::cdn
