#include "config/blocklist_user_config.h"

#include "config/json_dates.h"
#include "core/json_fields.h"

namespace veltra::config {

BlocklistUserConfig BlocklistUserConfig::fromJson(const nlohmann::json& object) {
  BlocklistUserConfig record;
  auto keys = json::optionalStringArray(object, "enabledCategories");
  if (!keys) json::fail("enabledCategories", "missing");
  for (const auto& key : *keys) {
    auto category = blocklistCategoryFromRawValue(key);
    if (!category) json::fail("enabledCategories", "unknown category \"" + key + "\"");
    record.enabledCategories.insert(*category);
  }
  record.basePresetId = json::optionalString(object, "basePresetId");
  auto lastModified = optionalDate(object, "lastModified");
  if (!lastModified) json::fail("lastModified", "missing");
  record.lastModified = *lastModified;
  record.preferMiniVariants = json::optionalBool(object, "preferMiniVariants").value_or(false);
  return record;
}

BlocklistUserConfig BlocklistUserConfig::decode(ByteView bytes) {
  return fromJson(json::parseObject(bytes));
}

nlohmann::json BlocklistUserConfig::toJson() const {
  nlohmann::json object = nlohmann::json::object();
  nlohmann::json keys = nlohmann::json::array();
  for (auto category : enabledCategories) keys.push_back(std::string(rawValue(category)));
  object["enabledCategories"] = keys;
  if (basePresetId) object["basePresetId"] = *basePresetId;
  object["lastModified"] = platform::formatIso8601(lastModified);
  object["preferMiniVariants"] = preferMiniVariants;
  return object;
}

std::string BlocklistUserConfig::encode() const { return json::encodePretty(toJson()); }

}  // namespace veltra::config
