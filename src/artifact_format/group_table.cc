#include "artifact_format/group_table.h"

#include <algorithm>
#include <utility>

#include "artifact_format/v4_format_error.h"
#include "artifact_format/v4_header.h"

namespace BlocklistV4Format {

GroupTable::GroupTable(std::vector<CategorySet> groupSets) : sets(std::move(groupSets)) {
  index.reserve(sets.size());
  for (std::size_t g = 0; g < sets.size(); ++g) index[sets[g]] = static_cast<std::uint16_t>(g);
}

GroupTable GroupTable::decode(veltra::ByteView bytes, std::uint64_t count, std::uint64_t rowWidth) {
  std::uint64_t needed = count * rowWidth;
  if (bytes.size() < needed) throw V4FormatError::truncated(needed, bytes.size());
  std::vector<CategorySet> sets;
  sets.reserve(count);
  for (std::uint64_t g = 0; g < count; ++g) {
    sets.push_back(CategorySet::fromRow(bytes.subspan(g * rowWidth, rowWidth)));
  }
  return GroupTable(std::move(sets));
}

std::optional<std::uint16_t> GroupTable::id(const CategorySet& set) const {
  auto found = index.find(set);
  if (found == index.end()) return std::nullopt;
  return found->second;
}

std::optional<CategorySet> GroupTable::set(std::uint64_t groupID) const {
  if (groupID >= sets.size()) return std::nullopt;
  return sets[groupID];
}

veltra::Bytes GroupTable::encoded(std::size_t rowWidth) const {
  veltra::Bytes out;
  out.reserve(sets.size() * rowWidth);
  for (const CategorySet& set : sets) set.appendRow(out, rowWidth);
  return out;
}

VerdictBitmap GroupTable::verdictBitmap(const CategorySet& selection) const {
  VerdictBitmap bitmap;
  bitmap.groupCount = sets.size();
  bitmap.bits.assign((sets.size() + 7) / 8, 0);
  for (std::size_t g = 0; g < sets.size(); ++g) {
    if (sets[g].intersects(selection))
      bitmap.bits[g >> 3] |= static_cast<std::uint8_t>(1u << (g & 7));
  }
  return bitmap;
}

GroupTable CategorySetInterner::build() const {
  if (occurrences_.size() > V4Header::kMaxGroupCount) {
    throw V4FormatError::groupCountExceedsFormat(occurrences_.size());
  }
  std::vector<std::pair<CategorySet, std::uint64_t>> ordered(occurrences_.begin(),
                                                             occurrences_.end());
  std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) {
    if (a.second != b.second) return a.second > b.second;
    return a.first < b.first;
  });
  std::vector<CategorySet> sets;
  sets.reserve(ordered.size());
  for (const auto& [set, count] : ordered) sets.push_back(set);
  return GroupTable(std::move(sets));
}

}  // namespace BlocklistV4Format
