// The identity and size of an open file or a path, for code that must notice a file replaced
// under the same name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace veltra::platform {

// The file system object behind a descriptor or path.
struct FileStatus {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;

  // Tells whether both describe the same file system object.
  bool isSameFile(const FileStatus& other) const {
    return device == other.device && inode == other.inode;
  }
};

// Returns the status of the open descriptor `fd`, or nothing (errno set) when fstat fails.
std::optional<FileStatus> statDescriptor(int fd);

// Returns the status of the object at `path`, following links, or nothing (errno set).
std::optional<FileStatus> statPath(const std::string& path);

}  // namespace veltra::platform
