// A FileSystem that forwards to another (the OS's by default) but fails chosen calls, to test
// I/O-error paths.
#pragma once

#include <cerrno>
#include <mutex>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace veltra::testing {

// The calls a fault can target: those of FileSystem and of the files it opens.
enum class FileCall {
  open,
  read,
  readAt,
  write,
  writeAt,
  sync,
  truncate,
  setPermissions,
  close,
  rename,
  link,
  remove,
  syncDirectory,
  createDirectory,
};

// `failOn(call, n, errno)` makes the n-th next call of that kind (1 = the very next) throw the
// SystemError the real call would, with `errno`, without reaching the wrapped file system.
// Records every call. Thread-safe; files it opens must not outlive it.
class FaultyFileSystem : public platform::FileSystem {
 public:
  explicit FaultyFileSystem(platform::FileSystem& inner = platform::FileSystem::real())
      : inner_(inner) {}

  // Makes the `nth` next call of `call` fail with `error`; with `sticky`, every later one too.
  void failOn(FileCall call, int nth = 1, int error = EIO, bool sticky = false);
  // Makes every call of `call` whose path (for rename and link: the destination; for a file's
  // calls: the path it was opened by) contains `pathPart` fail with `error`.
  void failOnPath(FileCall call, std::string pathPart, int error = EIO);
  // Clears every planned fault.
  void reset();
  // Returns the calls made so far, in order.
  std::vector<FileCall> calls() const;
  // Returns how many calls of `call` were made.
  int count(FileCall call) const;

  // Records `call` on `path` and throws the planned fault, if any.
  void check(FileCall call, const std::string& path);

  std::unique_ptr<platform::File> open(const std::string& path,
                                       const platform::OpenOptions& options) override;
  void rename(const std::string& from, const std::string& to) override;
  void link(const std::string& from, const std::string& to) override;
  void remove(const std::string& path) override;
  void syncDirectory(const std::string& path) override;
  void createDirectory(const std::string& path, mode_t mode) override;
  std::vector<std::string> listDirectory(const std::string& path, std::size_t maxEntries) override {
    return inner_.listDirectory(path, maxEntries);
  }
  std::optional<platform::FileStatus> status(const std::string& path) override {
    return inner_.status(path);
  }

 private:
  struct Fault {
    FileCall call;
    int remaining;
    int error;
    bool sticky;
    std::string pathPart;
  };

  platform::FileSystem& inner_;
  mutable std::mutex mutex_;
  std::vector<Fault> faults_;
  std::vector<FileCall> calls_;
};

}  // namespace veltra::testing
