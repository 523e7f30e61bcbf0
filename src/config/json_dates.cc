#include "config/json_dates.h"

#include "core/json_fields.h"

namespace veltra::config {

std::optional<platform::TimePoint> optionalDate(const nlohmann::json& object,
                                                const std::string& key) {
  std::optional<std::string> text;
  json::FieldReader(object).optional(key, text);
  if (!text) return std::nullopt;
  auto date = platform::parseIso8601(*text);
  if (!date) json::fail(key, "expected an ISO 8601 date, got \"" + *text + "\"");
  return date;
}

platform::TimePoint requiredDate(const nlohmann::json& object, const std::string& key) {
  auto date = optionalDate(object, key);
  if (!date) json::fail(key, "missing");
  return *date;
}

}  // namespace veltra::config
