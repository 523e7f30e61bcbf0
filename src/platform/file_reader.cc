#include "platform/file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/system_error.h"

namespace veltra::platform {

FileReader::FileReader(const std::string& path) : path_(path) {
  // O_NONBLOCK keeps the open from waiting for a FIFO's writer; reads of a regular file ignore it.
  do {
    fd_ = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) {
    const int error = errno;
    struct stat info {};
    // O_NOFOLLOW reports a link as ELOOP (EMLINK on some BSDs), which strerror words as a loop.
    if ((error == ELOOP || error == EMLINK) && ::lstat(path.c_str(), &info) == 0 &&
        S_ISLNK(info.st_mode)) {
      throw SystemError("open", path, error, "is a symbolic link (links are not followed)");
    }
    throw SystemError("open", path, error);
  }
  struct stat info {};
  if (::fstat(fd_, &info) != 0) {
    const int error = errno;
    ::close(fd_);
    throw SystemError("fstat", path, error);
  }
  if (!S_ISREG(info.st_mode)) {
    ::close(fd_);
    throw SystemError("open", path, S_ISDIR(info.st_mode) ? EISDIR : EINVAL,
                      "is not a regular file");
  }
  size_ = static_cast<std::uint64_t>(info.st_size);
}

FileReader::~FileReader() {
  if (fd_ >= 0) ::close(fd_);
}

FileReader::FileReader(FileReader&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)), size_(other.size_) {}

FileReader& FileReader::operator=(FileReader&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    path_ = std::move(other.path_);
    fd_ = std::exchange(other.fd_, -1);
    size_ = other.size_;
  }
  return *this;
}

std::size_t FileReader::readAt(std::uint64_t offset, std::span<std::uint8_t> buffer) const {
  std::size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t n =
        ::pread(fd_, buffer.data() + done, buffer.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw SystemError("pread", path_, errno);
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

}  // namespace veltra::platform
