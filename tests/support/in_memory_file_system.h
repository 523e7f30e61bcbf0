// A FileSystem held in memory that also knows what a power loss would leave: the crash
// simulator of the crash-point sweeps.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "platform/file_system.h"

namespace veltra::testing {

// Files with content and mode, folders, hard links; rename replaces its destination at once;
// exclusive create fails on any name taken. There are no symbolic links or special files, so
// every name policy accepts what it finds. Folders exist from creation on and "/" always does.
//
// Durability follows what a POSIX file system promises after a crash: a file's content and mode
// survive as of its last sync(), and a folder's entries (created, renamed, linked, removed) as
// of its last syncDirectory(); everything else is lost at a power loss. afterPowerLoss()
// returns the file system a reboot would find.
//
// Crash points: every call that changes something is a mutating call (a create, a write, a
// sync, truncate, setPermissions, rename, link, remove, syncDirectory, createDirectory).
// crashAfter(n) lets the first n of them happen; from the next one on the disk is gone: each
// throws SystemError(<call>, path, EIO) without effect, so the code under test runs its failure
// paths while the durable state stays as it was at the crash.
//
// Thread-safe (one lock); the files it opens must not outlive it.
class InMemoryFileSystem : public platform::FileSystem {
 public:
  InMemoryFileSystem();
  ~InMemoryFileSystem() override;

  void crashAfter(std::size_t mutatingCalls);
  // Returns how many mutating calls happened (crashed ones not counted).
  std::size_t mutatingCalls() const;
  // Returns the file system as found after a power loss now.
  std::unique_ptr<InMemoryFileSystem> afterPowerLoss() const;
  // Returns the content of the file at `path`, or nothing.
  std::optional<Bytes> contentOf(const std::string& path) const;

  std::unique_ptr<platform::File> open(const std::string& path,
                                       const platform::OpenOptions& options) override;
  void rename(const std::string& from, const std::string& to) override;
  void link(const std::string& from, const std::string& to) override;
  void remove(const std::string& path) override;
  void syncDirectory(const std::string& path) override;
  void createDirectory(const std::string& path, mode_t mode) override;
  std::vector<std::string> listDirectory(const std::string& path, std::size_t maxEntries) override;
  std::optional<platform::FileStatus> status(const std::string& path) override;

  struct Inode;

 private:
  friend class InMemoryFile;
  // Counts a mutating call, or throws once the crash point has passed. Call with `mutex_` held.
  void mutate(const char* operation, const std::string& path);
  std::shared_ptr<Inode> findLocked(const std::string& path) const;
  void requireFolderLocked(const std::string& path) const;

  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<Inode>> files_;
  std::map<std::string, std::shared_ptr<Inode>> durableFiles_;
  std::set<std::string> folders_;
  std::uint64_t nextInode_ = 1;
  std::size_t mutatingCalls_ = 0;
  std::optional<std::size_t> crashAfter_;
};

}  // namespace veltra::testing
