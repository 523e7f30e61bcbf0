// A walk over mapped trie nodes (layout in radix_trie_builder.h) advanced one node at a time, so
// that the exact and wildcard walks of one lookup can be interleaved and their loads overlap.
//
// A node visit is a chain of dependent loads, and a mispredicted branch in it empties the
// pipeline and with it the overlap of the other walk. So most nodes are visited without
// data-dependent branches: the fragment is compared as one masked word with the key, the terminal
// value is selected, and the child is found by findEntry(). The only branches left end the walk.
// Such a visit reads up to kFastNodeSpan bytes without checking each field; a node closer than that
// to the end of the bytes takes the fully checked step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "artifact_format/child_search.h"
#include "artifact_format/trie_prefix_index.h"
#include "artifact_format/trie_walk.h"
#include "core/little_endian.h"

namespace BlocklistV4Format::trie {

// Fragments up to this long are compared as one word.
constexpr std::size_t kWordFragment = 8;
// Bytes a fast visit reads from the node's start (flags, fragment length, a word of fragment, the
// group id, the child table's chunks); a longer fragment moves the table further.
constexpr std::size_t kFastNodeSpan = 2 + kWordFragment + 2 + kFastTableSpan;
// Masks of the low 0 to 8 bytes of a word.
inline constexpr std::uint64_t kLowBytes[kWordFragment + 1] = {
    0,
    0xFF,
    0xFFFF,
    0xFFFFFF,
    0xFFFFFFFF,
    0xFFFFFFFFFF,
    0xFFFFFFFFFFFF,
    0xFFFFFFFFFFFFFF,
    0xFFFFFFFFFFFFFFFF,
};

// Reads a key a word at a time without reading past its end and without copying it: a word near
// the end is loaded so that it ends with the key and shifted down, so the bytes past the key read
// as zero. Keys shorter than a word are copied into a zeroed buffer. Borrows longer keys, which
// must outlive it.
class WalkKey {
 public:
  WalkKey(const std::uint8_t* key, std::size_t length) : data_(key), length_(length) {
    if (length >= 8) {
      lastWord_ = length - 8;
      return;
    }
    std::memset(small_, 0, sizeof(small_));
    for (std::size_t i = 0; i < length; ++i) small_[i] = key[i];
    data_ = small_;
    lastWord_ = 8;
  }
  WalkKey(const WalkKey&) = delete;
  WalkKey& operator=(const WalkKey&) = delete;

  std::size_t size() const { return length_; }
  const std::uint8_t* data() const { return data_; }
  // Returns the byte at `at`, which is below size().
  std::uint8_t operator[](std::size_t at) const { return data_[at]; }
  // Returns the 8 bytes from `at` (at most size()) as a little-endian word, zero past the end.
  std::uint64_t word(std::size_t at) const {
    const std::size_t from = at < lastWord_ ? at : lastWord_;
    const unsigned half = static_cast<unsigned>(4 * (at - from));
    return (veltra::le::load64(data_ + from) >> half) >> half;
  }

 private:
  const std::uint8_t* data_;
  std::size_t length_;
  std::size_t lastWord_;
  std::uint8_t small_[16];
};

// One walk over `count` bytes at `base` from the node at `root`, or from where `index` says the
// key's prefix leads. Borrows the bytes and the key; one lookup on one thread.
struct WalkCursor : WalkState {
  const std::uint8_t* base;
  std::size_t count;
  const WalkKey& key;
  std::size_t keyLength;
  bool longestPrefix;
  // Nodes that start below this offset take the fast step.
  std::size_t fastEnd;

  WalkCursor(const std::uint8_t* bytes, std::size_t byteCount, std::size_t root,
             const WalkKey& walkKey, bool prefix, const PrefixIndex& index)
      : WalkState{root},
        base(bytes),
        count(byteCount),
        key(walkKey),
        keyLength(walkKey.size()),
        longestPrefix(prefix),
        fastEnd(byteCount > kFastNodeSpan ? byteCount - kFastNodeSpan : 0) {
    const std::size_t depth = index.depth();
    if (depth == 0 || keyLength < depth) return;
    PrefixIndex::Resume resume;
    if (index.find(key.word(0) & kLowBytes[depth], resume)) {
      k = resume.consumed;
      best = resume.best;
      p = resume.node;
    }
  }

  // Visits the node at p: ends the walk or moves p to the child for the next key byte.
  __attribute__((always_inline)) void step() {
    if (p >= fastEnd) [[unlikely]]
      return checkedStep();
    const std::uint8_t* node = base + p;
    const std::uint8_t flags = node[0];
    const std::size_t fragLen = node[1];
    const std::size_t left = keyLength - k;
    if (fragLen <= kWordFragment) [[likely]] {
      const std::uint64_t diff = (veltra::le::load64(node + 2) ^ key.word(k)) & kLowBytes[fragLen];
      if ((diff != 0) | (fragLen > left)) return finish(best);
    } else {
      if (fragLen - kWordFragment > fastEnd - p) return checkedStep();
      if (fragLen > left || !equalBytes(node + 2, key.data() + k, fragLen)) return finish(best);
    }
    k += fragLen;
    const std::uint8_t* table = node + 2 + fragLen;
    const bool terminal = flags & 1;
    const std::uint32_t value = veltra::le::load16(table);
    table += terminal ? 2 : 0;
    if (k == keyLength) return finish(terminal ? value : best);
    best = terminal && longestPrefix ? value : best;
    const std::size_t n = flags >> 1;
    const std::size_t at = static_cast<std::size_t>(table - base);
    std::size_t entry;
    if (n <= kFastTableEntries) [[likely]] {
      const std::size_t offset = findEntry(table, n, key[k]);
      entry = offset == kNoEntry ? 0 : at + offset;
    } else {
      entry = findChildChecked(base, count, at, n, key[k]);
    }
    if (entry == 0) return finish(best);
    ++k;
    moveTo(childOffsetAt(base, entry));
  }

  // The step for nodes near the end of the bytes: every read is bounds-checked.
  void checkedStep() {
    trie::checkedStep(base, count, key.data(), keyLength, longestPrefix, *this,
                      [this](std::size_t t, std::size_t n, std::uint8_t c) {
                        return findChildChecked(base, count, t, n, c);
                      });
    if (!done) moveTo(p);
  }

  void moveTo(std::size_t child) {
    p = child;
    const std::uint8_t* next = base + (p < count ? p : 0);
    __builtin_prefetch(next);
    __builtin_prefetch(next + 64);
    __builtin_prefetch(next + 128);
    __builtin_prefetch(next + 192);
  }
};

}  // namespace BlocklistV4Format::trie
