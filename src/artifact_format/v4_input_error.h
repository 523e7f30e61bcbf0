// Input that a V4 artifact cannot store, refused by the writer before it produces any byte.
#pragma once

#include <cstdint>
#include <string>

#include "artifact_format/case_payload.h"
#include "core/typed_error.h"

namespace BlocklistV4Format {

enum class V4InputErrorCase {
  categoryIDOutOfRange,
  categoryNameTooLong,
  tooManyCategories,
  duplicateCategoryID,
  slotOutOfRange,
  countExceedsFormat,
  imageTooLarge,
};

// A typed refusal of writer input that would make a damaged file. Value type; description() is
// fixed wording assembled from the payload. Equal when the case and every payload are equal.
class V4InputError : public veltra::TypedError<V4InputError, CasePayload<V4InputErrorCase>> {
 public:
  using Case = V4InputErrorCase;

  // "category id N is outside 0...65535; the category table stores ids as u16"
  static V4InputError categoryIDOutOfRange(std::int64_t id);
  // "category N has a name of M bytes; the category table holds at most 255"
  static V4InputError categoryNameTooLong(std::int64_t id, std::uint64_t length);
  // "N categories exceed the 256 slots one artifact can hold"
  static V4InputError tooManyCategories(std::uint64_t count);
  // "category id N is given more than once"
  static V4InputError duplicateCategoryID(std::int64_t id);
  // "KEY names slot S, but the artifact has N categories"
  static V4InputError slotOutOfRange(std::string key, std::uint64_t slot, std::uint64_t count);
  // "FIELD N exceeds the u32 header field"
  static V4InputError countExceedsFormat(std::string field, std::uint64_t count);
  // "trie image of N bytes needs child offsets beyond 32 bits"
  static V4InputError imageTooLarge(std::uint64_t byteCount);

 private:
  using TypedError::TypedError;
};

}  // namespace BlocklistV4Format
