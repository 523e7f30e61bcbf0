// Readers of the radix tries of a V4 artifact (node layout in radix_trie_builder.h): exact and
// longest-prefix lookups that never read outside the bytes; damage shows as a miss.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "artifact_format/bounded_description.h"
#include "core/bytes.h"

namespace BlocklistV4Format {

// A trie over a byte array holding the whole file, shared with the other trie of the file.
// Immutable; safe to use from many threads.
class V4TrieReader {
 public:
  static constexpr std::string_view kSummaryName = "V4TrieReader";

  V4TrieReader(std::shared_ptr<const veltra::Bytes> bytes, std::uint64_t rootOffset)
      : bytes_(std::move(bytes)), rootOffset_(rootOffset) {}

  const veltra::Bytes& bytes() const { return *bytes_; }
  std::uint64_t rootOffset() const { return rootOffset_; }

  // Returns the value stored under exactly `key`.
  std::optional<std::uint16_t> lookupExact(veltra::ByteView key) const { return walk(key, false); }
  // Returns the value of the longest stored key that is a prefix of `key` (or `key` itself).
  std::optional<std::uint16_t> lookupLongestPrefix(veltra::ByteView key) const {
    return walk(key, true);
  }
  // Returns the value the shared walk finds for `key`.
  std::optional<std::uint16_t> walk(veltra::ByteView key, bool longestPrefix) const;
  // Returns the offset of the entry for `byte` in the `count` entries at `tableStart`, checking
  // each probed entry against the bytes.
  std::optional<std::uint64_t> findChild(std::uint8_t byte, std::uint64_t tableStart,
                                         std::uint64_t count) const;
  // Returns the absolute offset of the child of the entry at `entry`, which must lie within the
  // bytes.
  std::uint64_t childOffset(std::uint64_t entry) const;

  SummaryFields summaryFields() const {
    return {{"byteCount", std::to_string(bytes_->size())},
            {"rootOffset", std::to_string(rootOffset_)}};
  }
  std::string description() const { return describe(kSummaryName, summaryFields()); }

 private:
  std::shared_ptr<const veltra::Bytes> bytes_;
  std::uint64_t rootOffset_;
};

// A trie over mapped memory that it does not own: valid only while the mapping lives.
// Immutable; safe to use from many threads. Lookups allocate nothing.
class V4MappedTrieReader {
 public:
  V4MappedTrieReader(veltra::ByteView bytes, std::uint64_t rootOffset)
      : base_(bytes.data()), count_(bytes.size()), rootOffset_(rootOffset) {}

  const std::uint8_t* base() const { return base_; }
  std::size_t count() const { return count_; }
  std::uint64_t rootOffset() const { return rootOffset_; }

  std::optional<std::uint16_t> lookupExact(veltra::ByteView key) const { return walk(key, false); }
  std::optional<std::uint16_t> lookupLongestPrefix(veltra::ByteView key) const {
    return walk(key, true);
  }
  std::optional<std::uint16_t> walk(veltra::ByteView key, bool longestPrefix) const;
  // Returns the raw walk result: the value, or a number above 0xFFFF for none.
  std::uint32_t walkRaw(const std::uint8_t* key, std::size_t keyLength, bool longestPrefix) const;
  // Returns the offset of the entry for `byte`; the whole table must lie within the bytes.
  std::optional<std::uint64_t> findChild(std::uint8_t byte, std::uint64_t tableStart,
                                         std::uint64_t count) const;
  std::uint64_t childOffset(std::uint64_t entry) const;

 private:
  const std::uint8_t* base_;
  std::size_t count_;
  std::uint64_t rootOffset_;
};

}  // namespace BlocklistV4Format
