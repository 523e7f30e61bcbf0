#include "support/faulty_file_system.h"

#include <algorithm>

namespace veltra::testing {

namespace {

// The name of the POSIX call whose failure a fault stands for, as the real file system names it.
const char* operationName(FileCall call) {
  switch (call) {
    case FileCall::open:
      return "open";
    case FileCall::read:
    case FileCall::readAt:
      return "read";
    case FileCall::write:
    case FileCall::writeAt:
      return "write";
    case FileCall::sync:
    case FileCall::syncDirectory:
      return "fsync";
    case FileCall::truncate:
      return "ftruncate";
    case FileCall::setPermissions:
      return "fchmod";
    case FileCall::close:
      return "close";
    case FileCall::rename:
      return "rename";
    case FileCall::link:
      return "link";
    case FileCall::remove:
      return "unlink";
    case FileCall::createDirectory:
      break;
  }
  return "mkdir";
}

// Forwards to the wrapped file, asking the file system about every call first.
class FaultyFile : public platform::File {
 public:
  FaultyFile(FaultyFileSystem& owner, std::unique_ptr<platform::File> inner, std::string path)
      : owner_(owner), inner_(std::move(inner)), path_(std::move(path)) {}

  std::size_t read(void* data, std::size_t size) override {
    owner_.check(FileCall::read, path_);
    return inner_->read(data, size);
  }
  std::size_t readAt(std::uint64_t offset, void* data, std::size_t size) override {
    owner_.check(FileCall::readAt, path_);
    return inner_->readAt(offset, data, size);
  }
  void append(ByteView bytes) override {
    owner_.check(FileCall::write, path_);
    inner_->append(bytes);
  }
  void writeAt(std::uint64_t offset, ByteView bytes) override {
    owner_.check(FileCall::writeAt, path_);
    inner_->writeAt(offset, bytes);
  }
  void sync() override {
    owner_.check(FileCall::sync, path_);
    inner_->sync();
  }
  void truncate(std::uint64_t size) override {
    owner_.check(FileCall::truncate, path_);
    inner_->truncate(size);
  }
  void setPermissions(mode_t mode) override {
    owner_.check(FileCall::setPermissions, path_);
    inner_->setPermissions(mode);
  }
  platform::FileStatus status() override { return inner_->status(); }
  int tryLockExclusive() override { return inner_->tryLockExclusive(); }
  void startWriteback(std::uint64_t offset, std::uint64_t length) override {
    inner_->startWriteback(offset, length);
  }
  void close() override {
    // A close always releases the file, even when it reports a failure.
    try {
      owner_.check(FileCall::close, path_);
    } catch (...) {
      inner_.reset();
      throw;
    }
    if (inner_) inner_->close();
  }
  int nativeHandle() const override { return inner_ ? inner_->nativeHandle() : -1; }

 private:
  FaultyFileSystem& owner_;
  std::unique_ptr<platform::File> inner_;
  std::string path_;
};

}  // namespace

void FaultyFileSystem::failOn(FileCall call, int nth, int error, bool sticky) {
  std::lock_guard<std::mutex> guard(mutex_);
  faults_.push_back({call, nth, error, sticky, ""});
}

void FaultyFileSystem::failOnPath(FileCall call, std::string pathPart, int error) {
  std::lock_guard<std::mutex> guard(mutex_);
  faults_.push_back({call, 1, error, true, std::move(pathPart)});
}

void FaultyFileSystem::reset() {
  std::lock_guard<std::mutex> guard(mutex_);
  faults_.clear();
}

std::vector<FileCall> FaultyFileSystem::calls() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return calls_;
}

int FaultyFileSystem::count(FileCall call) const {
  std::lock_guard<std::mutex> guard(mutex_);
  return static_cast<int>(std::count(calls_.begin(), calls_.end(), call));
}

void FaultyFileSystem::check(FileCall call, const std::string& path) {
  std::lock_guard<std::mutex> guard(mutex_);
  calls_.push_back(call);
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->call != call) continue;
    if (!it->pathPart.empty() && path.find(it->pathPart) == std::string::npos) continue;
    if (--it->remaining > 0) continue;
    const int error = it->error;
    if (it->sticky) {
      it->remaining = 1;
    } else {
      faults_.erase(it);
    }
    throw platform::SystemError(operationName(call), path, error);
  }
}

std::unique_ptr<platform::File> FaultyFileSystem::open(const std::string& path,
                                                       const platform::OpenOptions& options) {
  check(FileCall::open, path);
  return std::make_unique<FaultyFile>(*this, inner_.open(path, options), path);
}

void FaultyFileSystem::rename(const std::string& from, const std::string& to) {
  check(FileCall::rename, to);
  inner_.rename(from, to);
}

void FaultyFileSystem::link(const std::string& from, const std::string& to) {
  check(FileCall::link, to);
  inner_.link(from, to);
}

void FaultyFileSystem::remove(const std::string& path) {
  check(FileCall::remove, path);
  inner_.remove(path);
}

void FaultyFileSystem::syncDirectory(const std::string& path) {
  check(FileCall::syncDirectory, path.empty() ? "." : path);
  inner_.syncDirectory(path);
}

void FaultyFileSystem::createDirectory(const std::string& path, mode_t mode) {
  check(FileCall::createDirectory, path);
  inner_.createDirectory(path, mode);
}

}  // namespace veltra::testing
