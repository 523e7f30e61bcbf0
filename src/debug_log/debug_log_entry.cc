#include "debug_log/debug_log_entry.h"

#include "platform/iso8601.h"

namespace veltra::debuglog {

namespace {

template <typename Json>
const std::string& requiredString(const Json& object, const char* key) {
  auto it = object.find(key);
  if (it == object.end() || !it->is_string()) throw DebugLogDecodingError(key);
  return it->template get_ref<const std::string&>();
}

}  // namespace

nlohmann::ordered_json DebugLogEntry::encode() const {
  nlohmann::ordered_json ordered;
  ordered["id"] = id.uuidString();
  ordered["timestamp"] = platform::formatIso8601(timestamp);
  ordered["level"] = std::string(rawValue(level));
  ordered["category"] = category;
  ordered["message"] = message;
  if (details) ordered["details"] = *details;
  return ordered;
}

namespace {

template <typename Json>
DebugLogEntry decodeObject(const Json& object) {
  if (!object.is_object()) throw DebugLogDecodingError("");
  DebugLogEntry entry;
  auto id = Uuid::fromString(requiredString(object, "id"));
  if (!id) throw DebugLogDecodingError("id");
  entry.id = *id;
  auto timestamp = platform::parseIso8601(requiredString(object, "timestamp"));
  if (!timestamp) throw DebugLogDecodingError("timestamp");
  entry.timestamp = *timestamp;
  auto level = logLevelFromRawValue(requiredString(object, "level"));
  if (!level) throw DebugLogDecodingError("level");
  entry.level = *level;
  entry.category = requiredString(object, "category");
  entry.message = requiredString(object, "message");
  if (auto it = object.find("details"); it != object.end() && !it->is_null()) {
    if (!it->is_string()) throw DebugLogDecodingError("details");
    entry.details = it->template get<std::string>();
  }
  return entry;
}

}  // namespace

DebugLogEntry DebugLogEntry::decode(const nlohmann::json& object) { return decodeObject(object); }

DebugLogEntry DebugLogEntry::decode(const nlohmann::ordered_json& object) {
  return decodeObject(object);
}

DebugLogEntry DebugLogEntry::decode(ByteView text) {
  json::ParsedValue parsed = json::parseValue(text);
  if (parsed.failure == json::SyntaxFailure::nestedTooDeep)
    throw DebugLogDecodingError::nestedTooDeep();
  if (parsed.failure) throw DebugLogDecodingError("");
  return decodeObject(parsed.value);
}

}  // namespace veltra::debuglog
