#include "artifact_format/category_registry.h"

#include <algorithm>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "artifact_format/category_set.h"

namespace BlocklistV4Format {

bool CategoryRegistry::DataSource::hasListData() const {
  return kind == Kind::upstream || (kind == Kind::embeddedWildcard && !suffixes.empty());
}

std::optional<std::string> CategoryRegistry::DataSource::note() const {
  if (kind == Kind::upstream) return std::nullopt;
  return noteText;
}

std::optional<CategoryRegistry::Upstream> CategoryRegistry::DataSource::upstream() const {
  if (kind != Kind::upstream) return std::nullopt;
  return upstreamSettings;
}

std::optional<std::int64_t> CategoryRegistry::DataSource::minCoverage() const {
  if (kind != Kind::upstream) return std::nullopt;
  return upstreamSettings.minCoverage;
}

CategoryRegistry::CategoryRegistry(std::vector<Entry> entries, std::vector<Block> blocks,
                                   std::int64_t idSpaceSize)
    : entries_(std::move(entries)), blocks_(std::move(blocks)), idSpaceSize_(idSpaceSize) {
  std::vector<std::int64_t> ids;
  for (const Entry& entry : entries_) {
    if (entry.status == Status::active && entry.id) ids.push_back(*entry.id);
  }
  std::sort(ids.begin(), ids.end());
  slots_ = SlotTable(std::move(ids));
}

void CategoryRegistry::validate() const {
  validateEntries();
  if (slotCount() > CategorySet::kSlotCount) {
    throw RegistryError::tooManyActiveCategories(static_cast<std::int64_t>(slotCount()));
  }
  validateBlocks();
  std::unordered_set<std::int64_t> v3Seen;
  for (const Entry& entry : entries_) {
    if (entry.v3Id && !v3Seen.insert(*entry.v3Id).second) {
      throw RegistryError::duplicateV3ID(*entry.v3Id);
    }
  }
  validateParents();
}

void CategoryRegistry::validateEntries() const {
  std::unordered_set<std::int64_t> seen;
  for (const Entry& entry : entries_) {
    if (entry.id) {
      if (!seen.insert(*entry.id).second) throw RegistryError::duplicateID(*entry.id);
      if (static_cast<std::uint64_t>(*entry.id) > static_cast<std::uint64_t>(kMaxID)) {
        throw RegistryError::idOutOfRange(entry.name, *entry.id);
      }
    }
    if (entry.status == Status::unallocated && entry.id) {
      throw RegistryError::unallocatedWithID(entry.name, *entry.id);
    }
    if (entry.status == Status::active) {
      if (!entry.id) throw RegistryError::activeWithoutID(entry.name);
      if (!entry.data.hasListData()) throw RegistryError::activeWithoutData(entry.name);
    }
  }
}

void CategoryRegistry::validateBlocks() const {
  if (blocks_.empty()) return;
  std::vector<Block> sorted = blocks_;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const Block& a, const Block& b) { return a.lowerBound < b.lowerBound; });
  std::int64_t next = 0;
  for (const Block& block : sorted) {
    if (block.lowerBound != next) throw RegistryError::blocksDoNotTileIDSpace(next);
    next = block.upperBound == std::numeric_limits<std::int64_t>::max() ? block.upperBound
                                                                        : block.upperBound + 1;
  }
  if (next != idSpaceSize_) throw RegistryError::blocksDoNotTileIDSpace(next);
  for (const Entry& entry : entries_) {
    if (entry.id && !block(*entry.id)) {
      throw RegistryError::idOutsideEveryBlock(entry.name, *entry.id);
    }
  }
}

void CategoryRegistry::validateParents() const {
  std::unordered_map<std::string, const Entry*> byName;
  for (const Entry& entry : entries_) byName.try_emplace(entry.name, &entry);
  for (const Entry& entry : entries_) {
    if (!entry.parent) continue;
    const std::string& parentName = *entry.parent;
    if (parentName == entry.name) throw RegistryError::parentIsSelf(entry.name);
    auto found = byName.find(parentName);
    if (found == byName.end()) throw RegistryError::parentNotFound(entry.name, parentName);
    const Entry& parent = *found->second;
    if (parent.parent) throw RegistryError::parentHasParent(entry.name, parentName);
    if (parent.status != Status::active) {
      throw RegistryError::parentNotActive(entry.name, parentName, parent.status);
    }
    if (!entry.id) throw RegistryError::parentedWithoutID(entry.name);
    std::optional<Block> own = block(*entry.id);
    std::optional<Block> theirs = parent.id ? block(*parent.id) : std::nullopt;
    if (own.has_value() != theirs.has_value() || (own && own->name != theirs->name)) {
      throw RegistryError::parentInDifferentBlock(entry.name, parentName);
    }
  }
}

std::vector<CategoryRegistry::Entry> CategoryRegistry::activeEntries() const {
  std::vector<Entry> active;
  for (const Entry& entry : entries_) {
    if (entry.status == Status::active) active.push_back(entry);
  }
  return active;
}

std::map<std::int64_t, std::int64_t> CategoryRegistry::coverageByID(
    const std::map<std::int64_t, std::int64_t>& bySlot) const {
  std::map<std::int64_t, std::int64_t> byID;
  for (const auto& [slotIndex, value] : bySlot) {
    if (std::optional<std::int64_t> found = slots_.id(slotIndex)) byID[*found] = value;
  }
  return byID;
}

std::optional<CategoryRegistry::Entry> CategoryRegistry::entry(std::string_view name) const {
  for (const Entry& entry : entries_) {
    if (entry.name == name) return entry;
  }
  return std::nullopt;
}

const CategoryRegistry::Entry* CategoryRegistry::firstWithID(std::int64_t id) const {
  for (const Entry& entry : entries_) {
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

std::optional<std::string> CategoryRegistry::name(std::int64_t id) const {
  const Entry* entry = firstWithID(id);
  if (!entry) return std::nullopt;
  return entry->name;
}

std::optional<CategoryRegistry::Block> CategoryRegistry::block(std::int64_t id) const {
  for (const Block& block : blocks_) {
    if (block.contains(id)) return block;
  }
  return std::nullopt;
}

std::vector<CategoryRegistry::Entry> CategoryRegistry::children(std::string_view name) const {
  std::vector<Entry> result;
  for (const Entry& entry : entries_) {
    if (entry.parent == name) result.push_back(entry);
  }
  std::stable_sort(result.begin(), result.end(), [](const Entry& a, const Entry& b) {
    return a.id.value_or(0) < b.id.value_or(0);
  });
  return result;
}

std::set<std::string> CategoryRegistry::hierarchyNames() const {
  std::set<std::string> names;
  for (const Entry& entry : entries_) {
    if (!entry.parent) continue;
    names.insert(entry.name);
    names.insert(*entry.parent);
  }
  return names;
}

std::optional<std::int64_t> CategoryRegistry::v3Id(std::int64_t id) const {
  const Entry* entry = firstWithID(id);
  if (!entry) return std::nullopt;
  return entry->v3Id;
}

std::uint32_t CategoryRegistry::v3Mask(const std::vector<std::int64_t>& ids) const {
  std::uint32_t mask = 0;
  for (std::int64_t id : ids) {
    std::optional<std::int64_t> bit = v3Id(id);
    if (bit && *bit >= 0 && *bit < 32) mask |= std::uint32_t{1} << *bit;
  }
  return mask;
}

}  // namespace BlocklistV4Format
