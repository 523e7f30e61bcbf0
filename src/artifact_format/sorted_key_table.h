// All keys of one trie with their group ids, packed into one buffer and sorted byte-wise.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "artifact_format/bounded_description.h"
#include "core/bytes.h"

namespace BlocklistV4Format {

// Keys sorted as unsigned bytes, a proper prefix first, equal keys in input order. Key i occupies
// bytes[starts[i], starts[i + 1]). The only input of the trie serializer; not a file region.
// Plain value.
struct SortedKeyTable {
  static constexpr std::string_view kSummaryName = "SortedKeyTable";

  veltra::Bytes bytes;
  std::vector<std::size_t> starts{0};
  std::vector<std::uint16_t> groupIDs;

  SortedKeyTable() = default;
  // Builds the table from (key, group id) pairs in any order.
  explicit SortedKeyTable(const std::vector<std::pair<veltra::Bytes, std::uint16_t>>& pairs);

  // Builds the table from `count` keys given by `keyAt(i)` (a ByteView) and `groupAt(i)`,
  // without copying them into a scratch buffer first.
  template <typename KeyAt, typename GroupAt>
  static SortedKeyTable build(std::size_t count, KeyAt&& keyAt, GroupAt&& groupAt);

  std::size_t count() const { return groupIDs.size(); }
  bool isEmpty() const { return groupIDs.empty(); }
  std::size_t keyLength(std::size_t i) const { return starts[i + 1] - starts[i]; }
  veltra::ByteView key(std::size_t i) const {
    return veltra::ByteView(bytes).subspan(starts[i], keyLength(i));
  }
  std::uint16_t groupID(std::size_t i) const { return groupIDs[i]; }

  // Returns ("count", count) and ("byteCount", length of bytes).
  SummaryFields summaryFields() const {
    return {{"count", std::to_string(count())}, {"byteCount", std::to_string(bytes.size())}};
  }
  std::string description() const { return describe(kSummaryName, summaryFields()); }
};

namespace detail {

// Sort record: the key's first 8 bytes as a big-endian number, so most comparisons need no
// access to the key bytes.
struct KeySortEntry {
  std::uint64_t prefix;
  std::uint32_t index;
};

inline std::uint64_t bigEndianPrefix(veltra::ByteView key) {
  std::uint64_t prefix = 0;
  std::size_t n = std::min<std::size_t>(key.size(), 8);
  for (std::size_t i = 0; i < n; ++i) prefix |= std::uint64_t{key[i]} << (56 - 8 * i);
  return prefix;
}

// Compares two keys as unsigned bytes with the shorter proper prefix first.
inline int compareKeys(veltra::ByteView a, veltra::ByteView b) {
  std::size_t n = std::min(a.size(), b.size());
  int c = n == 0 ? 0 : std::memcmp(a.data(), b.data(), n);
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace detail

template <typename KeyAt, typename GroupAt>
SortedKeyTable SortedKeyTable::build(std::size_t count, KeyAt&& keyAt, GroupAt&& groupAt) {
  std::vector<detail::KeySortEntry> order(count);
  std::size_t totalBytes = 0;
  for (std::size_t i = 0; i < count; ++i) {
    veltra::ByteView key = keyAt(i);
    totalBytes += key.size();
    order[i] = {detail::bigEndianPrefix(key), static_cast<std::uint32_t>(i)};
  }
  std::sort(order.begin(), order.end(),
            [&](const detail::KeySortEntry& a, const detail::KeySortEntry& b) {
              if (a.prefix != b.prefix) return a.prefix < b.prefix;
              int c = detail::compareKeys(keyAt(a.index), keyAt(b.index));
              return c != 0 ? c < 0 : a.index < b.index;
            });
  SortedKeyTable table;
  table.bytes.reserve(totalBytes);
  table.starts.reserve(count + 1);
  table.groupIDs.reserve(count);
  for (const detail::KeySortEntry& entry : order) {
    veltra::ByteView key = keyAt(entry.index);
    table.starts.back() = table.bytes.size();
    table.bytes.insert(table.bytes.end(), key.begin(), key.end());
    table.starts.push_back(table.bytes.size());
    table.groupIDs.push_back(groupAt(entry.index));
  }
  return table;
}

}  // namespace BlocklistV4Format
