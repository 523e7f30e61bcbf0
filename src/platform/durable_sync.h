// The two file calls whose meaning differs between Linux and Darwin, one file per system
// (linux_sync.cc, darwin_sync.cc), chosen by the build.
#pragma once

#include <cstdint>

namespace veltra::platform {

// Flushes the descriptor's data to the medium; returns 0, or -1 with errno set.
int syncToMedium(int fd);

// Starts writing back a range without waiting; does nothing where the system cannot.
void startRangeWriteback(int fd, std::uint64_t offset, std::uint64_t length);

}  // namespace veltra::platform
