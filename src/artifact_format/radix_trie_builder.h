// Serializes a sorted key table into the byte image of a compressed radix trie.
//
// Node (all integers little-endian, no padding):
//   0:     flags    (u8)  bit 0 terminal; bits 1-7 child count C (0 to 127)
//   1:     fragLen  (u8)  length F of the fragment
//   2:     fragment (F bytes) key bytes this node adds after the edge byte leading to it
//   2+F:   group id (u16, LE) only when terminal
//   then:  C child entries of 5 bytes: key byte (u8), relative offset (u32, LE); the child is at
//          (entry position + 1) + offset, always forward
// The root is at image offset 0 with an empty fragment; nodes are laid out depth-first in
// pre-order, children in ascending key byte, so the image is position-independent.
#pragma once

#include <cstddef>
#include <cstdint>

#include "artifact_format/sorted_key_table.h"
#include "core/bytes.h"

namespace BlocklistV4Format {

// Stateless trie serializer.
struct RadixTrieBuilder {
  static constexpr std::size_t kChildEntryBytes = 5;

  // Counts of one serialized image.
  struct Stats {
    std::uint64_t nodeCount = 0;
    std::uint64_t terminalCount = 0;
    std::uint64_t maxFanout = 0;
    std::uint64_t fragmentBytes = 0;

    friend bool operator==(const Stats&, const Stats&) = default;
  };

  // The image and its counts.
  struct Output {
    veltra::Bytes bytes;
    Stats stats;
  };

  // Returns the image of `table`. Throws V4FormatError (corruptTrie for a duplicate key,
  // fanoutExceedsFormat, fragmentTooLong) or V4InputError::imageTooLarge when a child offset
  // would not fit in 32 bits; nothing is returned with an error.
  static Output serialize(const SortedKeyTable& table);

  // Appends the image of `table` to `out` and returns its counts; errors as serialize(). The
  // image is position-independent, so it may start anywhere in `out`.
  static Stats appendImage(const SortedKeyTable& table, veltra::Bytes& out);

  // Returns the exact size of the image of `table` without producing it; errors as serialize().
  static std::uint64_t imageSize(const SortedKeyTable& table);

  // Returns an upper bound of the image size of `keyCount` keys of `keyBytes` bytes in all.
  static std::uint64_t maxImageBytes(std::uint64_t keyCount, std::uint64_t keyBytes);
};

}  // namespace BlocklistV4Format
