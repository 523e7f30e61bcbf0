#include "artifact_format/registry_error.h"

#include <utility>

#include "core/raw_value_table.h"

namespace BlocklistV4Format {

namespace {
constexpr auto kStatusRawValues = veltra::rawValueTable<RegistryStatus, std::string_view>(
    {"active", "reserved", "unallocated", "tombstone"});
}  // namespace

std::string_view rawValue(RegistryStatus status) { return kStatusRawValues.toRaw(status); }

std::optional<RegistryStatus> registryStatusFromRawValue(std::string_view text) {
  return kStatusRawValues.fromRaw(text);
}

RegistryError RegistryError::duplicateID(std::int64_t id) {
  return {{Case::duplicateID, "", "", id, std::nullopt},
          "category id " + std::to_string(id) + " appears more than once; ids are never reused"};
}

RegistryError RegistryError::activeWithoutID(std::string name) {
  std::string text = name + " is active but has no id";
  return {{Case::activeWithoutID, std::move(name), "", 0, std::nullopt}, std::move(text)};
}

RegistryError RegistryError::activeWithoutData(std::string name) {
  std::string text = name + " is active but has no list data (the #574 defect)";
  return {{Case::activeWithoutData, std::move(name), "", 0, std::nullopt}, std::move(text)};
}

RegistryError RegistryError::unallocatedWithID(std::string name, std::int64_t id) {
  std::string text = name + " is unallocated but holds id " + std::to_string(id);
  return {{Case::unallocatedWithID, std::move(name), "", id, std::nullopt}, std::move(text)};
}

RegistryError RegistryError::idOutOfRange(std::string name, std::int64_t id) {
  std::string text = name + " has id " + std::to_string(id) +
                     ", outside 0...65535. The category table stores ids as u16.";
  return {{Case::idOutOfRange, std::move(name), "", id, std::nullopt}, std::move(text)};
}

RegistryError RegistryError::tooManyActiveCategories(std::int64_t count) {
  return {{Case::tooManyActiveCategories, "", "", count, std::nullopt},
          std::to_string(count) +
              " active categories exceeds the 256 slots one artifact can hold. Widen "
              "CategorySet's storage \xE2\x80\x94 this is not an id-space limit."};
}

RegistryError RegistryError::idOutsideEveryBlock(std::string name, std::int64_t id) {
  std::string text = name + " has id " + std::to_string(id) + ", which falls in no declared block";
  return {{Case::idOutsideEveryBlock, std::move(name), "", id, std::nullopt}, std::move(text)};
}

RegistryError RegistryError::blocksDoNotTileIDSpace(std::int64_t firstUncoveredID) {
  return {{Case::blocksDoNotTileIDSpace, "", "", firstUncoveredID, std::nullopt},
          "declared blocks leave id " + std::to_string(firstUncoveredID) +
              " uncovered; blocks must tile 0..<size"};
}

RegistryError RegistryError::duplicateV3ID(std::int64_t v3Id) {
  return {{Case::duplicateV3ID, "", "", v3Id, std::nullopt},
          "V3 id " + std::to_string(v3Id) + " is claimed by more than one category"};
}

RegistryError RegistryError::parentNotFound(std::string name, std::string parent) {
  std::string text = name + " declares parent '" + parent + "', which is not in the registry";
  return {{Case::parentNotFound, std::move(name), std::move(parent), 0, std::nullopt},
          std::move(text)};
}

RegistryError RegistryError::parentInDifferentBlock(std::string name, std::string parent) {
  std::string text = name + " declares parent '" + parent +
                     "' from a different block; the UI groups categories by block, so the two "
                     "would render in unrelated sections";
  return {{Case::parentInDifferentBlock, std::move(name), std::move(parent), 0, std::nullopt},
          std::move(text)};
}

RegistryError RegistryError::parentIsSelf(std::string name) {
  std::string text = name + " declares itself as its own parent";
  return {{Case::parentIsSelf, std::move(name), "", 0, std::nullopt}, std::move(text)};
}

RegistryError RegistryError::parentHasParent(std::string name, std::string parent) {
  std::string text = name + " declares parent '" + parent +
                     "', which is itself a child; the hierarchy is one level deep and a "
                     "grandchild would be dropped from any selection naming the grandparent";
  return {{Case::parentHasParent, std::move(name), std::move(parent), 0, std::nullopt},
          std::move(text)};
}

RegistryError RegistryError::parentNotActive(std::string name, std::string parent,
                                             RegistryStatus status) {
  std::string text = name + " declares parent '" + parent + "', which is " +
                     std::string(rawValue(status)) +
                     " rather than active; a retired or gapped parent left in place would "
                     "silently drop " +
                     name + " from the hierarchy with no error";
  return {{Case::parentNotActive, std::move(name), std::move(parent), 0, status}, std::move(text)};
}

RegistryError RegistryError::parentedWithoutID(std::string name) {
  std::string text = name +
                     " declares a parent but has no id of its own; an id-less category is never "
                     "rendered or selected, so the parent it declares is meaningless";
  return {{Case::parentedWithoutID, std::move(name), "", 0, std::nullopt}, std::move(text)};
}

}  // namespace BlocklistV4Format
