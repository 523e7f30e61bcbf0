#include "dns_ip_map/positioned_io.h"

#include <cerrno>

namespace veltra::dnsmap {

void writeAllAt(platform::FileIO& io, int fd, ByteView bytes, std::uint64_t offset,
                const std::string& path) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n =
        io.pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw platform::SystemError("write", path, errno);
    }
    if (n == 0) throw platform::SystemError("write", path, EIO);
    done += static_cast<std::size_t>(n);
  }
}

Bytes readUpTo(platform::FileIO& io, int fd, std::uint64_t size, std::uint64_t offset,
               const std::string& path) {
  Bytes bytes(static_cast<std::size_t>(size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n =
        io.pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw platform::SystemError("read", path, errno);
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  return bytes;
}

void syncFile(platform::FileIO& io, int fd, const std::string& path) {
  if (io.fsync(fd) != 0) throw platform::SystemError("fsync", path, errno);
}

}  // namespace veltra::dnsmap
