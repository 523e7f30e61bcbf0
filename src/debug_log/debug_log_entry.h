// One record of the in-memory debug log and its JSON form.
//
// JSON object keys, in this order: "id" (UUID text), "timestamp" (ISO 8601 UTC), "level" (raw
// string of LogLevel), "category", "message", and "details" only when present.
#pragma once

#include <chrono>
#include <exception>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "core/bytes.h"
#include "core/json_fields.h"
#include "debug_log/log_level.h"
#include "debug_log/uuid.h"

namespace veltra::debuglog {

// Why a JSON object is no DebugLogEntry. Value type; description() is fixed wording.
class DebugLogDecodingError : public std::exception {
 public:
  explicit DebugLogDecodingError(std::string key)
      : key_(std::move(key)), description_("invalid or missing key \"" + key_ + "\"") {}

  // The text nested deeper than json::kMaxNestingDepth; its key is empty.
  static DebugLogDecodingError nestedTooDeep() {
    return DebugLogDecodingError("", json::kNestedTooDeepDescription);
  }

  // Returns "invalid or missing key \"<key>\"", or json::kNestedTooDeepDescription.
  const std::string& description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }
  const std::string& key() const { return key_; }

  friend bool operator==(const DebugLogDecodingError& a, const DebugLogDecodingError& b) {
    return a.key_ == b.key_ && a.description_ == b.description_;
  }

 private:
  DebugLogDecodingError(std::string key, std::string description)
      : key_(std::move(key)), description_(std::move(description)) {}

  std::string key_;
  std::string description_;
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
