#include "artifact_format/radix_trie_builder.h"

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "artifact_format/utf8.h"
#include "artifact_format/v4_format_error.h"
#include "artifact_format/v4_input_error.h"
#include "core/little_endian.h"

namespace BlocklistV4Format {
namespace {

constexpr std::size_t kNoPatch = std::numeric_limits<std::size_t>::max();
constexpr std::size_t kMaxFanout = 127;
constexpr std::size_t kMaxFragment = 255;

// A node still to be written: the run [lo, hi) of keys, the first fragment position and the
// position of the parent's offset field to patch with the node's position.
struct PendingNode {
  std::size_t lo;
  std::size_t hi;
  std::size_t fragmentStart;
  std::size_t patchAt;
};

struct Child {
  std::uint8_t byte;
  std::size_t lo;
  std::size_t hi;
};

class Serializer {
 public:
  // Writes into `out`, or with a null `out` only measures the image (same checks, no bytes).
  Serializer(const SortedKeyTable& table, veltra::Bytes* out)
      : table_(table), bytes_(out), size_(out ? out->size() : 0) {}

  std::uint64_t size() const { return size_; }

  RadixTrieBuilder::Stats run() {
    stack_.push_back({0, table_.count(), 0, kNoPatch});
    while (!stack_.empty()) {
      PendingNode node = stack_.back();
      stack_.pop_back();
      writeNode(node);
    }
    return stats_;
  }

 private:
  // Returns the depth of a node: the run's first and last keys agree up to it.
  std::size_t depthOf(const PendingNode& node) const {
    if (node.patchAt == kNoPatch) return 0;
    veltra::ByteView first = table_.key(node.lo);
    veltra::ByteView last = table_.key(node.hi - 1);
    std::size_t limit = std::min(first.size(), last.size());
    std::size_t p = node.fragmentStart;
    while (p < limit && first[p] == last[p]) ++p;
    return p;
  }

  // Returns the end of the run of keys in [i, hi) whose byte at `depth` is `byte`.
  std::size_t runEnd(std::size_t i, std::size_t hi, std::size_t depth, std::uint8_t byte) const {
    std::size_t lo = i + 1;
    while (lo < hi) {
      std::size_t mid = lo + (hi - lo) / 2;
      if (table_.key(mid)[depth] == byte) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    return lo;
  }

  void writeNode(const PendingNode& node) {
    if (node.patchAt != kNoPatch) {
      std::uint64_t offset = size_ - node.patchAt;
      if (offset > std::numeric_limits<std::uint32_t>::max()) {
        throw V4InputError::imageTooLarge(size_);
      }
      if (bytes_) {
        veltra::le::storeUnchecked(bytes_->data() + node.patchAt,
                                   static_cast<std::uint32_t>(offset));
      }
    }
    const std::size_t depth = depthOf(node);
    const bool terminal = node.lo < node.hi && table_.keyLength(node.lo) == depth;
    children_.clear();
    for (std::size_t i = terminal ? node.lo + 1 : node.lo; i < node.hi;) {
      veltra::ByteView key = table_.key(i);
      if (key.size() == depth) {
        throw V4FormatError::corruptTrie("duplicate key at index " + std::to_string(i) +
                                         "; keys must be unique before serialisation");
      }
      std::size_t j = runEnd(i, node.hi, depth, key[depth]);
      children_.push_back({key[depth], i, j});
      i = j;
    }
    if (children_.size() > kMaxFanout) {
      std::string path = decodeUTF8Lossy(table_.key(node.lo).first(depth));
      throw V4FormatError::fanoutExceedsFormat(path, children_.size());
    }
    const std::size_t fragmentLength = depth - node.fragmentStart;
    if (fragmentLength > kMaxFragment) throw V4FormatError::fragmentTooLong(fragmentLength);

    RadixTrieBuilder::Stats& stats = stats_;
    stats.nodeCount += 1;
    stats.maxFanout = std::max<std::uint64_t>(stats.maxFanout, children_.size());
    stats.fragmentBytes += fragmentLength;
    if (terminal) stats.terminalCount += 1;

    const std::size_t tableStart = size_ + 2 + fragmentLength + (terminal ? 2 : 0);
    size_ = tableStart + children_.size() * RadixTrieBuilder::kChildEntryBytes;
    if (bytes_) {
      veltra::Bytes& bytes = *bytes_;
      bytes.push_back(static_cast<std::uint8_t>((terminal ? 1 : 0) + 2 * children_.size()));
      bytes.push_back(static_cast<std::uint8_t>(fragmentLength));
      if (fragmentLength > 0) {
        veltra::ByteView fragment = table_.key(node.lo).subspan(node.fragmentStart, fragmentLength);
        bytes.insert(bytes.end(), fragment.begin(), fragment.end());
      }
      if (terminal) veltra::le::append16(bytes, table_.groupID(node.lo));
      for (const Child& child : children_) {
        bytes.push_back(child.byte);
        veltra::le::append32(bytes, 0);
      }
    }
    for (std::size_t c = children_.size(); c-- > 0;) {
      const Child& child = children_[c];
      stack_.push_back(
          {child.lo, child.hi, depth + 1, tableStart + c * RadixTrieBuilder::kChildEntryBytes + 1});
    }
  }

  const SortedKeyTable& table_;
  veltra::Bytes* bytes_;
  std::uint64_t size_;
  RadixTrieBuilder::Stats stats_;
  std::vector<PendingNode> stack_;
  std::vector<Child> children_;
};

}  // namespace

RadixTrieBuilder::Output RadixTrieBuilder::serialize(const SortedKeyTable& table) {
  Output output;
  output.bytes.reserve(std::max<std::size_t>(table.count(), 4) * 16);
  output.stats = appendImage(table, output.bytes);
  return output;
}

RadixTrieBuilder::Stats RadixTrieBuilder::appendImage(const SortedKeyTable& table,
                                                      veltra::Bytes& out) {
  return Serializer(table, &out).run();
}

std::uint64_t RadixTrieBuilder::imageSize(const SortedKeyTable& table) {
  Serializer measure(table, nullptr);
  measure.run();
  return measure.size();
}

std::uint64_t RadixTrieBuilder::maxImageBytes(std::uint64_t keyCount, std::uint64_t keyBytes) {
  // At most 2n + 1 nodes; each has 2 header bytes, at most one value and one parent entry;
  // fragments and edge bytes never add up to more than the key bytes.
  return (2 * keyCount + 1) * (2 + 2 + kChildEntryBytes) + keyBytes;
}

}  // namespace BlocklistV4Format
