#include "support/faulty_file_io.h"

#include <algorithm>

namespace veltra::testing {

void FaultyFileIO::failOn(FileCall call, int nth, int error, bool sticky) {
  std::lock_guard<std::mutex> guard(mutex_);
  faults_.push_back({call, nth, error, sticky, ""});
}

void FaultyFileIO::failOnPath(FileCall call, std::string pathPart, int error) {
  std::lock_guard<std::mutex> guard(mutex_);
  faults_.push_back({call, 1, error, true, std::move(pathPart)});
}

void FaultyFileIO::reset() {
  std::lock_guard<std::mutex> guard(mutex_);
  faults_.clear();
}

std::vector<FileCall> FaultyFileIO::calls() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return calls_;
}

int FaultyFileIO::count(FileCall call) const {
  std::lock_guard<std::mutex> guard(mutex_);
  return static_cast<int>(std::count(calls_.begin(), calls_.end(), call));
}

int FaultyFileIO::shouldFail(FileCall call, const std::string& path) {
  std::lock_guard<std::mutex> guard(mutex_);
  calls_.push_back(call);
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->call != call) continue;
    if (!it->pathPart.empty() && path.find(it->pathPart) == std::string::npos) continue;
    if (--it->remaining > 0) continue;
    int error = it->error;
    if (it->sticky) {
      it->remaining = 1;
    } else {
      faults_.erase(it);
    }
    return error;
  }
  return 0;
}

#define VELTRA_FAULT(call, failure) \
  if (int e = shouldFail(call)) {   \
    errno = e;                      \
    return failure;                 \
  }

int FaultyFileIO::open(const std::string& path, int flags, mode_t mode) {
  if (int e = shouldFail(FileCall::open, path)) {
    errno = e;
    return -1;
  }
  return real_.open(path, flags, mode);
}
ssize_t FaultyFileIO::write(int fd, const void* data, std::size_t size) {
  VELTRA_FAULT(FileCall::write, -1);
  return real_.write(fd, data, size);
}
ssize_t FaultyFileIO::pwrite(int fd, const void* data, std::size_t size, off_t offset) {
  VELTRA_FAULT(FileCall::pwrite, -1);
  return real_.pwrite(fd, data, size, offset);
}
ssize_t FaultyFileIO::pread(int fd, void* data, std::size_t size, off_t offset) {
  VELTRA_FAULT(FileCall::pread, -1);
  return real_.pread(fd, data, size, offset);
}
int FaultyFileIO::fsync(int fd) {
  VELTRA_FAULT(FileCall::fsync, -1);
  return real_.fsync(fd);
}
int FaultyFileIO::ftruncate(int fd, off_t length) {
  VELTRA_FAULT(FileCall::ftruncate, -1);
  return real_.ftruncate(fd, length);
}
int FaultyFileIO::fchmod(int fd, mode_t mode) {
  VELTRA_FAULT(FileCall::fchmod, -1);
  return real_.fchmod(fd, mode);
}
int FaultyFileIO::close(int fd) {
  // A close always releases the descriptor, even when it reports a failure.
  if (int e = shouldFail(FileCall::close)) {
    real_.close(fd);
    errno = e;
    return -1;
  }
  return real_.close(fd);
}
int FaultyFileIO::rename(const std::string& from, const std::string& to) {
  if (int e = shouldFail(FileCall::rename, to)) {
    errno = e;
    return -1;
  }
  return real_.rename(from, to);
}
int FaultyFileIO::link(const std::string& from, const std::string& to) {
  if (int e = shouldFail(FileCall::link, to)) {
    errno = e;
    return -1;
  }
  return real_.link(from, to);
}
int FaultyFileIO::unlink(const std::string& path) {
  if (int e = shouldFail(FileCall::unlink, path)) {
    errno = e;
    return -1;
  }
  return real_.unlink(path);
}

#undef VELTRA_FAULT

}  // namespace veltra::testing
