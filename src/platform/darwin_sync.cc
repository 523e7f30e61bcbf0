#include <fcntl.h>
#include <unistd.h>

#include "platform/durable_sync.h"

namespace veltra::platform {

int syncToMedium(int fd) {
  // fsync on Darwin leaves the data in the drive's cache; F_FULLFSYNC flushes it. File systems
  // without it (some network ones) still get the fsync.
  if (::fcntl(fd, F_FULLFSYNC) == 0) return 0;
  return ::fsync(fd);
}

// Darwin has no sync_file_range; the final sync writes everything.
void startRangeWriteback(int, std::uint64_t, std::uint64_t) {}

}  // namespace veltra::platform
