// A compact map from text keys (domains or suffixes) to category sets, in insertion order.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "artifact_format/category_set.h"
#include "core/bytes.h"

namespace BlocklistV4Format {

// Keys live back to back in one buffer and distinct sets are stored once, so a million keys cost
// about their text plus 24 bytes each, without an allocation per key. Entries keep the order in
// which their keys were first inserted. Value type; not thread-safe for writing.
class CategorySetMap {
 public:
  CategorySetMap() = default;
  CategorySetMap(std::initializer_list<std::pair<std::string_view, CategorySet>> entries);

  // Reserves room for `keyCount` keys of `keyBytes` bytes in all.
  void reserve(std::size_t keyCount, std::size_t keyBytes);

  // Adds the slots of `set` to the set of `key`, inserting the key when it is new.
  void unite(std::string_view key, const CategorySet& set);

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  // Returns the total length of all keys.
  std::size_t keyBytes() const { return text_.size(); }

  // Returns key i (0 to size - 1), in insertion order.
  std::string_view key(std::size_t i) const {
    return {text_.data() + entries_[i].offset, entries_[i].length};
  }
  // Returns the set of key i.
  const CategorySet& set(std::size_t i) const { return sets_[entries_[i].setIndex]; }
  // Returns the position of `key`, or nothing.
  std::optional<std::size_t> find(std::string_view key) const;

 private:
  struct Entry {
    std::uint64_t offset;
    std::uint32_t length;
    std::uint32_t setIndex;
  };

  static std::uint64_t hashOf(std::string_view key);
  std::uint32_t internSet(const CategorySet& set);
  void grow();
  // Returns the table slot holding `key` or the empty slot where it belongs.
  std::size_t probe(std::string_view key, std::uint64_t hash) const;

  std::vector<char> text_;
  std::vector<Entry> entries_;
  std::vector<std::uint32_t> table_;  // entry index + 1; 0 is empty
  std::vector<CategorySet> sets_;
  std::unordered_map<CategorySet, std::uint32_t> setIndex_;
};

}  // namespace BlocklistV4Format
