// The category lookups both V4 readers offer on top of their category table and domain lookup.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "artifact_format/category_set.h"
#include "artifact_format/category_table.h"

namespace BlocklistV4Format {

// Mixin: `Reader` provides categoryTable() and categories(domain) -> optional<CategorySet>.
template <typename Reader>
class CategoryIndexed {
 public:
  // Returns the table's ids in slot order.
  const std::vector<std::int64_t>& idsBySlot() const { return table().slots.idsBySlot; }
  // Returns the name stored for `id`.
  std::optional<std::string> categoryName(std::int64_t id) const {
    auto found = table().namesByID.find(id);
    if (found == table().namesByID.end()) return std::nullopt;
    return found->second;
  }
  std::optional<std::size_t> slot(std::int64_t id) const { return table().slots.slot(id); }
  std::optional<std::int64_t> id(std::int64_t slot) const { return table().slots.id(slot); }
  // Returns the name of the id at `slot`.
  std::optional<std::string> categoryNameForSlot(std::int64_t slot) const {
    std::optional<std::int64_t> found = id(slot);
    if (!found) return std::nullopt;
    return categoryName(*found);
  }
  // Returns the set of the slots of `ids`; ids not in the table are skipped.
  template <typename Ids>
  CategorySet slotSet(const Ids& ids) const {
    return table().slots.slotSet(ids);
  }
  // Returns the ids of the categories listing `domain`, ascending; empty when it is not listed.
  std::vector<std::int64_t> registryIDs(std::string_view domain) const {
    std::optional<CategorySet> set = static_cast<const Reader&>(*this).categories(domain);
    if (!set) return {};
    return table().slots.registryIDs(*set);
  }

 private:
  const CategoryTable& table() const { return static_cast<const Reader&>(*this).categoryTable(); }
};

}  // namespace BlocklistV4Format
