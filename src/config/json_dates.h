// ISO 8601 date fields of the product's JSON documents.
#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/iso8601.h"

namespace veltra::config {

// Returns the date under `key`, nothing when missing or null; throws json::DecodingError when the
// value is not a string in the strict ISO 8601 form (zone designator required, no fractions).
std::optional<platform::TimePoint> optionalDate(const nlohmann::json& object,
                                                const std::string& key);

// Returns the date under `key`; throws json::DecodingError "<key>: missing" when it is missing
// or null, and what optionalDate throws.
platform::TimePoint requiredDate(const nlohmann::json& object, const std::string& key);

}  // namespace veltra::config
