// The file-system calls every subsystem goes through, behind one interface so that tests can
// inject failures (a chosen write, sync or rename failing) and simulate crashes.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace veltra::platform {

// POSIX-style file calls: each returns what the POSIX call returns and sets errno on failure.
// RealFileIO forwards to the OS; tests wrap it to fail chosen calls.
// Implementations must be safe to call from several threads at once.
class FileIO {
 public:
  virtual ~FileIO() = default;

  virtual int open(const std::string& path, int flags, mode_t mode) = 0;
  virtual ssize_t write(int fd, const void* data, std::size_t size) = 0;
  virtual ssize_t pwrite(int fd, const void* data, std::size_t size, off_t offset) = 0;
  virtual ssize_t pread(int fd, void* data, std::size_t size, off_t offset) = 0;
  virtual int fsync(int fd) = 0;
  virtual int ftruncate(int fd, off_t length) = 0;
  virtual int fchmod(int fd, mode_t mode) = 0;
  virtual int close(int fd) = 0;
  virtual int rename(const std::string& from, const std::string& to) = 0;
  virtual int link(const std::string& from, const std::string& to) = 0;
  virtual int unlink(const std::string& path) = 0;

  // Returns the process-wide instance that calls the OS.
  static FileIO& real();
};

// Writes all of `data` to `fd`, retrying short writes and interrupted calls. Throws
// SystemError("write", path, errno) (EIO for a write that makes no progress).
void writeAll(FileIO& io, int fd, const void* data, std::size_t size, const std::string& path);

// Reads up to `size` bytes at `offset`, retrying interrupted calls; returns the count (0 at the
// end of the file). Throws SystemError("read", path, errno).
std::size_t readSome(FileIO& io, int fd, void* data, std::size_t size, off_t offset,
                     const std::string& path);

// Forwards every call to the OS.
class RealFileIO : public FileIO {
 public:
  int open(const std::string& path, int flags, mode_t mode) override;
  ssize_t write(int fd, const void* data, std::size_t size) override;
  ssize_t pwrite(int fd, const void* data, std::size_t size, off_t offset) override;
  ssize_t pread(int fd, void* data, std::size_t size, off_t offset) override;
  int fsync(int fd) override;
  int ftruncate(int fd, off_t length) override;
  int fchmod(int fd, mode_t mode) override;
  int close(int fd) override;
  int rename(const std::string& from, const std::string& to) override;
  int link(const std::string& from, const std::string& to) override;
  int unlink(const std::string& path) override;
};

}  // namespace veltra::platform
