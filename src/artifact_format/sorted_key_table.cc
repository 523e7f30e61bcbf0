#include "artifact_format/sorted_key_table.h"

namespace BlocklistV4Format {

SortedKeyTable::SortedKeyTable(const std::vector<std::pair<veltra::Bytes, std::uint16_t>>& pairs)
    : SortedKeyTable(build(
          pairs.size(), [&](std::size_t i) { return veltra::ByteView(pairs[i].first); },
          [&](std::size_t i) { return pairs[i].second; })) {}

}  // namespace BlocklistV4Format
