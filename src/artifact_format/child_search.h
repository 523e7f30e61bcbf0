// Finds a child entry in a node's table (layout in radix_trie_builder.h) without data-dependent
// branches, for the fast trie walk.
//
// The table is read in 64-byte chunks. In a chunk, one bit per byte says whether the byte equals
// the wanted key byte; a fixed pattern keeps the bits at entry starts (byte offsets that are
// multiples of 5) and a length mask drops the bytes past the table. The bit left is the byte offset
// of the entry. Domain names use at most 38 distinct bytes (letters, digits, '-', '.'), so tables
// of up to 39 entries (three chunks) cover nearly every node; the walk searches larger ones the
// checked way.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "artifact_format/trie_walk.h"

namespace BlocklistV4Format::trie {

constexpr std::size_t kChunkBytes = 64;
constexpr std::size_t kFastTableChunks = 3;
// Entries whose key bytes lie in the first three chunks.
constexpr std::size_t kFastTableEntries =
    (kFastTableChunks * kChunkBytes + kEntryBytes - 1) / kEntryBytes;
// Bytes findEntry() reads from the start of a table, whatever its size.
constexpr std::size_t kFastTableSpan = kFastTableChunks * kChunkBytes;
// Returned when there is no entry for the byte: above every entry offset of a table.
constexpr std::size_t kNoEntry = ~std::size_t{0};

// Bit j of pattern r is set when byte 64 * r + j of a table starts an entry.
inline constexpr std::array<std::uint64_t, kFastTableChunks> kEntryStartPatterns = [] {
  std::array<std::uint64_t, kFastTableChunks> patterns{};
  for (std::size_t r = 0; r < patterns.size(); ++r) {
    for (std::size_t j = 0; j < kChunkBytes; ++j) {
      if ((r * kChunkBytes + j) % kEntryBytes == 0) patterns[r] |= std::uint64_t{1} << j;
    }
  }
  return patterns;
}();
// Bit 63 starts no entry in these chunks, so it can mark "none" for a bit scan.
static_assert(((kEntryStartPatterns[0] | kEntryStartPatterns[1] | kEntryStartPatterns[2]) >> 63) ==
              0);

// Returns a mask of the low `bits` bits, for 0 to 64 bits.
inline std::uint64_t lowBits(std::size_t bits) {
  const std::size_t shift = 64 - bits;
  return (~std::uint64_t{0} >> (shift / 2)) >> (shift - shift / 2);
}

// Bit j of matches(p) says whether byte j of the 64 at `p` equals the wanted byte. Portable: the
// zero bytes of (word ^ wanted) are found exactly with the carry-free test, then their top bits
// are gathered by one multiplication per word.
struct PortableByteMatcher {
  std::uint64_t wanted;
  explicit PortableByteMatcher(std::uint8_t c) : wanted(0x0101010101010101ull * c) {}

  __attribute__((always_inline)) std::uint64_t matches(const std::uint8_t* p) const {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    std::uint64_t mask = 0;
    for (std::size_t i = 0; i < 8; ++i) {
      std::uint64_t word;
      std::memcpy(&word, p + 8 * i, 8);
      if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
      const std::uint64_t x = word ^ wanted;
      const std::uint64_t zeroTops = ~(((x & kLow7) + kLow7) | x | kLow7);
      mask |= (((zeroTops >> 7) * 0x0102040810204080ull) >> 56) << (8 * i);
    }
    return mask;
  }
};

#if defined(__SSE2__)
// The same with four 16-byte compares.
struct SseByteMatcher {
  __m128i wanted;
  explicit SseByteMatcher(std::uint8_t c) : wanted(_mm_set1_epi8(static_cast<char>(c))) {}

  __attribute__((always_inline)) std::uint64_t matches(const std::uint8_t* p) const {
    auto lane = [&](std::size_t i) __attribute__((always_inline)) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
      return static_cast<std::uint64_t>(
          static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanted))));
    };
    return lane(0) | lane(1) << 16 | lane(2) << 32 | lane(3) << 48;
  }
};
using ByteMatcher = SseByteMatcher;
#else
using ByteMatcher = PortableByteMatcher;
#endif

// Returns the byte offset in the `n`-entry table at `table` of the entry whose key byte is `c`,
// or kNoEntry. Needs n <= kFastTableEntries and kFastTableSpan readable bytes at `table`.
//
// The chunk that can hold `c` is chosen by comparing `c` with the first keys of the second and
// third chunks (keys ascend), so only one chunk is matched.
template <typename Matcher = ByteMatcher>
__attribute__((always_inline)) inline std::size_t findEntry(const std::uint8_t* table,
                                                            std::size_t n, std::uint8_t c) {
  // First entries of chunks 1 and 2: 13 at byte 65, 26 at byte 130.
  constexpr std::size_t kSecond = (kChunkBytes + kEntryBytes - 1) / kEntryBytes;
  constexpr std::size_t kThird = (2 * kChunkBytes + kEntryBytes - 1) / kEntryBytes;
  // Read within or just after the table, so a small table touches no cache line beyond it.
  const std::size_t second = (n < kSecond ? n : kSecond) * kEntryBytes;
  const std::size_t third = (n < kThird ? n : kThird) * kEntryBytes;
  const std::size_t chunk = static_cast<std::size_t>((n > kSecond) & (table[second] <= c)) +
                            static_cast<std::size_t>((n > kThird) & (table[third] <= c));
  const std::size_t start = chunk * kChunkBytes;
  const std::size_t tableBytes = n * kEntryBytes;
  const std::size_t valid = tableBytes <= start ? 0 : tableBytes - start;
  const std::uint64_t mask = Matcher(c).matches(table + start) & kEntryStartPatterns[chunk] &
                             lowBits(valid < kChunkBytes ? valid : kChunkBytes);
  const std::size_t bit = static_cast<std::size_t>(__builtin_ctzll(mask | std::uint64_t{1} << 63));
  return bit == 63 ? kNoEntry : start + bit;
}

}  // namespace BlocklistV4Format::trie
