#include "platform/no_follow_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "platform/system_error.h"

namespace veltra::platform {

namespace {

const char* kindName(mode_t mode) {
  if (S_ISREG(mode)) return "a regular file";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "a special file";
}

const char* expectedName(ExpectedFile expected) {
  switch (expected) {
    case ExpectedFile::regularFile:
      return "a regular file";
    case ExpectedFile::directory:
      return "a folder";
    case ExpectedFile::regularFileOrDirectory:
      break;
  }
  return "a regular file or folder";
}

bool isExpected(mode_t mode, ExpectedFile expected) {
  switch (expected) {
    case ExpectedFile::regularFile:
      return S_ISREG(mode);
    case ExpectedFile::directory:
      return S_ISDIR(mode);
    case ExpectedFile::regularFileOrDirectory:
      break;
  }
  return S_ISREG(mode) || S_ISDIR(mode);
}

bool isSymbolicLink(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

SystemError openFailure(const std::string& path, int error, const std::string& operation) {
  // O_NOFOLLOW reports a link as ELOOP (EMLINK on some BSDs), which strerror words as a loop;
  // ELOOP can also be a real loop among the folders above, so the name itself is looked at.
  if ((error == ELOOP || error == EMLINK) && isSymbolicLink(path))
    return SystemError(operation, path, error, "is a symbolic link (links are not followed)");
  if (error == EISDIR)
    return SystemError(operation, path, error, "is a folder, not a regular file");
  return SystemError(operation, path, error);
}

// Returns why the open file cannot be used, or nothing when it can.
std::optional<SystemError> refusal(int fd, const std::string& path, int flags,
                                   ExpectedFile expected, const std::string& operation) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return SystemError(operation, path, errno);
  if (!isExpected(info.st_mode, expected)) {
    return SystemError(
        operation, path, S_ISDIR(info.st_mode) ? EISDIR : EINVAL,
        std::string("is ") + kindName(info.st_mode) + ", not " + expectedName(expected));
  }
  if (S_ISREG(info.st_mode) && info.st_nlink > 1) {
    return SystemError(operation, path, EMLINK,
                       "has " + std::to_string(info.st_nlink) +
                           " hard links (a file with other names is not used)");
  }
  if ((flags & O_NONBLOCK) == 0) {
    int status = ::fcntl(fd, F_GETFL);
    if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0)
      return SystemError("fcntl", path, errno);
  }
  return std::nullopt;
}

}  // namespace

int openWithoutFollowing(const std::string& path, int flags, mode_t mode, ExpectedFile expected,
                         const std::string& operation) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw openFailure(path, errno, operation);
  if (auto refused = refusal(fd, path, flags, expected, operation)) {
    ::close(fd);
    throw *refused;
  }
  return fd;
}

}  // namespace veltra::platform
