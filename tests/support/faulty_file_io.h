// A FileIO that forwards to the OS but fails chosen calls, to test I/O-error and crash paths.
#pragma once

#include <atomic>
#include <cerrno>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/file_io.h"

namespace veltra::testing {

// The calls a fault can target.
enum class FileCall {
  open,
  write,
  pwrite,
  pread,
  fsync,
  ftruncate,
  fchmod,
  close,
  rename,
  link,
  unlink
};

// Forwards to RealFileIO; `failOn(call, n, errno)` makes the n-th next call of that kind
// (1 = the very next) fail with `errno` without reaching the OS. Records every call. Thread-safe.
class FaultyFileIO : public platform::FileIO {
 public:
  // Makes the `nth` next call of `call` fail with `error`; with `sticky`, every later one too.
  void failOn(FileCall call, int nth = 1, int error = EIO, bool sticky = false);
  // Makes every call of `call` whose path (for rename and link: the destination) contains
  // `pathPart` fail with `error`.
  void failOnPath(FileCall call, std::string pathPart, int error = EIO);
  // Clears every planned fault.
  void reset();
  // Returns the calls made so far, in order.
  std::vector<FileCall> calls() const;
  // Returns how many calls of `call` were made.
  int count(FileCall call) const;

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

 private:
  struct Fault {
    FileCall call;
    int remaining;
    int error;
    bool sticky;
    std::string pathPart;
  };
  // Records the call; returns the errno to fail with, or 0 to go through.
  int shouldFail(FileCall call, const std::string& path = "");

  mutable std::mutex mutex_;
  std::vector<Fault> faults_;
  std::vector<FileCall> calls_;
  platform::RealFileIO real_;
};

}  // namespace veltra::testing
