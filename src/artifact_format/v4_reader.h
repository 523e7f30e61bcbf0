// Opens a V4 artifact held in memory and answers its lookups.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "artifact_format/v4_reader_base.h"
#include "artifact_format/v4_trie_reader.h"

namespace BlocklistV4Format {

// Keeps one copy of the file shared by its two trie readers. Immutable after opening; any number
// of threads may look up at once. Domains are used byte for byte: no case folding, no trailing-dot
// removal; an exact entry wins over every suffix, and the longest suffix at a label boundary wins.
class V4Reader : public V4ReaderBase<V4Reader> {
 public:
  static constexpr std::string_view kSummaryName = "V4Reader";

  // Copies and validates `data`; throws V4FormatError.
  explicit V4Reader(veltra::ByteView data);

  const V4TrieReader& exactTrie() const { return exactTrie_; }
  const std::optional<V4TrieReader>& wildcardTrie() const { return wildcardTrie_; }

  // Returns the group of `domain`: its exact entry, else its longest wildcard suffix.
  std::optional<std::uint16_t> groupID(std::string_view domain) const;

 private:
  explicit V4Reader(std::shared_ptr<const veltra::Bytes> bytes);

  V4TrieReader exactTrie_;
  std::optional<V4TrieReader> wildcardTrie_;
};

}  // namespace BlocklistV4Format
