// The errors of loading and validating a category registry.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/typed_error.h"

namespace BlocklistV4Format {

// Lifecycle of a registry entry; stored in JSON by its raw text.
enum class RegistryStatus { active, reserved, unallocated, tombstone };

// Returns "active", "reserved", "unallocated" or "tombstone".
std::string_view rawValue(RegistryStatus status);
// Returns the status of a raw text, or nothing.
std::optional<RegistryStatus> registryStatusFromRawValue(std::string_view text);

// What identifies a registry inconsistency: the case and the values it names.
struct RegistryErrorPayload {
  enum class Case {
    duplicateID,
    activeWithoutID,
    activeWithoutData,
    unallocatedWithID,
    idOutOfRange,
    tooManyActiveCategories,
    idOutsideEveryBlock,
    blocksDoNotTileIDSpace,
    duplicateV3ID,
    parentNotFound,
    parentInDifferentBlock,
    parentIsSelf,
    parentHasParent,
    parentNotActive,
    parentedWithoutID,
  };
  Case errorCase;
  std::string name;
  std::string parent;
  std::int64_t value = 0;
  std::optional<RegistryStatus> status;
  bool operator==(const RegistryErrorPayload&) const = default;
};

// The first inconsistency validate() finds. Value type with fixed wording; equal when the case
// and every payload value are equal.
class RegistryError : public veltra::TypedError<RegistryError, RegistryErrorPayload> {
 public:
  using Case = RegistryErrorPayload::Case;

  static RegistryError duplicateID(std::int64_t id);
  static RegistryError activeWithoutID(std::string name);
  static RegistryError activeWithoutData(std::string name);
  static RegistryError unallocatedWithID(std::string name, std::int64_t id);
  static RegistryError idOutOfRange(std::string name, std::int64_t id);
  static RegistryError tooManyActiveCategories(std::int64_t count);
  static RegistryError idOutsideEveryBlock(std::string name, std::int64_t id);
  static RegistryError blocksDoNotTileIDSpace(std::int64_t firstUncoveredID);
  static RegistryError duplicateV3ID(std::int64_t v3Id);
  static RegistryError parentNotFound(std::string name, std::string parent);
  static RegistryError parentInDifferentBlock(std::string name, std::string parent);
  static RegistryError parentIsSelf(std::string name);
  static RegistryError parentHasParent(std::string name, std::string parent);
  static RegistryError parentNotActive(std::string name, std::string parent, RegistryStatus status);
  static RegistryError parentedWithoutID(std::string name);

 private:
  using TypedError::TypedError;
};

// A registry document that does not match the wire form: the JSON path and what is wrong.
class RegistryDecodingError : public veltra::DescribedError<RegistryDecodingError> {
 public:
  explicit RegistryDecodingError(std::string description)
      : DescribedError(std::move(description)) {}
};

}  // namespace BlocklistV4Format
