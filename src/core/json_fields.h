// Strict field readers for the product's JSON documents.
//
// The documents are decoded the way the other processes of the product decode them: a missing
// key or a null value means "absent"; a value of the wrong JSON type (a string where a number
// belongs, a fraction where an integer belongs, a number outside the field's range) makes the
// whole document undecodable; unknown keys are ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/bytes.h"
#include "core/typed_error.h"

namespace veltra::json {

// A document that cannot be decoded into its record. Value type with a fixed description.
class DecodingError : public DescribedError<DecodingError> {
 public:
  explicit DecodingError(std::string description) : DescribedError(std::move(description)) {}
};

// The deepest nesting a document may have: the number of arrays and objects open at once, the
// outermost one included. Copying, comparing and dumping a tree recurse once per level, and so
// could a decoder; the bound keeps hostile input from exhausting the stack.
inline constexpr std::size_t kMaxNestingDepth = 64;

// The largest JSON document read from a local file, the same bound as a fetched document's.
inline constexpr std::size_t kMaxDocumentBytes = 16 * 1024 * 1024;

// The description of a document nested deeper than kMaxNestingDepth.
inline constexpr const char* kNestedTooDeepDescription =
    "The data is nested deeper than 64 levels.";

// Why bytes are no JSON value.
enum class SyntaxFailure { malformed, nestedTooDeep };

// A parsed value, or why there is none (then `value` is null).
struct ParsedValue {
  nlohmann::json value;
  std::optional<SyntaxFailure> failure;
};

// Parses `bytes` as one JSON value (strict: nothing but whitespace may follow it). Nesting is
// counted while parsing: the first array or object that would open past kMaxNestingDepth stops
// the parse, so no part of a too-deep tree is ever built. Never throws for any input; never
// recurses.
ParsedValue parseValue(ByteView bytes);

// Parses `bytes` as one JSON object. Throws DecodingError for malformed JSON, nesting deeper
// than kMaxNestingDepth (kNestedTooDeepDescription) or a non-object.
nlohmann::json parseObject(ByteView bytes);

// Throws DecodingError "<key>: <problem>".
[[noreturn]] void fail(const std::string& key, const std::string& problem);

// Decodes one present (not null) value as T, naming `key` in its errors: "<key>: expected a
// string", "<key>: number out of range", ... Defined for bool, std::int64_t, std::uint32_t,
// std::uint64_t, double, std::string and std::vector<std::string>.
template <typename T>
T decode(const nlohmann::json& value, const std::string& key);
template <>
bool decode<bool>(const nlohmann::json& value, const std::string& key);
template <>
std::int64_t decode<std::int64_t>(const nlohmann::json& value, const std::string& key);
template <>
std::uint32_t decode<std::uint32_t>(const nlohmann::json& value, const std::string& key);
template <>
std::uint64_t decode<std::uint64_t>(const nlohmann::json& value, const std::string& key);
template <>
double decode<double>(const nlohmann::json& value, const std::string& key);
template <>
std::string decode<std::string>(const nlohmann::json& value, const std::string& key);
template <>
std::vector<std::string> decode<std::vector<std::string>>(const nlohmann::json& value,
                                                          const std::string& key);

// Reads the fields of one JSON object into a record, one call per field:
//
//   FieldReader fields(object);
//   fields.required("version", record.version);   // absent: "version: missing"
//   fields.optional("filename", record.filename); // absent: the field keeps its value
//
// A missing key and a null value both mean absent. A field of type std::optional<T> is read as
// T; any other field type is one decode() is defined for. Does not own the object.
class FieldReader {
 public:
  explicit FieldReader(const nlohmann::json& object) : object_(object) {}

  // Returns the value at `key`, or nullptr when it is absent.
  const nlohmann::json* find(const std::string& key) const;
  // Returns the value at `key`; throws DecodingError "<key>: missing" when it is absent.
  const nlohmann::json& requiredValue(const std::string& key) const;

  template <typename T>
  void required(const std::string& key, T& field) const {
    field = decode<T>(requiredValue(key), key);
  }
  template <typename T>
  void optional(const std::string& key, T& field) const {
    if (const nlohmann::json* value = find(key)) field = decode<T>(*value, key);
  }
  template <typename T>
  void optional(const std::string& key, std::optional<T>& field) const {
    if (const nlohmann::json* value = find(key)) field = decode<T>(*value, key);
  }

 private:
  const nlohmann::json& object_;
};

// Returns the text of `value` indented by two spaces with keys in sorted order.
std::string encodePretty(const nlohmann::json& value);

}  // namespace veltra::json
