#include "artifact_format/slot_table.h"

#include <algorithm>

namespace BlocklistV4Format {

SlotTable::SlotTable(std::vector<std::int64_t> ids) : idsBySlot(std::move(ids)) {
  slotsByID.reserve(idsBySlot.size());
  for (std::size_t slot = 0; slot < idsBySlot.size(); ++slot) slotsByID[idsBySlot[slot]] = slot;
}

std::optional<std::size_t> SlotTable::slot(std::int64_t id) const {
  auto found = slotsByID.find(id);
  if (found == slotsByID.end()) return std::nullopt;
  return found->second;
}

std::optional<std::int64_t> SlotTable::id(std::int64_t slot) const {
  if (slot < 0 || static_cast<std::uint64_t>(slot) >= idsBySlot.size()) return std::nullopt;
  return idsBySlot[static_cast<std::size_t>(slot)];
}

std::vector<std::int64_t> SlotTable::registryIDs(const CategorySet& set) const {
  std::vector<std::int64_t> ids;
  set.forEachSlot([&](std::size_t slot) {
    if (slot < idsBySlot.size()) ids.push_back(idsBySlot[slot]);
  });
  std::sort(ids.begin(), ids.end());
  return ids;
}

}  // namespace BlocklistV4Format
