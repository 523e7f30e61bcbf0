// The header of a format-3 blocklist file ("blocklist.bin") as held in memory. The on-disk
// byte layout beyond these fields belongs to the daemon.
#pragma once

#include <cstdint>

namespace veltra::legacy {

// Plain record.
struct V3Header {
  std::uint32_t flags = 0;
  std::uint32_t categoryCount = 0;
  std::uint32_t exactDomainCount = 0;
  std::uint32_t wildcardDomainCount = 0;
  std::uint64_t exactTrieOffset = 0;
  std::uint64_t wildcardTrieOffset = 0;
  std::uint64_t totalFileSize = 0;

  friend bool operator==(const V3Header&, const V3Header&) = default;
};

}  // namespace veltra::legacy
