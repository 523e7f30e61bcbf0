// The errors of loading and validating a category registry.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace BlocklistV4Format {

// Lifecycle of a registry entry; stored in JSON by its raw text.
enum class RegistryStatus { active, reserved, unallocated, tombstone };

// Returns "active", "reserved", "unallocated" or "tombstone".
std::string_view rawValue(RegistryStatus status);
// Returns the status of a raw text, or nothing.
std::optional<RegistryStatus> registryStatusFromRawValue(std::string_view text);

// The first inconsistency validate() finds. Value type with fixed wording; equal when the case
// and every payload value are equal.
class RegistryError : public std::exception {
 public:
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

  Case errorCase() const { return case_; }
  const std::string& description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

  friend bool operator==(const RegistryError& a, const RegistryError& b) {
    return a.case_ == b.case_ && a.name_ == b.name_ && a.parent_ == b.parent_ &&
           a.value_ == b.value_ && a.status_ == b.status_;
  }
  friend std::ostream& operator<<(std::ostream& out, const RegistryError& error) {
    return out << error.description_;
  }

 private:
  RegistryError(Case errorCase, std::string name, std::string parent, std::int64_t value,
                std::optional<RegistryStatus> status, std::string description);

  Case case_;
  std::string name_;
  std::string parent_;
  std::int64_t value_;
  std::optional<RegistryStatus> status_;
  std::string description_;
};

// A registry document that does not match the wire form: the JSON path and what is wrong.
class RegistryDecodingError : public std::exception {
 public:
  explicit RegistryDecodingError(std::string description) : description_(std::move(description)) {}
  const std::string& description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  std::string description_;
};

}  // namespace BlocklistV4Format
