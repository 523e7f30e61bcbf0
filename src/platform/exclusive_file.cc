#include "platform/exclusive_file.h"

#include <fcntl.h>

#include <cerrno>

#include "platform/system_error.h"

namespace veltra::platform {

ExclusiveFile ExclusiveFile::create(const std::string& path, FileIO& io, mode_t mode) {
  int fd = io.open(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, mode);
  if (fd < 0) throw SystemError("open", path, errno);
  return ExclusiveFile(io, fd, path);
}

ExclusiveFile::ExclusiveFile(ExclusiveFile&& other) noexcept
    : io_(other.io_),
      fd_(other.fd_),
      path_(std::move(other.path_)),
      size_(other.size_),
      writebackEvery_(other.writebackEvery_),
      writebackStarted_(other.writebackStarted_) {
  other.fd_ = -1;
  other.path_.clear();
}

ExclusiveFile& ExclusiveFile::operator=(ExclusiveFile&& other) noexcept {
  if (this != &other) {
    release();
    io_ = other.io_;
    fd_ = other.fd_;
    path_ = std::move(other.path_);
    size_ = other.size_;
    writebackEvery_ = other.writebackEvery_;
    writebackStarted_ = other.writebackStarted_;
    other.fd_ = -1;
    other.path_.clear();
  }
  return *this;
}

ExclusiveFile::~ExclusiveFile() { release(); }

void ExclusiveFile::release() noexcept {
  if (fd_ >= 0) io_->close(fd_);
  fd_ = -1;
  if (!path_.empty()) io_->unlink(path_);
  path_.clear();
}

void ExclusiveFile::append(ByteView bytes) {
  writeAll(*io_, fd_, bytes.data(), bytes.size(), path_);
  size_ += bytes.size();
  if (writebackEvery_ != 0 && size_ - writebackStarted_ >= writebackEvery_) {
#if defined(__linux__)
    // Only starts the write-back; it neither waits nor reports, durability is publish()'s job.
    ::sync_file_range(fd_, static_cast<off_t>(writebackStarted_),
                      static_cast<off_t>(size_ - writebackStarted_), SYNC_FILE_RANGE_WRITE);
#endif
    writebackStarted_ = size_;
  }
}

void ExclusiveFile::publish(mode_t mode) {
  if (io_->fchmod(fd_, mode) != 0) throw SystemError("fchmod", path_, errno);
  if (io_->fsync(fd_) != 0) throw SystemError("fsync", path_, errno);
}

void ExclusiveFile::renameTo(const std::string& to) {
  if (io_->rename(path_, to) != 0) throw SystemError("rename", to, errno);
  path_ = to;
}

void ExclusiveFile::close() {
  if (fd_ < 0) return;
  int rc = io_->close(fd_);
  fd_ = -1;
  if (rc != 0) throw SystemError("close", path_, errno);
}

}  // namespace veltra::platform
