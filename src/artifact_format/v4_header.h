// The 64-byte header of a V4 artifact file.
//
// clang-format off
// File layout (all integers little-endian, no padding, offsets absolute from byte 0):
//   header (64 bytes) | category table | group table | exact trie | wildcard trie
// Header:
//    0: magic               (u32, LE) 0x4B56424C, the bytes "LBVK" on disk
//    4: version             (u32, LE) 4
//    8: flags               (u32, LE) bit 0 hasExactTrie, bit 1 hasWildcardTrie,
//                                     bit 2 hasGroupTable
//   12: encodingDescriptor  (u32, LE) 1
//   16: categoryCount       (u32, LE) category table entries (slots)
//   20: exactDomainCount    (u32, LE) keys in the exact trie
//   24: wildcardDomainCount (u32, LE) keys in the wildcard trie
//   28: groupCount          (u32, LE) group table rows
//   32: exactTrieOffset     (u64, LE) root node of the exact trie
//   40: wildcardTrieOffset  (u64, LE) root node of the wildcard trie
//   48: groupTableOffset    (u64, LE) group table row 0; the category table ends here
//   56: totalFileSize       (u64, LE) length of the file
// Category table entry (categoryCount entries from offset 64, ascending id, slot = position):
//    0: id   (u16, LE)  registry id
//    2: L    (u8)       name length
//    3: name (L bytes)  UTF-8
// Group table row g (groupCount rows of (categoryCount + 7) / 8 bytes): slot 8i + j of group g's
// category set is bit j of byte i.
// Trie node (exact keys: domain bytes; wildcard keys: "." + suffix, last byte first):
//    0: flags    (u8)      bit 0 terminal, bits 1-7 child count C
//    1: fragLen  (u8)      F
//    2: fragment (F bytes)
//  2+F: group id (u16, LE) only when terminal
// then: C entries of key byte (u8) and offset (u32, LE); child at entry position + 1 + offset
// clang-format on
#pragma once

#include <cstdint>
#include <initializer_list>

#include "core/bytes.h"

namespace BlocklistV4Format {

// The header as a plain value: every field of the layout except the magic.
struct V4Header {
  // A set of flag bits over a u32 raw value.
  struct Flags {
    std::uint32_t rawValue = 0;

    static constexpr std::uint32_t kHasExactTrie = 1;
    static constexpr std::uint32_t kHasWildcardTrie = 2;
    static constexpr std::uint32_t kHasGroupTable = 4;

    static constexpr Flags hasExactTrie() { return Flags{kHasExactTrie}; }
    static constexpr Flags hasWildcardTrie() { return Flags{kHasWildcardTrie}; }
    static constexpr Flags hasGroupTable() { return Flags{kHasGroupTable}; }

    // Returns the union of `members`.
    static constexpr Flags of(std::initializer_list<Flags> members) {
      Flags result;
      for (Flags member : members) result.rawValue |= member.rawValue;
      return result;
    }

    constexpr Flags unionWith(Flags other) const { return {rawValue | other.rawValue}; }
    constexpr Flags intersection(Flags other) const { return {rawValue & other.rawValue}; }
    constexpr Flags symmetricDifference(Flags other) const { return {rawValue ^ other.rawValue}; }
    constexpr void insert(Flags member) { rawValue |= member.rawValue; }
    constexpr void remove(Flags member) { rawValue &= ~member.rawValue; }
    // Tells whether every bit of `member` is set.
    constexpr bool contains(Flags member) const {
      return (rawValue & member.rawValue) == member.rawValue;
    }
    constexpr bool isSubset(Flags other) const { return (rawValue & ~other.rawValue) == 0; }
    constexpr bool isDisjoint(Flags other) const { return (rawValue & other.rawValue) == 0; }
    constexpr bool isEmpty() const { return rawValue == 0; }

    friend constexpr bool operator==(Flags, Flags) = default;
  };

  static constexpr std::size_t kByteCount = 64;
  static constexpr std::uint32_t kMagic = 0x4B56424C;
  static constexpr std::uint32_t kFormatVersion = 4;
  static constexpr std::uint32_t kCurrentEncodingDescriptor = 1;
  static constexpr std::uint32_t kMaxGroupCount = 65535;
  static constexpr std::uint16_t kReservedGroupID = 0xFFFF;

  std::uint32_t version = kFormatVersion;
  Flags flags;
  std::uint32_t encodingDescriptor = kCurrentEncodingDescriptor;
  std::uint32_t categoryCount = 0;
  std::uint32_t exactDomainCount = 0;
  std::uint32_t wildcardDomainCount = 0;
  std::uint32_t groupCount = 0;
  std::uint64_t exactTrieOffset = 0;
  std::uint64_t wildcardTrieOffset = 0;
  std::uint64_t groupTableOffset = 0;
  std::uint64_t totalFileSize = 0;

  // Decodes the header from the first 64 bytes of `bytes`; throws V4FormatError (truncated,
  // badMagic, unsupportedVersion). No other field is checked.
  static V4Header decode(veltra::ByteView bytes);

  // Returns the 64 header bytes; the version written is always 4.
  veltra::Bytes encoded() const;

  // Returns the bytes of one group table row: one bit per slot.
  std::uint64_t groupRowWidth() const { return (std::uint64_t{categoryCount} + 7) / 8; }

  friend bool operator==(const V4Header&, const V4Header&) = default;
};

}  // namespace BlocklistV4Format
