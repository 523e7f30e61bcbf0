// Reading a regular file at any offset through one descriptor, for code that serves pieces of a
// file rather than loading it whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace veltra::platform {

// A regular file open read-only. Owns its descriptor, which the destructor closes; movable, not
// copyable. readAt() takes no shared file offset, so one reader may serve several threads.
class FileReader {
 public:
  // Opens `path` read-only. A symbolic link as the last component is refused rather than
  // followed, and so is anything but a regular file (a FIFO is not waited on). Throws
  // SystemError("open", path, errno); a link reads "is a symbolic link (links are not
  // followed)", another kind of file "is not a regular file".
  explicit FileReader(const std::string& path);
  ~FileReader();
  FileReader(FileReader&& other) noexcept;
  FileReader& operator=(FileReader&& other) noexcept;
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // The file's size when it was opened.
  std::uint64_t size() const { return size_; }

  // Reads into `buffer` from `offset` until it is full or the file ends; returns how many bytes
  // it read (0 at or past the end). Throws SystemError("pread", path, errno).
  std::size_t readAt(std::uint64_t offset, std::span<std::uint8_t> buffer) const;

 private:
  std::string path_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

}  // namespace veltra::platform
