#include "artifact_format/category_table.h"

#include <algorithm>

#include "artifact_format/utf8.h"
#include "artifact_format/v4_format_error.h"
#include "core/little_endian.h"

namespace BlocklistV4Format {

void appendCategoryTable(veltra::Bytes& out, const std::vector<CategoryEntry>& sortedCategories) {
  for (const CategoryEntry& entry : sortedCategories) {
    veltra::le::append16(out, static_cast<std::uint16_t>(entry.id));
    out.push_back(static_cast<std::uint8_t>(entry.name.size()));
    out.insert(out.end(), entry.name.begin(), entry.name.end());
  }
}

veltra::Bytes encodeCategoryTable(std::vector<CategoryEntry> categories) {
  std::stable_sort(categories.begin(), categories.end(),
                   [](const CategoryEntry& a, const CategoryEntry& b) { return a.id < b.id; });
  veltra::Bytes out;
  appendCategoryTable(out, categories);
  return out;
}

CategoryTable CategoryTable::decode(veltra::ByteView bytes, std::uint64_t count,
                                    std::uint64_t offset) {
  CategoryTable table;
  std::vector<std::int64_t> ids;
  const std::uint64_t length = bytes.size();
  std::uint64_t at = offset;
  for (std::uint64_t i = 0; i < count; ++i) {
    if (at > length || length - at < 3) throw V4FormatError::truncated(at + 3, length);
    std::uint16_t id = veltra::le::load16(bytes.data() + at);
    std::uint8_t nameLength = bytes[at + 2];
    if (length - at - 3 < nameLength) throw V4FormatError::truncated(at + 3 + nameLength, length);
    table.namesByID[id] = decodeUTF8Lossy(bytes.subspan(at + 3, nameLength));
    ids.push_back(id);
    at += 3 + nameLength;
  }
  table.slots = SlotTable(std::move(ids));
  table.endOffset = at;
  return table;
}

}  // namespace BlocklistV4Format
