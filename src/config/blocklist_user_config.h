// The user's category selection record and its JSON form.
#pragma once

#include <optional>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

#include "config/blocklist_category.h"
#include "core/bytes.h"
#include "platform/iso8601.h"

namespace veltra::config {

// The categories the user selected, and where the selection came from. Plain value.
// JSON keys: "enabledCategories" (array of keys, required), "basePresetId" (optional, written
// only when set), "lastModified" (ISO 8601, required), "preferMiniVariants" (optional on input,
// absent means false; always written).
struct BlocklistUserConfig {
  std::set<BlocklistCategory> enabledCategories;
  std::optional<std::string> basePresetId;
  platform::TimePoint lastModified;
  bool preferMiniVariants = false;

  // Decodes the JSON object; throws json::DecodingError for a missing required key, an unknown
  // category or a wrong type.
  static BlocklistUserConfig fromJson(const nlohmann::json& object);
  // Decodes JSON text; throws json::DecodingError.
  static BlocklistUserConfig decode(ByteView bytes);
  // Returns the JSON object.
  nlohmann::json toJson() const;
  // Returns the JSON text, indented with sorted keys.
  std::string encode() const;

  friend bool operator==(const BlocklistUserConfig&, const BlocklistUserConfig&) = default;
};

}  // namespace veltra::config
