#include "platform/file_status.h"

#include <sys/stat.h>

namespace veltra::platform {

namespace {

FileStatus fromStat(const struct stat& info) {
  return FileStatus{static_cast<std::uint64_t>(info.st_dev),
                    static_cast<std::uint64_t>(info.st_ino),
                    static_cast<std::uint64_t>(info.st_size)};
}

}  // namespace

std::optional<FileStatus> statDescriptor(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return std::nullopt;
  return fromStat(info);
}

std::optional<FileStatus> statPath(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return fromStat(info);
}

}  // namespace veltra::platform
