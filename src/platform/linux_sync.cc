#include <fcntl.h>
#include <unistd.h>

#include "platform/durable_sync.h"

namespace veltra::platform {

int syncToMedium(int fd) { return ::fsync(fd); }

void startRangeWriteback(int fd, std::uint64_t offset, std::uint64_t length) {
  // Only starts the write-back; it neither waits nor reports, durability is sync()'s job.
  ::sync_file_range(fd, static_cast<off_t>(offset), static_cast<off_t>(length),
                    SYNC_FILE_RANGE_WRITE);
}

}  // namespace veltra::platform
