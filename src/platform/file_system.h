// The file system every subsystem goes through: one interface, the POSIX implementation behind
// FileSystem::real(), and in tests an in-memory one, a crash simulator and a fault injector.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "platform/file_status.h"
#include "platform/no_follow_open.h"
#include "platform/system_error.h"

namespace veltra::platform {

// How a name is opened.
enum class OpenMode {
  read,             // an existing file, read-only
  readWrite,        // an existing file
  createOrOpen,     // read-write, created with `permissions` when missing
  createExclusive,  // read-write, created with `permissions`; fails (EEXIST) when anything is there
};

// What an open accepts at the name itself (folders above it are always followed).
enum class NamePolicy {
  followLinks,  // whatever open(2) accepts
  noLinks,      // a symbolic link fails with ELOOP and is not followed
  regularOnly,  // noLinks, and never blocks: anything but a regular file fails with EINVAL
  guarded,      // openWithoutFollowing's refusals with `expected`, each described by name
};

struct OpenOptions {
  OpenMode mode = OpenMode::read;
  NamePolicy names = NamePolicy::followLinks;
  ExpectedFile expected = ExpectedFile::regularFile;
  mode_t permissions = 0644;
};

// An open file. Every failure throws SystemError naming the path the file was opened by, with
// the POSIX call's name as operation ("read", "write", "fsync", "ftruncate", "fchmod", "fstat",
// "close"). Owned by its opener; one thread at a time.
class File {
 public:
  virtual ~File() = default;

  // Reads up to `size` bytes at the current position and advances it; 0 at the end.
  virtual std::size_t read(void* data, std::size_t size) = 0;
  // Reads up to `size` bytes at `offset`; fewer only at the end of the file.
  virtual std::size_t readAt(std::uint64_t offset, void* data, std::size_t size) = 0;
  // Writes all of `bytes` at the current position (and advances it), or throws.
  virtual void append(ByteView bytes) = 0;
  // Writes all of `bytes` at `offset`, or throws.
  virtual void writeAt(std::uint64_t offset, ByteView bytes) = 0;
  // Makes the content written so far durable (a full flush to the medium).
  virtual void sync() = 0;
  virtual void truncate(std::uint64_t size) = 0;
  virtual void setPermissions(mode_t mode) = 0;
  virtual FileStatus status() = 0;
  // Requests an exclusive advisory lock without waiting; returns 0 or the errno of the failure
  // (EWOULDBLOCK while another open file holds it). The lock goes with this object.
  virtual int tryLockExclusive() = 0;
  // Starts writing back `length` bytes at `offset` without waiting (a hint; may do nothing).
  virtual void startWriteback(std::uint64_t offset, std::uint64_t length) = 0;
  // Closes now; later calls fail. The destructor closes quietly.
  virtual void close() = 0;
  // The OS descriptor, for what only the OS can do with a file (mmap, a child's standard
  // input); -1 for a file that is not the OS's.
  virtual int nativeHandle() const = 0;

  // Reads up to `size` bytes at `offset`, fewer only at the end of the file.
  Bytes readUpTo(std::uint64_t offset, std::size_t size);
};

// Paths are opened, renamed, linked and removed through one of these. Every failure throws
// SystemError with the POSIX call's name ("open", "rename", "link", "unlink", "fsync", "mkdir")
// and, for rename and link, the destination. Implementations are safe to call from several
// threads at once.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual std::unique_ptr<File> open(const std::string& path, const OpenOptions& options) = 0;
  // Replaces whatever is at `to` (a link there is replaced, never followed).
  virtual void rename(const std::string& from, const std::string& to) = 0;
  virtual void link(const std::string& from, const std::string& to) = 0;
  // Removes the name (a link itself, never its target); fails on a folder.
  virtual void remove(const std::string& path) = 0;
  // Makes the entries created, renamed or removed in the folder durable. A folder that cannot
  // be synced (EINVAL, ENOTSUP) is no failure.
  virtual void syncDirectory(const std::string& path) = 0;
  virtual void createDirectory(const std::string& path, mode_t mode) = 0;
  // Returns at most `maxEntries` names directly in the folder (not "." or ".."), in no
  // particular order; empty when it cannot be read.
  virtual std::vector<std::string> listDirectory(const std::string& path,
                                                 std::size_t maxEntries) = 0;
  // Returns the status of what is at `path` (links followed), or nothing.
  virtual std::optional<FileStatus> status(const std::string& path) = 0;

  // Removes the name; returns false when nothing was there (ENOENT), throws on other failures.
  bool removeIfPresent(const std::string& path);
  // Removes the name; returns whether it was removed, never throws.
  bool tryRemove(const std::string& path) noexcept;

  // Returns the process-wide instance over the OS.
  static FileSystem& real();
};

// Tells whether a failed link means no link can be made there (another device, a file system
// without hard links, too many links), so that a copy has to do.
bool isLinkUnsupported(const SystemError& error);

// Tells whether a lock request failed because another open file holds the lock.
bool isLockHeldElsewhere(int errorNumber);

}  // namespace veltra::platform
