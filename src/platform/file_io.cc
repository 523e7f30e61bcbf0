#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/system_error.h"

namespace veltra::platform {

FileIO& FileIO::real() {
  static RealFileIO instance;
  return instance;
}

int RealFileIO::open(const std::string& path, int flags, mode_t mode) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

ssize_t RealFileIO::write(int fd, const void* data, std::size_t size) {
  return ::write(fd, data, size);
}

ssize_t RealFileIO::pwrite(int fd, const void* data, std::size_t size, off_t offset) {
  return ::pwrite(fd, data, size, offset);
}

ssize_t RealFileIO::pread(int fd, void* data, std::size_t size, off_t offset) {
  return ::pread(fd, data, size, offset);
}

int RealFileIO::fsync(int fd) {
#if defined(__APPLE__)
  // fsync on Darwin does not flush the drive's cache; F_FULLFSYNC does.
  if (::fcntl(fd, F_FULLFSYNC) == 0) return 0;
#endif
  return ::fsync(fd);
}

int RealFileIO::ftruncate(int fd, off_t length) { return ::ftruncate(fd, length); }
int RealFileIO::fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
int RealFileIO::close(int fd) { return ::close(fd); }
int RealFileIO::rename(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str());
}
int RealFileIO::link(const std::string& from, const std::string& to) {
  return ::link(from.c_str(), to.c_str());
}
int RealFileIO::unlink(const std::string& path) { return ::unlink(path.c_str()); }

void writeAll(FileIO& io, int fd, const void* data, std::size_t size, const std::string& path) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = io.write(fd, bytes + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw SystemError("write", path, errno);
    }
    if (n == 0) throw SystemError("write", path, EIO);
    done += static_cast<std::size_t>(n);
  }
}

std::size_t readSome(FileIO& io, int fd, void* data, std::size_t size, off_t offset,
                     const std::string& path) {
  for (;;) {
    ssize_t n = io.pread(fd, data, size, offset);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) throw SystemError("read", path, errno);
  }
}

}  // namespace veltra::platform
