#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

}  // namespace veltra::platform
