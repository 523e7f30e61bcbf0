// Whole positioned reads and writes over FileIO that throw platform::SystemError.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "core/bytes.h"
#include "platform/file_io.h"
#include "platform/system_error.h"

namespace veltra::dnsmap {

// Writes all of `bytes` at `offset`, retrying short writes. Throws SystemError naming `path`.
void writeAllAt(platform::FileIO& io, int fd, ByteView bytes, std::uint64_t offset,
                const std::string& path);

// Reads up to `size` bytes at `offset`, stopping early only at the end of the file.
// Throws SystemError naming `path`.
Bytes readUpTo(platform::FileIO& io, int fd, std::uint64_t size, std::uint64_t offset,
               const std::string& path);

// Makes the file's content durable. Throws SystemError naming `path`.
void syncFile(platform::FileIO& io, int fd, const std::string& path);

}  // namespace veltra::dnsmap
