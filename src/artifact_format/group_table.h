// The group table: every distinct category set of an artifact, numbered by group id.
//
// Region (starts at groupTableOffset): groupCount rows back to back, row g being the row
// encoding of group g's set (see category_set.h) with width (categoryCount + 7) / 8.
#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "artifact_format/category_set.h"
#include "artifact_format/verdict_bitmap.h"
#include "core/bytes.h"

namespace BlocklistV4Format {

// Group id = position in `sets`. Plain value; equal when the sets are equal.
struct GroupTable {
  std::vector<CategorySet> sets;
  std::unordered_map<CategorySet, std::uint16_t> index;

  GroupTable() = default;
  // Stores `sets` and indexes them; when a set occurs twice the later position wins.
  explicit GroupTable(std::vector<CategorySet> sets);

  // Decodes `count` rows of `rowWidth` bytes (at most 32); throws V4FormatError::truncated when
  // `bytes` is shorter than count x rowWidth.
  static GroupTable decode(veltra::ByteView bytes, std::uint64_t count, std::uint64_t rowWidth);

  std::size_t count() const { return sets.size(); }
  // Returns the group id of `set`, or nothing.
  std::optional<std::uint16_t> id(const CategorySet& set) const;
  // Returns the set of `groupID`, or nothing when it is not below count.
  std::optional<CategorySet> set(std::uint64_t groupID) const;
  // Returns the region bytes: every set's row of `rowWidth` bytes, in order.
  veltra::Bytes encoded(std::size_t rowWidth) const;
  // Returns the bitmap whose bit g is set when group g's set meets `selection`.
  VerdictBitmap verdictBitmap(const CategorySet& selection) const;

  friend bool operator==(const GroupTable& a, const GroupTable& b) { return a.sets == b.sets; }
};

// Counts the occurrences of category sets and numbers them: most frequent first, ties in
// ascending set order. Not thread-safe.
class CategorySetInterner {
 public:
  // Adds `occurrences` to the tally of `set`.
  void record(const CategorySet& set, std::uint64_t occurrences = 1) {
    occurrences_[set] += occurrences;
  }
  const std::unordered_map<CategorySet, std::uint64_t>& occurrences() const { return occurrences_; }
  // Returns the numbered groups; throws V4FormatError::groupCountExceedsFormat past 65535 sets.
  GroupTable build() const;

 private:
  std::unordered_map<CategorySet, std::uint64_t> occurrences_;
};

}  // namespace BlocklistV4Format
