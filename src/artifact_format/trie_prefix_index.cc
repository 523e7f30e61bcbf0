#include "artifact_format/trie_prefix_index.h"

#include "core/little_endian.h"

namespace BlocklistV4Format::trie {

namespace {

// A walk state at a given depth: the node to visit next, the bytes consumed before it, the best
// value so far and the key bytes up to the depth (byte i in bits 8i to 8i+7).
struct State {
  std::size_t node;
  std::size_t consumed;
  std::uint32_t best;
  std::uint64_t prefix;
};

// The parts of one node, read with every bound checked; valid is false for a damaged node.
struct Node {
  bool valid = false;
  bool terminal = false;
  std::uint32_t value = kNoValue;
  std::size_t fragment = 0;  // offset of the fragment
  std::size_t fragLen = 0;
  std::size_t table = 0;  // offset of the child table
  std::size_t children = 0;
};

Node readNode(const std::uint8_t* base, std::size_t count, std::size_t p) {
  Node node;
  if (p >= count || count - p < 2) return node;
  const std::uint8_t flags = base[p];
  node.fragLen = base[p + 1];
  node.fragment = p + 2;
  std::size_t q = node.fragment + node.fragLen;
  if (q > count) return node;
  node.terminal = flags & 1;
  if (node.terminal) {
    if (count - q < 2) return node;
    node.value = veltra::le::load16(base + q);
    q += 2;
  }
  node.table = q;
  node.children = flags >> 1;
  if ((count - q) / kEntryBytes < node.children) return node;
  node.valid = true;
  return node;
}

constexpr std::size_t kNodeOffsetLimit = std::size_t{1} << 32;

}  // namespace

PrefixIndex::PrefixIndex(const std::uint8_t* base, std::size_t count, std::size_t root,
                         bool longestPrefix, std::size_t budget) {
  if (root >= count || root >= kNodeOffsetLimit) return;
  // States at depth d, grown one byte at a time while they fit the budget. Each level reads at
  // most `budget` nodes and their tables, so building is bounded whatever the file holds.
  std::vector<State> states{{root, 0, kNoValue, 0}};
  std::vector<State> next;
  std::size_t depth = 0;
  std::vector<State> chosen;
  while (depth < kMaxDepth) {
    next.clear();
    bool fits = true;
    for (const State& state : states) {
      const Node node = readNode(base, count, state.node);
      if (!node.valid) continue;
      if (state.consumed + node.fragLen > depth) {
        // The fragment covers the next byte: the same node, one prefix byte longer.
        const std::uint64_t byte = base[node.fragment + (depth - state.consumed)];
        next.push_back(
            {state.node, state.consumed, state.best, state.prefix | byte << (8 * depth)});
      } else {
        // The fragment ends here: the next byte picks a child.
        const std::uint32_t best = node.terminal && longestPrefix ? node.value : state.best;
        for (std::size_t i = 0; i < node.children; ++i) {
          const std::size_t entry = node.table + i * kEntryBytes;
          const std::size_t child = childOffsetAt(base, entry);
          if (child >= kNodeOffsetLimit) continue;
          const std::uint64_t byte = base[entry];
          next.push_back({child, depth + 1, best, state.prefix | byte << (8 * depth)});
        }
      }
      if (next.size() > budget) {
        fits = false;
        break;
      }
    }
    if (!fits || next.empty()) break;
    ++depth;
    states.swap(next);
    chosen = states;
  }
  if (depth == 0) return;
  allocate(chosen.size());
  depth_ = depth;
  for (const State& state : chosen) {
    insert(state.prefix, {state.node, state.consumed, state.best});
  }
}

void PrefixIndex::allocate(std::size_t entries) {
  // At most half full, so probes stay short.
  std::size_t capacity = 16;
  unsigned bits = 4;
  while (capacity < 2 * entries) {
    capacity *= 2;
    ++bits;
  }
  slots_.assign(capacity, Slot{0, 0, 0});
  mask_ = capacity - 1;
  shift_ = 64 - bits;
}

void PrefixIndex::insert(std::uint64_t prefix, const Resume& resume) {
  std::size_t i = slotFor(prefix);
  while (slots_[i].info != 0) {
    // A damaged table may repeat a key byte; the walk takes the first entry, and so does this.
    if (slots_[i].prefix == prefix) return;
    i = (i + 1) & mask_;
  }
  slots_[i] = {prefix, static_cast<std::uint32_t>(resume.node),
               kUsed | static_cast<std::uint32_t>(resume.consumed) << kConsumedShift | resume.best};
  ++size_;
}

}  // namespace BlocklistV4Format::trie
