#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/system_error.h"

namespace veltra::platform {

int openLockFile(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw SystemError("open", path, errno);
  ::fchmod(fd, 0644);  // a restrictive umask must not lock out other users of the file
  return fd;
}

int openExistingLockFile(const std::string& path) {
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

int tryLockExclusive(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : errno; }

int lockExclusive(int fd) {
  for (;;) {
    if (::flock(fd, LOCK_EX) == 0) return 0;
    if (errno != EINTR) return errno;
  }
}

void closeDescriptor(int fd) {
  if (fd >= 0) ::close(fd);
}

}  // namespace veltra::platform
