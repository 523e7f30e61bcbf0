// Opens a V4 artifact held in memory and answers its lookups.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "artifact_format/bounded_description.h"
#include "artifact_format/category_indexed.h"
#include "artifact_format/v4_opening.h"
#include "artifact_format/v4_trie_reader.h"
#include "artifact_format/verdict_bitmap.h"

namespace BlocklistV4Format {

// Keeps one copy of the file shared by its two trie readers. Immutable after opening; any number
// of threads may look up at once. Domains are used byte for byte: no case folding, no trailing-dot
// removal; an exact entry wins over every suffix, and the longest suffix at a label boundary wins.
class V4Reader : public CategoryIndexed<V4Reader> {
 public:
  static constexpr std::string_view kSummaryName = "V4Reader";

  // Copies and validates `data`; throws V4FormatError.
  explicit V4Reader(veltra::ByteView data);

  const V4Header& header() const { return opened_.header; }
  const GroupTable& groupTable() const { return opened_.groupTable; }
  const CategoryTable& categoryTable() const { return opened_.categoryTable; }
  const V4TrieReader& exactTrie() const { return exactTrie_; }
  const std::optional<V4TrieReader>& wildcardTrie() const { return wildcardTrie_; }

  // Returns the group of `domain`: its exact entry, else its longest wildcard suffix.
  std::optional<std::uint16_t> groupID(std::string_view domain) const;
  // Returns the category set of the domain's group, or nothing.
  std::optional<CategorySet> categories(std::string_view domain) const;
  // Returns the bitmap of the groups whose sets meet `selection`.
  VerdictBitmap verdictBitmap(const CategorySet& selection) const {
    return opened_.groupTable.verdictBitmap(selection);
  }
  // Tells whether the domain's group is set in `verdict`; not blocked without a group or when the
  // group is not below the bitmap's groupCount.
  bool isBlocked(std::string_view domain, const VerdictBitmap& verdict) const;
  // Tells whether the domain's categories meet `selection`.
  bool isBlocked(std::string_view domain, const CategorySet& selection) const;

  SummaryFields summaryFields() const;
  std::string description() const { return describe(kSummaryName, summaryFields()); }

 private:
  explicit V4Reader(std::shared_ptr<const veltra::Bytes> bytes);

  OpenedArtifact opened_;
  V4TrieReader exactTrie_;
  std::optional<V4TrieReader> wildcardTrie_;
};

// Returns the header summary of a reader: version, counts and totalFileSize.
SummaryFields headerSummaryFields(const V4Header& header);

}  // namespace BlocklistV4Format
