// A set of category slots (0 to 255) held in four 64-bit words, and its on-disk row encoding.
//
// Row of width w bytes (0 <= w <= 32): byte i holds slots 8i..8i+7, slot 8i+j in bit j (bit 0 the
// least significant); equivalently the four words little-endian, cut to the first w bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/bytes.h"

namespace BlocklistV4Format {

// A fixed 256-slot bit set. Plain value, no allocation. Ordered as a 256-bit unsigned number
// whose most significant word is word 3.
struct CategorySet {
  static constexpr std::size_t kWordCount = 4;
  static constexpr std::size_t kSlotCount = 256;
  static constexpr std::size_t kMaxSlot = 255;
  static constexpr std::size_t kMaxRowWidth = 32;

  std::array<std::uint64_t, kWordCount> words{};

  constexpr CategorySet() = default;
  // Creates the set of slots 0 to 63 given by the bits of `bits`.
  explicit constexpr CategorySet(std::uint64_t bits) : words{bits, 0, 0, 0} {}

  // Returns the set encoded by `row` (at most 32 bytes); missing bytes leave slots empty.
  static CategorySet fromRow(veltra::ByteView row);
  // Returns the set holding exactly `slots` (each 0 to 255).
  static CategorySet of(std::initializer_list<std::size_t> slots);

  // Returns the bytes needed for `slotCount` slots.
  static constexpr std::size_t rowWidth(std::size_t slotCount) { return (slotCount + 7) / 8; }

  // Returns word 0: slots 0 to 63.
  constexpr std::uint64_t bits() const { return words[0]; }

  // Returns the row encoding of `width` bytes (0 to 32); slots at 8 x width or above are dropped.
  veltra::Bytes rowBytes(std::size_t width) const;
  // Appends the row encoding of `width` bytes to `out`.
  void appendRow(veltra::Bytes& out, std::size_t width) const;

  // Adds `slot`, which must be 0 to 255.
  constexpr void insert(std::size_t slot) { words[slot >> 6] |= std::uint64_t{1} << (slot & 63); }
  // Tells whether `slot` is set; false for any slot above 255.
  constexpr bool contains(std::size_t slot) const {
    return slot < kSlotCount && ((words[slot >> 6] >> (slot & 63)) & 1) != 0;
  }
  // Adds every slot of `other`.
  constexpr void formUnion(const CategorySet& other) {
    for (std::size_t i = 0; i < kWordCount; ++i) words[i] |= other.words[i];
  }
  // Tells whether the two sets share a slot.
  constexpr bool intersects(const CategorySet& other) const {
    return ((words[0] & other.words[0]) | (words[1] & other.words[1]) |
            (words[2] & other.words[2]) | (words[3] & other.words[3])) != 0;
  }
  constexpr bool isEmpty() const { return (words[0] | words[1] | words[2] | words[3]) == 0; }
  // Returns the highest set slot, or -1 for the empty set.
  int highestSlot() const;

  // Returns the set slots, ascending.
  std::vector<std::size_t> slots() const;
  // Calls `visit` with each set slot, ascending.
  template <typename Visit>
  void forEachSlot(Visit&& visit) const {
    for (std::size_t w = 0; w < kWordCount; ++w) {
      for (std::uint64_t bits = words[w]; bits != 0; bits &= bits - 1) {
        visit(w * 64 + static_cast<std::size_t>(__builtin_ctzll(bits)));
      }
    }
  }

  friend constexpr bool operator==(const CategorySet&, const CategorySet&) = default;
  friend constexpr bool operator<(const CategorySet& a, const CategorySet& b) {
    for (std::size_t i = kWordCount; i-- > 0;) {
      if (a.words[i] != b.words[i]) return a.words[i] < b.words[i];
    }
    return false;
  }

  // Returns a hash over all four words.
  std::size_t hash() const {
    std::uint64_t h = 0x9E3779B97F4A7C15ull;
    for (std::uint64_t w : words) {
      h ^= w + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
      h *= 0xBF58476D1CE4E5B9ull;
    }
    return static_cast<std::size_t>(h ^ (h >> 31));
  }
};

}  // namespace BlocklistV4Format

template <>
struct std::hash<BlocklistV4Format::CategorySet> {
  std::size_t operator()(const BlocklistV4Format::CategorySet& set) const { return set.hash(); }
};
