// A file this process creates under a fresh name and owns until it is renamed into place.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "core/bytes.h"
#include "platform/file_system.h"

namespace veltra::platform {

// A file created by this process: created exclusively without following a link, so it is never
// a file that existed before and never the target of a link planted at its name. Owns the open
// file and its name: destroying the object closes the file and removes the name, unless it was
// renamed away or kept. Movable, not copyable; not thread-safe.
class ExclusiveFile {
 public:
  // Creates `path` for reading and writing with `mode` (0600 until the owner publishes it).
  // Throws SystemError("open", path, errno); EEXIST when anything is at the name.
  static ExclusiveFile create(const std::string& path, FileSystem& fileSystem = FileSystem::real(),
                              mode_t mode = 0600);

  ExclusiveFile() = default;
  ExclusiveFile(ExclusiveFile&& other) noexcept { *this = std::move(other); }
  ExclusiveFile& operator=(ExclusiveFile&& other) noexcept;
  ExclusiveFile(const ExclusiveFile&) = delete;
  ExclusiveFile& operator=(const ExclusiveFile&) = delete;
  ~ExclusiveFile();

  // Appends `bytes`. Throws SystemError.
  void append(ByteView bytes);
  // Makes every `bytes` appended start their write-back to the disk at once (a hint; Linux), so
  // that the fsync of publish() finds little left to write. 0 turns it off.
  void startWritebackEvery(std::uint64_t bytes) { writebackEvery_ = bytes; }
  // Sets the permission bits through the descriptor and makes the content durable.
  // Throws SystemError.
  void publish(mode_t mode);
  // Renames the file to `to` (a link or file planted at `to` is replaced, never followed); from
  // then on the object owns `to`. Throws SystemError("rename", to, errno).
  void renameTo(const std::string& to);
  // Forgets the name: the file stays when the object is destroyed.
  void keep() { path_.clear(); }
  // Closes the descriptor early; the name is still owned. Throws SystemError on a failed close.
  void close();

  bool isOpen() const { return file_ != nullptr; }
  // The open file, for reading it back or handing its descriptor on.
  File& file() { return *file_; }
  const std::string& path() const { return path_; }
  // Returns the bytes appended so far.
  std::uint64_t size() const { return size_; }

 private:
  ExclusiveFile(FileSystem& fileSystem, std::unique_ptr<File> file, std::string path)
      : fileSystem_(&fileSystem), file_(std::move(file)), path_(std::move(path)) {}
  void release() noexcept;

  FileSystem* fileSystem_ = nullptr;
  std::unique_ptr<File> file_;
  std::string path_;
  std::uint64_t size_ = 0;
  std::uint64_t writebackEvery_ = 0;
  std::uint64_t writebackStarted_ = 0;
};

}  // namespace veltra::platform
