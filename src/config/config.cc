#include "config/config.h"

#include "config/json_dates.h"
#include "core/json_fields.h"

namespace veltra::config {

Config Config::fromJson(const nlohmann::json& o) {
  json::FieldReader fields(o);
  Config c;
  fields.optional("filteringEnabled", c.filteringEnabled);
  c.filteringLastChanged = optionalDate(o, "filteringLastChanged");
  std::optional<std::vector<std::string>> keys;
  fields.optional("enabledCategories", keys);
  if (keys) c.enabledCategoryKeys = std::set<std::string>(keys->begin(), keys->end());
  fields.optional("basePresetId", c.basePresetId);
  c.lastBlocklistUpdate = optionalDate(o, "lastBlocklistUpdate");
  fields.optional("blocklistDomainCount", c.blocklistDomainCount);
  fields.optional("configVersion", c.configVersion);
  fields.optional("sequenceNumber", c.sequenceNumber);
  fields.optional("blocklistFormatVersion", c.blocklistFormatVersion);
  fields.optional("blockedResponseTTL", c.blockedResponseTTL);
  fields.optional("maxAllowedResponseTTL", c.maxAllowedResponseTTL);
  fields.optional("logBufferSize", c.logBufferSize);
  fields.optional("logFlushInterval", c.logFlushInterval);
  fields.optional("hourlyStatsRetentionDays", c.hourlyStatsRetentionDays);
  fields.optional("dailyStatsRetentionDays", c.dailyStatsRetentionDays);
  fields.optional("minUpdateInterval", c.minUpdateInterval);
  fields.optional("downloadTimeout", c.downloadTimeout);
  fields.optional("maxBlocklistFileSize", c.maxBlocklistFileSize);
  fields.optional("skipUpdateOnMetered", c.skipUpdateOnMetered);
  fields.optional("maxDomainsInMemory", c.maxDomainsInMemory);
  fields.optional("maxDatabaseSizeMB", c.maxDatabaseSizeMB);
  fields.optional("blockResponseType", c.blockResponseType);
  fields.optional("wasManuallyPaused", c.wasManuallyPaused);
  fields.optional("userWantsFilteringEnabled", c.userWantsFilteringEnabled);
  std::optional<std::int64_t> raw;
  fields.optional("loggingLevel", raw);
  if (raw) {
    auto level = loggingLevelFromRawValue(*raw);
    if (!level) json::fail("loggingLevel", std::to_string(*raw) + " is not a logging level");
    c.loggingLevel = *level;
  }
  fields.optional("trustedNetworkActive", c.trustedNetworkActive);
  return c;
}

Config Config::decode(ByteView bytes) { return fromJson(json::parseObject(bytes)); }

nlohmann::json Config::toJson() const {
  nlohmann::json o = nlohmann::json::object();
  o["filteringEnabled"] = filteringEnabled;
  if (filteringLastChanged)
    o["filteringLastChanged"] = platform::formatIso8601(*filteringLastChanged);
  o["enabledCategories"] = nlohmann::json(enabledCategoryKeys);
  if (basePresetId) o["basePresetId"] = *basePresetId;
  if (lastBlocklistUpdate) o["lastBlocklistUpdate"] = platform::formatIso8601(*lastBlocklistUpdate);
  o["blocklistDomainCount"] = blocklistDomainCount;
  o["configVersion"] = configVersion;
  o["sequenceNumber"] = sequenceNumber;
  o["blocklistFormatVersion"] = blocklistFormatVersion;
  o["blockedResponseTTL"] = blockedResponseTTL;
  o["maxAllowedResponseTTL"] = maxAllowedResponseTTL;
  o["logBufferSize"] = logBufferSize;
  o["logFlushInterval"] = logFlushInterval;
  o["hourlyStatsRetentionDays"] = hourlyStatsRetentionDays;
  o["dailyStatsRetentionDays"] = dailyStatsRetentionDays;
  o["minUpdateInterval"] = minUpdateInterval;
  o["downloadTimeout"] = downloadTimeout;
  o["maxBlocklistFileSize"] = maxBlocklistFileSize;
  o["skipUpdateOnMetered"] = skipUpdateOnMetered;
  o["maxDomainsInMemory"] = maxDomainsInMemory;
  o["maxDatabaseSizeMB"] = maxDatabaseSizeMB;
  o["blockResponseType"] = blockResponseType;
  o["wasManuallyPaused"] = wasManuallyPaused;
  if (userWantsFilteringEnabled) o["userWantsFilteringEnabled"] = *userWantsFilteringEnabled;
  o["loggingLevel"] = rawValue(loggingLevel);
  o["trustedNetworkActive"] = trustedNetworkActive;
  return o;
}

std::string Config::encode() const { return json::encodePretty(toJson()); }

}  // namespace veltra::config
