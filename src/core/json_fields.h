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

// Each reader returns nothing when `key` is missing or null, and throws DecodingError when the
// value has the wrong type or does not fit the field.
std::optional<bool> optionalBool(const nlohmann::json& object, const std::string& key);
std::optional<std::int64_t> optionalInt64(const nlohmann::json& object, const std::string& key);
std::optional<std::uint32_t> optionalUInt32(const nlohmann::json& object, const std::string& key);
std::optional<double> optionalDouble(const nlohmann::json& object, const std::string& key);
std::optional<std::string> optionalString(const nlohmann::json& object, const std::string& key);
std::optional<std::vector<std::string>> optionalStringArray(const nlohmann::json& object,
                                                            const std::string& key);

// Each required reader throws DecodingError "<key>: missing" when the key is missing or null.
std::int64_t requiredInt64(const nlohmann::json& object, const std::string& key);
std::string requiredString(const nlohmann::json& object, const std::string& key);

// Returns the text of `value` indented by two spaces with keys in sorted order.
std::string encodePretty(const nlohmann::json& value);

}  // namespace veltra::json
