// CRC-32 of the IEEE 802.3 polynomial in its reflected form 0xEDB88320, initial value
// 0xFFFFFFFF and final complement: the same values as zlib's crc32().
#pragma once

#include <cstdint>

#include "core/bytes.h"

namespace veltra::dnsmap {

// Returns the CRC-32 of `bytes` continued from `crc` (the CRC-32 of the bytes before them;
// 0 for none), so that crc32(b, crc32(a)) equals the CRC-32 of a followed by b. Slicing-by-8:
// eight table lookups per eight input bytes. Never allocates; thread-safe.
std::uint32_t crc32(ByteView bytes, std::uint32_t crc = 0);

}  // namespace veltra::dnsmap
