// Opens a V4 artifact in mapped memory and searches its tries in place.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "artifact_format/trie_cursor.h"
#include "artifact_format/trie_prefix_index.h"
#include "artifact_format/trie_walk.h"
#include "artifact_format/v4_reader_base.h"
#include "artifact_format/v4_trie_reader.h"

namespace BlocklistV4Format {

// Holds the header, category table, group table and a prefix index of each trie (at most 256 KiB)
// in ordinary memory and reads the tries from the bytes it was opened over, which it does not
// own: valid while they live. Immutable; any number of threads may look up at once. Same lookup
// rules as V4Reader.
class V4MappedReader : public V4ReaderBase<V4MappedReader> {
 public:
  static constexpr std::string_view kSummaryName = "V4MappedReader";

  // Validates the artifact in `bytes`; throws V4FormatError.
  explicit V4MappedReader(veltra::ByteView bytes);

  const V4MappedTrieReader& exactTrie() const { return exactTrie_; }
  // Returns the bytes of ordinary memory the lookup shortcuts hold beside the mapped bytes.
  std::size_t indexByteCount() const {
    return exactIndex_.byteCount() + wildcardIndex_.byteCount();
  }
  const std::optional<V4MappedTrieReader>& wildcardTrie() const { return wildcardTrie_; }

  // Returns the group of `domain`: its exact entry, else its longest wildcard suffix.
  std::optional<std::uint16_t> groupID(std::string_view domain) const;
  // Tells whether the domain's group is set in `verdict`, without allocating.
  bool isBlocked(std::string_view domain, const VerdictBitmap& verdict) const;
  using V4ReaderBase::isBlocked;

  // Returns the group of the exact entry `exactKey` only.
  std::optional<std::uint16_t> exactGroupID(veltra::ByteView exactKey) const {
    const trie::WalkKey walkKey(exactKey.data(), exactKey.size());
    trie::WalkCursor exact(exactTrie_.base(), exactTrie_.count(), exactRoot_, walkKey, false,
                           exactIndex_);
    while (!exact.done) exact.step();
    return trie::toOptional(exact.result);
  }
  // Returns the group from caller-built keys: the exact walk, then the longest wildcard prefix of
  // `reversedDottedKey` ("." + domain, last byte first). Allocates nothing.
  std::optional<std::uint16_t> groupID(veltra::ByteView exactKey,
                                       veltra::ByteView reversedDottedKey) const {
    return trie::toOptional(rawGroupID(exactKey, reversedDottedKey));
  }
  // Tells whether the group found from caller-built keys is set in `verdict`. Allocates nothing.
  bool isBlocked(veltra::ByteView exactKey, veltra::ByteView reversedDottedKey,
                 const VerdictBitmap& verdict) const {
    return verdict.isBlocked(rawGroupID(exactKey, reversedDottedKey));
  }

  // Calls `visit(domain, group)` for every exact domain in ascending byte order until it returns
  // false; domains are decoded lossily as UTF-8. Damaged subtrees are skipped.
  void forEachExactDomain(
      const std::function<bool(const std::string&, std::uint16_t)>& visit) const;
  // The same with the domain's bytes, valid only during the call.
  void forEachExactBytes(const std::function<bool(veltra::ByteView, std::uint16_t)>& visit) const;

 private:
  // Walks both tries in lockstep so that their node loads overlap; the exact answer wins.
  std::uint32_t rawGroupID(veltra::ByteView exactKey, veltra::ByteView reversedDottedKey) const {
    const trie::WalkKey exactWalkKey(exactKey.data(), exactKey.size());
    trie::WalkCursor exact(exactTrie_.base(), exactTrie_.count(), exactRoot_, exactWalkKey, false,
                           exactIndex_);
    if (!wildcardTrie_) {
      while (!exact.done) exact.step();
      return exact.result;
    }
    const trie::WalkKey wildcardWalkKey(reversedDottedKey.data(), reversedDottedKey.size());
    trie::WalkCursor wildcard(wildcardTrie_->base(), wildcardTrie_->count(), wildcardRoot_,
                              wildcardWalkKey, true, wildcardIndex_);
    while (true) {
      if (!exact.done) exact.step();
      if (!wildcard.done) wildcard.step();
      if (exact.done) {
        if (exact.result != trie::kNoValue) return exact.result;
        if (wildcard.done) return wildcard.result;
      }
    }
  }

  V4MappedTrieReader exactTrie_;
  std::optional<V4MappedTrieReader> wildcardTrie_;
  // Root offsets clamped to the byte count, so that a root past the end is a miss.
  std::size_t exactRoot_;
  std::size_t wildcardRoot_;
  // Shortcuts past the top levels of each trie.
  trie::PrefixIndex exactIndex_;
  trie::PrefixIndex wildcardIndex_;
};

}  // namespace BlocklistV4Format
