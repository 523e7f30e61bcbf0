// The identity and size of an open file or a path, for code that must notice a file replaced
// under the same name (FileSystem::status, File::status).
#pragma once

#include <cstdint>

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

}  // namespace veltra::platform
