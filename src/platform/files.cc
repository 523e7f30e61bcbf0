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

void writeFileAtomically(const std::string& path, ByteView bytes, const AtomicWriteOptions& options,
                         FileSystem& fileSystem) {
  const bool named = !options.tempPath.empty();
  const std::string temp = named ? options.tempPath : uniqueTempSibling(path);
  // Others may write to the folder: the temporary must be a file this call creates, never a
  // file or link planted at its name. A fixed name is cleared first (unlink removes a link, not
  // its target); whatever reappears there makes the exclusive create fail. The rename below
  // likewise replaces a link at `path` itself.
  if (named) fileSystem.tryRemove(temp);
  auto file = fileSystem.open(temp, {.mode = OpenMode::createExclusive,
                                     .names = NamePolicy::noLinks,
                                     .permissions = options.mode});
  try {
    file->append(bytes);
    file->setPermissions(options.mode);
    file->sync();
    file->close();
    fileSystem.rename(temp, path);
  } catch (...) {
    file.reset();
    fileSystem.tryRemove(temp);
    throw;
  }
  fileSystem.syncDirectory(parentPath(path));
}

Bytes readFile(const std::string& path, FileSystem& fileSystem) {
  auto file = fileSystem.open(path, {});
  Bytes content;
  content.reserve(static_cast<std::size_t>(file->status().size));
  std::uint8_t buffer[65536];
  while (std::size_t n = file->read(buffer, sizeof buffer))
    content.insert(content.end(), buffer, buffer + n);
  return content;
}

std::optional<Bytes> readFileIfPresent(const std::string& path, FileSystem& fileSystem) {
  try {
    return readFile(path, fileSystem);
  } catch (const SystemError&) {
    return std::nullopt;
  }
}

Bytes readFileBounded(const std::string& path, std::size_t limit, FileSystem& fileSystem) {
  auto file = fileSystem.open(path, {.names = NamePolicy::regularOnly});
  const std::uint64_t size = file->status().size;
  if (size > limit) throw SystemError("read", path, EFBIG);
  // The size is a hint only (the file may grow while it is read), so the loop keeps its own
  // count and the buffer grows by hand, never past `limit`.
  Bytes content;
  content.reserve(static_cast<std::size_t>(size));
  std::uint8_t buffer[65536];
  for (;;) {
    // One byte past `limit` tells a larger file.
    std::size_t room = std::min(sizeof buffer - 1, limit - content.size()) + 1;
    std::size_t count = file->read(buffer, room);
    if (count == 0) break;
    if (count > limit - content.size()) throw SystemError("read", path, EFBIG);
    if (content.size() + count > content.capacity())
      content.reserve(std::min(limit, std::max(content.size() + count, 2 * content.capacity())));
    content.insert(content.end(), buffer, buffer + count);
  }
  return content;
}

std::optional<Bytes> readFileBoundedIfPresent(const std::string& path, std::size_t limit,
                                              FileSystem& fileSystem) {
  try {
    return readFileBounded(path, limit, fileSystem);
  } catch (const SystemError&) {
    return std::nullopt;
  }
}

bool fileExists(const std::string& path, FileSystem& fileSystem) {
  return fileSystem.status(path).has_value();
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

int removeFile(const std::string& path) {
  try {
    FileSystem::real().remove(path);
    return 0;
  } catch (const SystemError& error) {
    return error.errorNumber();
  }
}

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
