#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/no_follow_open.h"
#include "platform/system_error.h"

namespace veltra::platform {

int openLockFile(const std::string& path) {
  // Lock files live in folders other users may write to; whatever is planted at the name other
  // than our own regular file is refused, so the chmod below only ever reaches that file.
  int fd = openWithoutFollowing(path, O_RDWR | O_CREAT, 0644, ExpectedFile::regularFile);
  ::fchmod(fd, 0644);  // a restrictive umask must not lock out other users of the file
  return fd;
}

int openExistingLockFile(const std::string& path) {
  try {
    return openWithoutFollowing(path, O_RDONLY, 0, ExpectedFile::regularFile);
  } catch (const SystemError& error) {
    errno = error.errorNumber();
    return -1;
  }
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
