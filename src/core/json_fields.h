// Strict field readers for the product's JSON documents.
//
// The documents are decoded the way the other processes of the product decode them: a missing
// key or a null value means "absent"; a value of the wrong JSON type (a string where a number
// belongs, a fraction where an integer belongs, a number outside the field's range) makes the
// whole document undecodable; unknown keys are ignored.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/bytes.h"

namespace veltra::json {

// A document that cannot be decoded into its record. Value type with a fixed description.
class DecodingError : public std::exception {
 public:
  explicit DecodingError(std::string description) : description_(std::move(description)) {}
  const std::string& description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }
  friend bool operator==(const DecodingError& a, const DecodingError& b) {
    return a.description_ == b.description_;
  }

 private:
  std::string description_;
};

// Parses `bytes` as one JSON object. Throws DecodingError for malformed JSON or a non-object.
nlohmann::json parseObject(ByteView bytes);

// Throws DecodingError "<key>: <problem>".
[[noreturn]] void fail(const std::string& key, const std::string& problem);

// Each reader returns nothing when `key` is missing or null, and throws DecodingError when the
// value has the wrong type or does not fit the field.
std::optional<bool> optionalBool(const nlohmann::json& object, const std::string& key);
std::optional<std::int64_t> optionalInt64(const nlohmann::json& object, const std::string& key);
std::optional<std::uint32_t> optionalUInt32(const nlohmann::json& object, const std::string& key);
std::optional<std::uint64_t> optionalUInt64(const nlohmann::json& object, const std::string& key);
std::optional<double> optionalDouble(const nlohmann::json& object, const std::string& key);
std::optional<std::string> optionalString(const nlohmann::json& object, const std::string& key);
std::optional<std::vector<std::string>> optionalStringArray(const nlohmann::json& object,
                                                            const std::string& key);

// Each required reader throws DecodingError "<key>: missing" when the key is missing or null.
bool requiredBool(const nlohmann::json& object, const std::string& key);
std::int64_t requiredInt64(const nlohmann::json& object, const std::string& key);
std::string requiredString(const nlohmann::json& object, const std::string& key);

// Returns the text of `value` indented by two spaces with keys in sorted order.
std::string encodePretty(const nlohmann::json& value);

}  // namespace veltra::json
