// One record of the in-memory debug log and its JSON form.
//
// JSON object keys, in this order: "id" (UUID text), "timestamp" (ISO 8601 UTC), "level" (raw
// string of LogLevel), "category", "message", and "details" only when present.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "core/bytes.h"
#include "core/json_fields.h"
#include "debug_log/log_level.h"
#include "debug_log/uuid.h"

namespace veltra::debuglog {

// What identifies a decoding failure: the key at fault, or that the text nested too deep.
struct DebugLogDecodingPayload {
  std::string key;
  bool nestedTooDeep = false;
  bool operator==(const DebugLogDecodingPayload&) const = default;
};

// Why a JSON object is no DebugLogEntry. Value type; description() is fixed wording:
// "invalid or missing key \"<key>\"", or json::kNestedTooDeepDescription.
class DebugLogDecodingError : public TypedError<DebugLogDecodingError, DebugLogDecodingPayload> {
 public:
  explicit DebugLogDecodingError(std::string key)
      : TypedError({key, false}, "invalid or missing key \"" + key + "\"") {}

  // The text nested deeper than json::kMaxNestingDepth; its key is empty.
  static DebugLogDecodingError nestedTooDeep() {
    return {{"", true}, json::kNestedTooDeepDescription};
  }

 private:
  using TypedError::TypedError;
};

// A plain record; an entry's identity is its `id`.
struct DebugLogEntry {
  Uuid id;
  std::chrono::system_clock::time_point timestamp;
  LogLevel level = LogLevel::info;
  std::string category;
  std::string message;
  std::optional<std::string> details;

  // Returns the JSON object of this entry, keys in their declared order.
  nlohmann::ordered_json encode() const;

  // Returns the entry of a JSON object. Throws DebugLogDecodingError on a missing required key,
  // a wrong type, a malformed id or timestamp, or an unknown level string.
  static DebugLogEntry decode(const nlohmann::json& object);
  static DebugLogEntry decode(const nlohmann::ordered_json& object);
  // Returns the entry of a JSON text. Throws DebugLogDecodingError as above; with key "" for
  // text that is not a JSON object, and nestedTooDeep() past json::kMaxNestingDepth.
  static DebugLogEntry decode(ByteView text);

  friend bool operator==(const DebugLogEntry&, const DebugLogEntry&) = default;
};

}  // namespace veltra::debuglog
