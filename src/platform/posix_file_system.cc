// FileSystem::real(): the one place where file calls reach the OS and errno becomes SystemError.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/durable_sync.h"
#include "platform/file_system.h"

namespace veltra::platform {

namespace {

FileStatus statusOf(const struct stat& info) {
  return FileStatus{static_cast<std::uint64_t>(info.st_dev),
                    static_cast<std::uint64_t>(info.st_ino),
                    static_cast<std::uint64_t>(info.st_size)};
}

// The one write loop: retries short writes and interrupted calls; a write that makes no
// progress is EIO. Without `offset` it writes at the descriptor's position.
void writeFully(int fd, ByteView bytes, const std::uint64_t* offset, const std::string& path) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::uint8_t* from = bytes.data() + done;
    const std::size_t size = bytes.size() - done;
    ssize_t n = offset != nullptr ? ::pwrite(fd, from, size, static_cast<off_t>(*offset + done))
                                  : ::write(fd, from, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw SystemError("write", path, errno);
    }
    if (n == 0) throw SystemError("write", path, EIO);
    done += static_cast<std::size_t>(n);
  }
}

int openFlags(OpenMode mode) {
  switch (mode) {
    case OpenMode::read:
      return O_RDONLY;
    case OpenMode::readWrite:
      return O_RDWR;
    case OpenMode::createOrOpen:
      return O_RDWR | O_CREAT;
    case OpenMode::createExclusive:
      break;
  }
  return O_RDWR | O_CREAT | O_EXCL;
}

int openDescriptor(const std::string& path, const OpenOptions& options) {
  int flags = openFlags(options.mode);
  if (options.names == NamePolicy::guarded)
    return openWithoutFollowing(path, flags, options.permissions, options.expected);
  if (options.names != NamePolicy::followLinks) flags |= O_NOFOLLOW;
  if (options.names == NamePolicy::regularOnly) flags |= O_NONBLOCK;
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, options.permissions);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw SystemError("open", path, errno);
  if (options.names == NamePolicy::regularOnly) {
    struct stat info {};
    int error = ::fstat(fd, &info) != 0 ? errno : S_ISREG(info.st_mode) ? 0 : EINVAL;
    if (error != 0) {
      ::close(fd);
      throw SystemError(error == EINVAL ? "open" : "fstat", path, error);
    }
  }
  return fd;
}

// Owns its descriptor.
class PosixFile : public File {
 public:
  PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  std::size_t read(void* data, std::size_t size) override {
    for (;;) {
      ssize_t n = ::read(fd_, data, size);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno != EINTR) throw SystemError("read", path_, errno);
    }
  }
  std::size_t readAt(std::uint64_t offset, void* data, std::size_t size) override {
    auto* bytes = static_cast<std::uint8_t*>(data);
    std::size_t done = 0;
    while (done < size) {
      ssize_t n = ::pread(fd_, bytes + done, size - done, static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        throw SystemError("read", path_, errno);
      }
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    return done;
  }
  void append(ByteView bytes) override { writeFully(fd_, bytes, nullptr, path_); }
  void writeAt(std::uint64_t offset, ByteView bytes) override {
    writeFully(fd_, bytes, &offset, path_);
  }
  void sync() override {
    if (syncToMedium(fd_) != 0) throw SystemError("fsync", path_, errno);
  }
  void truncate(std::uint64_t size) override {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
      throw SystemError("ftruncate", path_, errno);
  }
  void setPermissions(mode_t mode) override {
    if (::fchmod(fd_, mode) != 0) throw SystemError("fchmod", path_, errno);
  }
  FileStatus status() override {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) throw SystemError("fstat", path_, errno);
    return statusOf(info);
  }
  int tryLockExclusive() override { return ::flock(fd_, LOCK_EX | LOCK_NB) == 0 ? 0 : errno; }
  void startWriteback(std::uint64_t offset, std::uint64_t length) override {
    startRangeWriteback(fd_, offset, length);
  }
  void close() override {
    if (fd_ < 0) return;
    int rc = ::close(fd_);
    fd_ = -1;
    if (rc != 0) throw SystemError("close", path_, errno);
  }
  int nativeHandle() const override { return fd_; }

 private:
  int fd_;
  std::string path_;
};

class PosixFileSystem : public FileSystem {
 public:
  std::unique_ptr<File> open(const std::string& path, const OpenOptions& options) override {
    return std::make_unique<PosixFile>(openDescriptor(path, options), path);
  }
  void rename(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) throw SystemError("rename", to, errno);
  }
  void link(const std::string& from, const std::string& to) override {
    if (::link(from.c_str(), to.c_str()) != 0) throw SystemError("link", to, errno);
  }
  void remove(const std::string& path) override {
    if (::unlink(path.c_str()) != 0) throw SystemError("unlink", path, errno);
  }
  void syncDirectory(const std::string& path) override {
    std::string folder = path.empty() ? "." : path;
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throw SystemError("open", folder, errno);
    int rc = syncToMedium(fd);
    int error = errno;
    ::close(fd);
    // Some file systems cannot sync folders; that is no failure of the write.
    if (rc != 0 && error != EINVAL && error != ENOTSUP) throw SystemError("fsync", folder, error);
  }
  void createDirectory(const std::string& path, mode_t mode) override {
    if (::mkdir(path.c_str(), mode) != 0) throw SystemError("mkdir", path, errno);
  }
  std::vector<std::string> listDirectory(const std::string& path, std::size_t maxEntries) override {
    std::vector<std::string> names;
    DIR* folder = ::opendir(path.c_str());
    if (folder == nullptr) return names;
    while (names.size() < maxEntries) {
      const dirent* entry = ::readdir(folder);
      if (entry == nullptr) break;
      if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
      names.emplace_back(entry->d_name);
    }
    ::closedir(folder);
    return names;
  }
  std::optional<FileStatus> status(const std::string& path) override {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return statusOf(info);
  }
};

}  // namespace

FileSystem& FileSystem::real() {
  static PosixFileSystem instance;
  return instance;
}

bool FileSystem::removeIfPresent(const std::string& path) {
  try {
    remove(path);
    return true;
  } catch (const SystemError& error) {
    if (error.errorNumber() == ENOENT) return false;
    throw;
  }
}

bool FileSystem::tryRemove(const std::string& path) noexcept {
  try {
    remove(path);
    return true;
  } catch (...) {
    return false;
  }
}

Bytes File::readUpTo(std::uint64_t offset, std::size_t size) {
  Bytes bytes(size);
  bytes.resize(readAt(offset, bytes.data(), size));
  return bytes;
}

bool isLinkUnsupported(const SystemError& error) {
  const int e = error.errorNumber();
  return e == EXDEV || e == EPERM || e == ENOTSUP || e == EMLINK;
}

bool isLockHeldElsewhere(int errorNumber) { return errorNumber == EWOULDBLOCK; }

}  // namespace veltra::platform
