// The category table region of a V4 artifact and its decoded form.
//
// Region (starts at offset 64): one entry per slot, slot 0 first, ascending registry id, back to
// back with no count, terminator or padding. Entry:
//   0: id   (u16, LE) registry id
//   2: L    (u8)      name length in bytes
//   3: name (L bytes) UTF-8, no terminator
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "artifact_format/slot_table.h"
#include "core/bytes.h"

namespace BlocklistV4Format {

// One category of an artifact: registry id and name.
struct CategoryEntry {
  std::int64_t id = 0;
  std::string name;

  friend bool operator==(const CategoryEntry&, const CategoryEntry&) = default;
};

// Returns the category table region for `categories` sorted by id (stable). Ids must be 0 to
// 65535 and names at most 255 bytes; the writer checks this before calling.
veltra::Bytes encodeCategoryTable(std::vector<CategoryEntry> categories);

// Appends the region for `categories`, which are already in ascending id order, to `out`.
void appendCategoryTable(veltra::Bytes& out, const std::vector<CategoryEntry>& sortedCategories);

// The decoded category table. Plain value.
struct CategoryTable {
  // Name of every id; when an id occurs twice the later entry's name is kept.
  std::map<std::int64_t, std::string> namesByID;
  // Ids in table order.
  SlotTable slots;
  // Offset just past the last entry.
  std::uint64_t endOffset = 0;

  // Decodes `count` entries of `bytes` starting at `offset`; throws V4FormatError::truncated
  // when an entry's fixed part or name does not fit. Names are decoded lossily as UTF-8.
  static CategoryTable decode(veltra::ByteView bytes, std::uint64_t count, std::uint64_t offset);

  friend bool operator==(const CategoryTable&, const CategoryTable&) = default;
};

}  // namespace BlocklistV4Format
