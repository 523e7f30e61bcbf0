// The mapping between an artifact's category slots and registry ids.
#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "artifact_format/category_set.h"

namespace BlocklistV4Format {

// Slot k is the k-th category of an artifact, which lists its categories by ascending registry
// id. Plain value, read-only after construction.
struct SlotTable {
  std::vector<std::int64_t> idsBySlot;
  std::unordered_map<std::int64_t, std::size_t> slotsByID;

  SlotTable() = default;
  // Stores `ids` as slots 0, 1, ...; when an id occurs twice the later slot wins.
  explicit SlotTable(std::vector<std::int64_t> ids);

  std::size_t count() const { return idsBySlot.size(); }
  // Returns the slot of `id`, or nothing.
  std::optional<std::size_t> slot(std::int64_t id) const;
  // Returns the id of `slot`, or nothing when it is not 0 to count - 1.
  std::optional<std::int64_t> id(std::int64_t slot) const;
  // Returns the set of the slots of `ids`; ids without a slot, and slots above 255, are skipped.
  template <typename Ids>
  CategorySet slotSet(const Ids& ids) const {
    CategorySet set;
    for (std::int64_t id : ids) {
      auto found = slotsByID.find(id);
      if (found != slotsByID.end() && found->second <= CategorySet::kMaxSlot)
        set.insert(found->second);
    }
    return set;
  }
  // Returns the ids of the slots of `set` that are below count, ascending.
  std::vector<std::int64_t> registryIDs(const CategorySet& set) const;

  friend bool operator==(const SlotTable& a, const SlotTable& b) {
    return a.idsBySlot == b.idsBySlot;
  }
};

}  // namespace BlocklistV4Format
