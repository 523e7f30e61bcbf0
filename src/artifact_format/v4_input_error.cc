#include "artifact_format/v4_input_error.h"

#include <utility>

namespace BlocklistV4Format {

V4InputError V4InputError::categoryIDOutOfRange(std::int64_t id) {
  return {{Case::categoryIDOutOfRange, static_cast<std::uint64_t>(id), 0, ""},
          "category id " + std::to_string(id) +
              " is outside 0...65535; the category table stores ids as u16"};
}

V4InputError V4InputError::categoryNameTooLong(std::int64_t id, std::uint64_t length) {
  return {{Case::categoryNameTooLong, static_cast<std::uint64_t>(id), length, ""},
          "category " + std::to_string(id) + " has a name of " + std::to_string(length) +
              " bytes; the category table holds at most 255"};
}

V4InputError V4InputError::tooManyCategories(std::uint64_t count) {
  return {{Case::tooManyCategories, count, 0, ""},
          std::to_string(count) + " categories exceed the 256 slots one artifact can hold"};
}

V4InputError V4InputError::duplicateCategoryID(std::int64_t id) {
  return {{Case::duplicateCategoryID, static_cast<std::uint64_t>(id), 0, ""},
          "category id " + std::to_string(id) + " is given more than once"};
}

V4InputError V4InputError::slotOutOfRange(std::string key, std::uint64_t slot,
                                          std::uint64_t count) {
  std::string description = key + " names slot " + std::to_string(slot) +
                            ", but the artifact has " + std::to_string(count) + " categories";
  return {{Case::slotOutOfRange, slot, count, std::move(key)}, std::move(description)};
}

V4InputError V4InputError::countExceedsFormat(std::string field, std::uint64_t count) {
  std::string description = field + " " + std::to_string(count) + " exceeds the u32 header field";
  return {{Case::countExceedsFormat, count, 0, std::move(field)}, std::move(description)};
}

V4InputError V4InputError::imageTooLarge(std::uint64_t byteCount) {
  return {
      {Case::imageTooLarge, byteCount, 0, ""},
      "trie image of " + std::to_string(byteCount) + " bytes needs child offsets beyond 32 bits"};
}

}  // namespace BlocklistV4Format
