#include "artifact_format/category_set.h"

namespace BlocklistV4Format {

CategorySet CategorySet::fromRow(veltra::ByteView row) {
  CategorySet set;
  std::size_t count = row.size() < kMaxRowWidth ? row.size() : kMaxRowWidth;
  for (std::size_t i = 0; i < count; ++i) {
    set.words[i >> 3] |= std::uint64_t{row[i]} << (8 * (i & 7));
  }
  return set;
}

CategorySet CategorySet::of(std::initializer_list<std::size_t> slots) {
  CategorySet set;
  for (std::size_t slot : slots) set.insert(slot);
  return set;
}

veltra::Bytes CategorySet::rowBytes(std::size_t width) const {
  veltra::Bytes out;
  out.reserve(width);
  appendRow(out, width);
  return out;
}

void CategorySet::appendRow(veltra::Bytes& out, std::size_t width) const {
  for (std::size_t i = 0; i < width && i < kMaxRowWidth; ++i) {
    out.push_back(static_cast<std::uint8_t>(words[i >> 3] >> (8 * (i & 7))));
  }
}

int CategorySet::highestSlot() const {
  for (std::size_t w = kWordCount; w-- > 0;) {
    if (words[w] != 0) return static_cast<int>(w * 64 + 63 - __builtin_clzll(words[w]));
  }
  return -1;
}

std::vector<std::size_t> CategorySet::slots() const {
  std::vector<std::size_t> result;
  forEachSlot([&](std::size_t slot) { result.push_back(slot); });
  return result;
}

}  // namespace BlocklistV4Format
