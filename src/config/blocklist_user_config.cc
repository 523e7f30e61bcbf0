#include "config/blocklist_user_config.h"

#include "config/json_dates.h"
#include "core/json_fields.h"

namespace veltra::config {

BlocklistUserConfig BlocklistUserConfig::fromJson(const nlohmann::json& object) {
  json::FieldReader fields(object);
  BlocklistUserConfig record;
  std::vector<std::string> keys;
  fields.required("enabledCategories", keys);
  for (const auto& key : keys) {
    auto category = blocklistCategoryFromRawValue(key);
    if (!category) json::fail("enabledCategories", "unknown category \"" + key + "\"");
    record.enabledCategories.insert(*category);
  }
  fields.optional("basePresetId", record.basePresetId);
  record.lastModified = requiredDate(object, "lastModified");
  fields.optional("preferMiniVariants", record.preferMiniVariants);
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
