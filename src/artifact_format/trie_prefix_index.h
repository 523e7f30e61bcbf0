// An in-memory shortcut past the top levels of a mapped trie, built when a reader opens.
//
// The first nodes of every walk are the widest (a domain trie's root and the nodes under it have
// up to 38 children) and are visited by every lookup. For a depth D, the index maps each D-byte
// key prefix that the trie holds to the walk's state once those bytes are consumed: the node it
// would visit next, the key bytes consumed before that node, and the best value found so far. A
// walk resumes there instead of starting at the root. D is the largest depth, up to 8, whose
// states fit the entry budget, so building stays well under a millisecond and the table stays in
// cache. The file is not changed; the index only holds offsets read from it, and a walk treats
// them like any other offset it reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "artifact_format/trie_walk.h"

namespace BlocklistV4Format::trie {

// Immutable after construction; any number of threads may look up at once.
class PrefixIndex {
 public:
  static constexpr std::size_t kMaxDepth = 8;
  static constexpr std::size_t kDefaultBudget = 4096;

  // Where a walk resumes: visit `node` with `consumed` key bytes behind it and `best` found.
  struct Resume {
    std::size_t node;
    std::size_t consumed;
    std::uint32_t best;
  };

  // An index that never answers: every walk starts at the root.
  PrefixIndex() = default;

  // Builds the index of the trie rooted at `root` over `count` bytes at `base`. States record
  // terminal values passed on the way when `longestPrefix`. Damaged nodes are left out; when no
  // depth fits `budget` states the index stays empty.
  PrefixIndex(const std::uint8_t* base, std::size_t count, std::size_t root, bool longestPrefix,
              std::size_t budget = kDefaultBudget);

  // Returns the prefix length; 0 for an empty index.
  std::size_t depth() const { return depth_; }
  std::size_t size() const { return size_; }
  // Returns the bytes the table holds.
  std::size_t byteCount() const { return slots_.size() * sizeof(Slot); }

  // Finds the state for the key whose first depth() bytes are the low bytes of `prefix`; false
  // when the trie holds no such prefix.
  bool find(std::uint64_t prefix, Resume& resume) const {
    if (depth_ == 0) return false;
    std::size_t i = slotFor(prefix);
    while (true) {
      const Slot& slot = slots_[i];
      if (slot.info == 0) return false;
      if (slot.prefix == prefix) {
        resume = {slot.node, (slot.info >> kConsumedShift) & 0xF, slot.info & kBestMask};
        return true;
      }
      i = (i + 1) & mask_;
    }
  }

 private:
  // info: best value or kNoValue (bits 0-16), consumed bytes (bits 20-23), bit 31 set when used.
  static constexpr std::uint32_t kBestMask = 0x1FFFF;
  static constexpr unsigned kConsumedShift = 20;
  static constexpr std::uint32_t kUsed = 0x80000000u;
  struct Slot {
    std::uint64_t prefix;
    std::uint32_t node;
    std::uint32_t info;
  };

  std::size_t slotFor(std::uint64_t prefix) const {
    return static_cast<std::size_t>((prefix * 0x9E3779B97F4A7C15ull) >> shift_);
  }
  void insert(std::uint64_t prefix, const Resume& resume);
  void allocate(std::size_t entries);

  std::vector<Slot> slots_;
  std::size_t mask_ = 0;
  unsigned shift_ = 0;
  std::size_t depth_ = 0;
  std::size_t size_ = 0;
};

}  // namespace BlocklistV4Format::trie
