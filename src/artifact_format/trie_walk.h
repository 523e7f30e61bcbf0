// The walk over radix trie nodes (layout in radix_trie_builder.h) shared by both trie readers.
// Every read is bounds-checked against the byte count: damage ends a walk as a miss.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

#include "core/little_endian.h"

namespace BlocklistV4Format::trie {

constexpr std::size_t kEntryBytes = 5;
constexpr std::uint32_t kNoValue = 0x10000;  // above every u16 value
constexpr std::size_t kLinearSearchLimit = 8;

// Tells whether the `n` bytes at `a` and `b` are equal, comparing words rather than bytes.
inline bool equalBytes(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
  while (n >= 8) {
    std::uint64_t x, y;
    std::memcpy(&x, a, 8);
    std::memcpy(&y, b, 8);
    if (x != y) return false;
    a += 8;
    b += 8;
    n -= 8;
  }
  if (n >= 4) {
    std::uint32_t x0, y0, x1, y1;
    std::memcpy(&x0, a, 4);
    std::memcpy(&y0, b, 4);
    std::memcpy(&x1, a + n - 4, 4);
    std::memcpy(&y1, b + n - 4, 4);
    return ((x0 ^ y0) | (x1 ^ y1)) == 0;
  }
  if (n == 0) return true;
  // 1 to 3 bytes: first, middle and last cover them all.
  return ((a[0] ^ b[0]) | (a[n >> 1] ^ b[n >> 1]) | (a[n - 1] ^ b[n - 1])) == 0;
}

// Returns the entry offset of the child for `c` in the table of `n` entries at `t`, which lies
// wholly within the bytes, or 0 when there is none (an entry never starts at offset 0).
inline std::size_t findChildInTable(const std::uint8_t* base, std::size_t t, std::size_t n,
                                    std::uint8_t c) {
  const std::uint8_t* table = base + t;
  std::size_t index;
  if (n <= kLinearSearchLimit) {
    index = 0;
    for (std::size_t i = 0; i < n; ++i) index += table[i * kEntryBytes] < c;
  } else {
    std::size_t lo = 0;
    std::size_t length = n;
    while (length > 1) {
      std::size_t half = length / 2;
      lo = table[(lo + half - 1) * kEntryBytes] < c ? lo + half : lo;
      length -= half;
    }
    index = lo + (table[lo * kEntryBytes] < c);
  }
  if (index >= n || table[index * kEntryBytes] != c) return 0;
  return t + index * kEntryBytes;
}

// Returns the absolute offset of the child of the entry at `e` (which lies within the bytes).
inline std::size_t childOffsetAt(const std::uint8_t* base, std::size_t e) {
  return e + 1 + veltra::le::load32(base + e + 1);
}

// Where a walk stands between node visits: the node to visit, the key bytes consumed before it,
// the best value found so far, and once done, the result.
struct WalkState {
  std::size_t p;
  std::size_t k = 0;
  std::uint32_t best = kNoValue;
  std::uint32_t result = kNoValue;
  bool done = false;

  void finish(std::uint32_t value) {
    result = value;
    done = true;
  }
};

// Visits the node at `s.p` of the trie over `count` bytes at `base` with every read checked:
// ends the walk or moves `s.p` to the child for the next key byte. `findChild(table, n, c)`
// returns the offset of the entry for `c`, or 0, and checks that the table fits.
template <typename FindChild>
inline void checkedStep(const std::uint8_t* base, std::size_t count, const std::uint8_t* key,
                        std::size_t keyLength, bool longestPrefix, WalkState& s,
                        FindChild&& findChild) {
  const std::size_t p = s.p;
  if (count < 2 || p > count - 2) return s.finish(s.best);
  const std::uint8_t flags = base[p];
  const std::size_t fragLen = base[p + 1];
  if (fragLen > keyLength - s.k || fragLen > count - p - 2) return s.finish(s.best);
  if (!equalBytes(base + p + 2, key + s.k, fragLen)) return s.finish(s.best);
  std::size_t q = p + 2 + fragLen;
  s.k += fragLen;
  if (flags & 1) {
    if (q > count - 2) return s.finish(s.best);
    const std::uint32_t value = veltra::le::load16(base + q);
    q += 2;
    if (s.k == keyLength) return s.finish(value);
    if (longestPrefix) s.best = value;
  } else if (s.k == keyLength) {
    return s.finish(s.best);
  }
  const std::size_t entry = findChild(q, static_cast<std::size_t>(flags >> 1), key[s.k]);
  if (entry == 0) return s.finish(s.best);
  ++s.k;
  s.p = childOffsetAt(base, entry);
}

// Walks the trie rooted at `root` over `count` bytes at `base` with `key`. Returns the value of
// the key's terminal node, or with `longestPrefix` that of the deepest terminal node whose key is
// a prefix of `key`; kNoValue when there is none. `FindChild` as for checkedStep().
template <typename FindChild>
inline std::uint32_t walk(const std::uint8_t* base, std::size_t count, std::size_t root,
                          const std::uint8_t* key, std::size_t keyLength, bool longestPrefix,
                          FindChild&& findChild) {
  WalkState state{root};
  while (!state.done) checkedStep(base, count, key, keyLength, longestPrefix, state, findChild);
  return state.result;
}

// Returns the entry for `c` in the `n`-entry table at `t` of a trie over `count` bytes at `base`,
// or 0 when there is none or the table does not fit.
inline std::size_t findChildChecked(const std::uint8_t* base, std::size_t count, std::size_t t,
                                    std::size_t n, std::uint8_t c) {
  if (n == 0 || t > count || (count - t) / kEntryBytes < n) return 0;
  return findChildInTable(base, t, n, c);
}

// Converts a walk result to an optional value.
inline std::optional<std::uint16_t> toOptional(std::uint32_t value) {
  if (value == kNoValue) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

}  // namespace BlocklistV4Format::trie
