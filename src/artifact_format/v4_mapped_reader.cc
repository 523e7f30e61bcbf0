#include "artifact_format/v4_mapped_reader.h"

#include <algorithm>
#include <vector>

#include "artifact_format/domain_keys.h"
#include "artifact_format/utf8.h"

namespace BlocklistV4Format {

V4MappedReader::V4MappedReader(veltra::ByteView bytes)
    : V4ReaderBase(bytes), exactTrie_(bytes, header().exactTrieOffset) {
  if (header().flags.contains(V4Header::Flags::hasWildcardTrie())) {
    wildcardTrie_.emplace(bytes, header().wildcardTrieOffset);
  }
  auto clamped = [&](std::uint64_t offset) {
    return static_cast<std::size_t>(std::min<std::uint64_t>(offset, bytes.size()));
  };
  exactRoot_ = clamped(header().exactTrieOffset);
  wildcardRoot_ = clamped(header().wildcardTrieOffset);
  exactIndex_ = trie::PrefixIndex(bytes.data(), bytes.size(), exactRoot_, false);
  if (wildcardTrie_) {
    wildcardIndex_ = trie::PrefixIndex(bytes.data(), bytes.size(), wildcardRoot_, true);
  }
}

std::optional<std::uint16_t> V4MappedReader::groupID(std::string_view domain) const {
  ReversedDottedKey reversed(domain);
  return groupID(veltra::asBytes(domain), reversed.bytes());
}

bool V4MappedReader::isBlocked(std::string_view domain, const VerdictBitmap& verdict) const {
  ReversedDottedKey reversed(domain);
  return isBlocked(veltra::asBytes(domain), reversed.bytes(), verdict);
}

void V4MappedReader::forEachExactDomain(
    const std::function<bool(const std::string&, std::uint16_t)>& visit) const {
  forEachExactBytes([&](veltra::ByteView bytes, std::uint16_t group) {
    return visit(decodeUTF8Lossy(bytes), group);
  });
}

void V4MappedReader::forEachExactBytes(
    const std::function<bool(veltra::ByteView, std::uint16_t)>& visit) const {
  const std::uint8_t* base = exactTrie_.base();
  const std::size_t count = exactTrie_.count();
  auto fits = [count](std::size_t at, std::size_t length) {
    return at <= count && count - at >= length;
  };
  // A node whose children are being visited: its child table and the path up to its children.
  struct Frame {
    std::size_t table;
    std::size_t childCount;
    std::size_t nextChild;
    std::size_t pathLength;
  };
  std::vector<std::uint8_t> path;
  path.reserve(256);
  std::vector<Frame> stack;
  // Pre-order layout puts every node after the one visited before it; a node that does not is
  // damage (a shared or backward child) and is skipped, so each byte is visited at most once.
  std::size_t lastVisited = 0;
  bool visitedAny = false;
  // Visits the node at `p` with `path` leading to it; returns false to stop the enumeration.
  auto visitNode = [&](std::size_t p) {
    if (visitedAny && p <= lastVisited) return true;
    visitedAny = true;
    lastVisited = p;
    if (!fits(p, 2)) return true;
    const std::uint8_t flags = base[p];
    const std::size_t fragLen = base[p + 1];
    if (!fits(p + 2, fragLen)) return true;
    path.insert(path.end(), base + p + 2, base + p + 2 + fragLen);
    std::size_t q = p + 2 + fragLen;
    if (flags & 1) {
      if (!fits(q, 2)) return true;
      if (!visit(veltra::ByteView(path), veltra::le::load16(base + q))) return false;
      q += 2;
    }
    const std::size_t children = flags >> 1;
    if (children == 0 || !fits(q, children * trie::kEntryBytes)) return true;
    stack.push_back({q, children, 0, path.size()});
    return true;
  };
  if (exactTrie_.rootOffset() < count &&
      visitNode(static_cast<std::size_t>(exactTrie_.rootOffset()))) {
    while (!stack.empty()) {
      Frame& frame = stack.back();
      if (frame.nextChild == frame.childCount) {
        stack.pop_back();
        continue;
      }
      const std::size_t entry = frame.table + frame.nextChild * trie::kEntryBytes;
      ++frame.nextChild;
      path.resize(frame.pathLength);
      path.push_back(base[entry]);
      if (!visitNode(trie::childOffsetAt(base, entry))) break;
    }
  }
}

}  // namespace BlocklistV4Format
