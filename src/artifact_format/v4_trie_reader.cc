#include "artifact_format/v4_trie_reader.h"

#include "artifact_format/trie_walk.h"

namespace BlocklistV4Format {

std::optional<std::uint16_t> V4TrieReader::walk(veltra::ByteView key, bool longestPrefix) const {
  const veltra::Bytes& bytes = *bytes_;
  if (rootOffset_ >= bytes.size()) return std::nullopt;
  return trie::toOptional(trie::walk(
      bytes.data(), bytes.size(), static_cast<std::size_t>(rootOffset_), key.data(), key.size(),
      longestPrefix, [&](std::size_t t, std::size_t n, std::uint8_t c) -> std::size_t {
        std::optional<std::uint64_t> entry = findChild(c, t, n);
        return entry ? static_cast<std::size_t>(*entry) : 0;
      }));
}

std::optional<std::uint64_t> V4TrieReader::findChild(std::uint8_t byte, std::uint64_t tableStart,
                                                     std::uint64_t count) const {
  const veltra::Bytes& bytes = *bytes_;
  auto fits = [&](std::uint64_t entry) {
    return entry <= bytes.size() && bytes.size() - entry >= trie::kEntryBytes;
  };
  if (count == 0) return std::nullopt;
  if (count <= trie::kLinearSearchLimit) {
    for (std::uint64_t i = 0; i < count; ++i) {
      std::uint64_t entry = tableStart + i * trie::kEntryBytes;
      if (!fits(entry) || bytes[entry] > byte) return std::nullopt;
      if (bytes[entry] == byte) return entry;
    }
    return std::nullopt;
  }
  std::uint64_t lo = 0;
  std::uint64_t hi = count;
  while (lo < hi) {
    std::uint64_t mid = lo + (hi - lo) / 2;
    std::uint64_t entry = tableStart + mid * trie::kEntryBytes;
    if (!fits(entry)) return std::nullopt;
    if (bytes[entry] == byte) return entry;
    if (bytes[entry] < byte) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return std::nullopt;
}

std::uint64_t V4TrieReader::childOffset(std::uint64_t entry) const {
  return trie::childOffsetAt(bytes_->data(), static_cast<std::size_t>(entry));
}

std::uint32_t V4MappedTrieReader::walkRaw(const std::uint8_t* key, std::size_t keyLength,
                                          bool longestPrefix) const {
  if (rootOffset_ >= count_) return trie::kNoValue;
  const std::uint8_t* base = base_;
  const std::size_t count = count_;
  return trie::walk(base, count, static_cast<std::size_t>(rootOffset_), key, keyLength,
                    longestPrefix, [base, count](std::size_t t, std::size_t n, std::uint8_t c) {
                      return trie::findChildChecked(base, count, t, n, c);
                    });
}

std::optional<std::uint16_t> V4MappedTrieReader::walk(veltra::ByteView key,
                                                      bool longestPrefix) const {
  return trie::toOptional(walkRaw(key.data(), key.size(), longestPrefix));
}

std::optional<std::uint64_t> V4MappedTrieReader::findChild(std::uint8_t byte,
                                                           std::uint64_t tableStart,
                                                           std::uint64_t count) const {
  if (tableStart > count_ || count > count_) return std::nullopt;
  std::size_t entry = trie::findChildChecked(base_, count_, static_cast<std::size_t>(tableStart),
                                             static_cast<std::size_t>(count), byte);
  if (entry == 0) return std::nullopt;
  return entry;
}

std::uint64_t V4MappedTrieReader::childOffset(std::uint64_t entry) const {
  return trie::childOffsetAt(base_, static_cast<std::size_t>(entry));
}

}  // namespace BlocklistV4Format
