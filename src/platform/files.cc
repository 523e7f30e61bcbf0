#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <random>

#include "platform/no_follow_open.h"

namespace veltra::platform {

namespace {

std::string uniqueTempSibling(const std::string& path) {
  static thread_local std::mt19937_64 generator{std::random_device{}()};
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix;
  for (int i = 0; i < 8; ++i) suffix.push_back(kAlphabet[generator() % 36]);
  return path + ".tmp-" + suffix;
}

// Sets the mode through a descriptor: chmod by path would follow a link planted at the name and
// re-mode its target.
void changeMode(const std::string& path, mode_t mode, ExpectedFile expected) {
  int fd = openWithoutFollowing(path, O_RDONLY, 0, expected, "chmod");
  int rc = ::fchmod(fd, mode);
  int savedErrno = errno;
  ::close(fd);
  if (rc != 0) throw SystemError("chmod", path, savedErrno);
}

}  // namespace

void syncDirectory(const std::string& path, FileIO& io) {
  std::string folder = path.empty() ? "." : path;
  int fd = io.open(folder, O_RDONLY | O_DIRECTORY, 0);
  if (fd < 0) throw SystemError("open", folder, errno);
  int rc = io.fsync(fd);
  int savedErrno = errno;
  io.close(fd);
  // Some file systems cannot sync folders; that is no failure of the write.
  if (rc != 0 && savedErrno != EINVAL && savedErrno != ENOTSUP)
    throw SystemError("fsync", folder, savedErrno);
}

void writeFileAtomically(const std::string& path, ByteView bytes, const AtomicWriteOptions& options,
                         FileIO& io) {
  const bool named = !options.tempPath.empty();
  const std::string temp = named ? options.tempPath : uniqueTempSibling(path);
  // Others may write to the folder: the temporary must be a file this call creates, never a
  // file or link planted at its name. A fixed name is cleared first (unlink removes a link, not
  // its target); whatever reappears there makes the exclusive create fail. The rename below
  // likewise replaces a link at `path` itself.
  if (named) io.unlink(temp);
  int fd = io.open(temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, options.mode);
  if (fd < 0) throw SystemError("open", temp, errno);
  try {
    writeAll(io, fd, bytes.data(), bytes.size(), temp);
    if (io.fchmod(fd, options.mode) != 0) throw SystemError("fchmod", temp, errno);
    if (io.fsync(fd) != 0) throw SystemError("fsync", temp, errno);
    int rc = io.close(fd);
    fd = -1;
    if (rc != 0) throw SystemError("close", temp, errno);
    if (io.rename(temp, path) != 0) throw SystemError("rename", path, errno);
  } catch (...) {
    if (fd >= 0) io.close(fd);
    io.unlink(temp);
    throw;
  }
  syncDirectory(parentPath(path), io);
}

Bytes readFile(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw SystemError("open", path, errno);
  Bytes content;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && info.st_size > 0)
    content.reserve(static_cast<std::size_t>(info.st_size));
  std::uint8_t buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      int saved = errno;
      ::close(fd);
      throw SystemError("read", path, saved);
    }
    if (n == 0) break;
    content.insert(content.end(), buffer, buffer + n);
  }
  ::close(fd);
  return content;
}

std::optional<Bytes> readFileIfPresent(const std::string& path) {
  try {
    return readFile(path);
  } catch (const SystemError&) {
    return std::nullopt;
  }
}

Bytes readFileBounded(const std::string& path, std::size_t limit) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw SystemError("open", path, errno);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0) throw SystemError("fstat", path, errno);
  if (!S_ISREG(info.st_mode)) throw SystemError("open", path, EINVAL);
  if (info.st_size < 0 || static_cast<std::uint64_t>(info.st_size) > limit)
    throw SystemError("read", path, EFBIG);
  // The size is a hint only (the file may grow while it is read), so the loop keeps its own
  // count and the buffer grows by hand, never past `limit`.
  Bytes content;
  content.reserve(static_cast<std::size_t>(info.st_size));
  std::uint8_t buffer[65536];
  for (;;) {
    // One byte past `limit` tells a larger file.
    std::size_t room = std::min(sizeof buffer - 1, limit - content.size()) + 1;
    ssize_t n = ::read(fd, buffer, room);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw SystemError("read", path, errno);
    }
    if (n == 0) break;
    std::size_t count = static_cast<std::size_t>(n);
    if (count > limit - content.size()) throw SystemError("read", path, EFBIG);
    if (content.size() + count > content.capacity())
      content.reserve(std::min(limit, std::max(content.size() + count, 2 * content.capacity())));
    content.insert(content.end(), buffer, buffer + count);
  }
  return content;
}

std::optional<Bytes> readFileBoundedIfPresent(const std::string& path, std::size_t limit) {
  try {
    return readFileBounded(path, limit);
  } catch (const SystemError&) {
    return std::nullopt;
  }
}

bool fileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

bool isDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<std::uint64_t> fileSize(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

std::optional<std::chrono::system_clock::time_point> modificationTime(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
#if defined(__APPLE__)
  const struct timespec& t = info.st_mtimespec;
#else
  const struct timespec& t = info.st_mtim;
#endif
  using namespace std::chrono;
  return system_clock::time_point(
      duration_cast<system_clock::duration>(seconds(t.tv_sec) + nanoseconds(t.tv_nsec)));
}

void setModificationTime(const std::string& path, std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  auto since = duration_cast<nanoseconds>(time.time_since_epoch()).count();
  struct timespec times[2];
  times[0].tv_sec = static_cast<time_t>(since / 1000000000);
  times[0].tv_nsec = static_cast<long>(since % 1000000000);
  if (times[0].tv_nsec < 0) {
    times[0].tv_nsec += 1000000000;
    times[0].tv_sec -= 1;
  }
  times[1] = times[0];
  if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
    throw SystemError("utimensat", path, errno);
}

void createDirectories(const std::string& path, mode_t mode) {
  if (path.empty() || isDirectory(path)) return;
  std::string parent = parentPath(path);
  if (!parent.empty() && parent != path) createDirectories(parent, mode);
  if (::mkdir(path.c_str(), mode) != 0) {
    if (errno == EEXIST && isDirectory(path)) return;
    throw SystemError("mkdir", path, errno);
  }
  // mkdir applies the file-creation mask; the folder gets exactly `mode`.
  changeMode(path, mode, ExpectedFile::directory);
}

void setMode(const std::string& path, mode_t mode) {
  changeMode(path, mode, ExpectedFile::regularFileOrDirectory);
}

std::optional<mode_t> fileMode(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return info.st_mode & 07777;
}

int removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

std::string joinPath(std::string_view folder, std::string_view name) {
  std::string result(folder);
  if (!result.empty() && result.back() != '/') result.push_back('/');
  result.append(name);
  return result;
}

std::string parentPath(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  auto slash = path.rfind('/');
  if (slash == std::string_view::npos) return "";
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

std::string fileName(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  auto slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string temporaryDirectory() {
  const char* value = std::getenv("TMPDIR");
  if (value != nullptr && *value != '\0') return value;
  return "/tmp";
}

}  // namespace veltra::platform
