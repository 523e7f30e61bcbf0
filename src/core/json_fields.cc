#include "core/json_fields.h"

#include <cmath>
#include <limits>

namespace veltra::json {

namespace {

const nlohmann::json* present(const nlohmann::json& object, const std::string& key) {
  auto it = object.find(key);
  if (it == object.end() || it->is_null()) return nullptr;
  return &*it;
}

// Reads an integral JSON number (a float is accepted only when it has no fraction) as a long
// double so that range checks can be made before narrowing.
std::optional<long double> integral(const nlohmann::json& value) {
  if (value.is_number_unsigned()) return static_cast<long double>(value.get<std::uint64_t>());
  if (value.is_number_integer()) return static_cast<long double>(value.get<std::int64_t>());
  if (value.is_number_float()) {
    double d = value.get<double>();
    if (std::isfinite(d) && std::floor(d) == d) return static_cast<long double>(d);
  }
  return std::nullopt;
}

}  // namespace

nlohmann::json parseObject(ByteView bytes) {
  nlohmann::json document = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
  if (document.is_discarded()) throw DecodingError("The data is not valid JSON.");
  if (!document.is_object()) throw DecodingError("The data is not a JSON object.");
  return document;
}

void fail(const std::string& key, const std::string& problem) {
  throw DecodingError(key + ": " + problem);
}

std::optional<bool> optionalBool(const nlohmann::json& object, const std::string& key) {
  const auto* value = present(object, key);
  if (value == nullptr) return std::nullopt;
  if (!value->is_boolean()) fail(key, "expected a boolean");
  return value->get<bool>();
}

std::optional<std::int64_t> optionalInt64(const nlohmann::json& object, const std::string& key) {
  const auto* value = present(object, key);
  if (value == nullptr) return std::nullopt;
  if (value->is_number_integer() && !value->is_number_unsigned()) return value->get<std::int64_t>();
  if (value->is_number_unsigned()) {
    auto u = value->get<std::uint64_t>();
    if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
      fail(key, "number out of range");
    return static_cast<std::int64_t>(u);
  }
  auto number = value->is_number() ? integral(*value) : std::nullopt;
  if (!number) fail(key, "expected an integer");
  if (*number < -9.2233720368547758e18L || *number >= 9.2233720368547758e18L)
    fail(key, "number out of range");
  return static_cast<std::int64_t>(*number);
}

std::optional<std::uint64_t> optionalUInt64(const nlohmann::json& object, const std::string& key) {
  const auto* value = present(object, key);
  if (value == nullptr) return std::nullopt;
  if (value->is_number_unsigned()) return value->get<std::uint64_t>();
  auto number = value->is_number() ? integral(*value) : std::nullopt;
  if (!number) fail(key, "expected an integer");
  if (*number < 0 || *number >= 1.8446744073709551616e19L) fail(key, "number out of range");
  return static_cast<std::uint64_t>(*number);
}

std::optional<std::uint32_t> optionalUInt32(const nlohmann::json& object, const std::string& key) {
  auto value = optionalUInt64(object, key);
  if (!value) return std::nullopt;
  if (*value > std::numeric_limits<std::uint32_t>::max()) fail(key, "number out of range");
  return static_cast<std::uint32_t>(*value);
}

std::optional<double> optionalDouble(const nlohmann::json& object, const std::string& key) {
  const auto* value = present(object, key);
  if (value == nullptr) return std::nullopt;
  if (!value->is_number()) fail(key, "expected a number");
  return value->get<double>();
}

std::optional<std::string> optionalString(const nlohmann::json& object, const std::string& key) {
  const auto* value = present(object, key);
  if (value == nullptr) return std::nullopt;
  if (!value->is_string()) fail(key, "expected a string");
  return value->get<std::string>();
}

std::optional<std::vector<std::string>> optionalStringArray(const nlohmann::json& object,
                                                            const std::string& key) {
  const auto* value = present(object, key);
  if (value == nullptr) return std::nullopt;
  if (!value->is_array()) fail(key, "expected an array");
  std::vector<std::string> items;
  for (const auto& item : *value) {
    if (!item.is_string()) fail(key, "expected an array of strings");
    items.push_back(item.get<std::string>());
  }
  return items;
}

bool requiredBool(const nlohmann::json& object, const std::string& key) {
  auto value = optionalBool(object, key);
  if (!value) fail(key, "missing");
  return *value;
}

std::int64_t requiredInt64(const nlohmann::json& object, const std::string& key) {
  auto value = optionalInt64(object, key);
  if (!value) fail(key, "missing");
  return *value;
}

std::string requiredString(const nlohmann::json& object, const std::string& key) {
  auto value = optionalString(object, key);
  if (!value) fail(key, "missing");
  return *value;
}

std::string encodePretty(const nlohmann::json& value) {
  // nlohmann::json keeps object keys in a std::map, so the dump is in sorted key order.
  return value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace veltra::json
