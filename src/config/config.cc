#include "config/config.h"

#include "config/json_dates.h"
#include "core/json_fields.h"

namespace veltra::config {

namespace {

template <typename T>
void take(std::optional<T> value, T& field) {
  if (value) field = std::move(*value);
}

}  // namespace

Config Config::fromJson(const nlohmann::json& o) {
  using namespace json;
  Config c;
  take(optionalBool(o, "filteringEnabled"), c.filteringEnabled);
  c.filteringLastChanged = optionalDate(o, "filteringLastChanged");
  if (auto keys = optionalStringArray(o, "enabledCategories")) {
    c.enabledCategoryKeys = std::set<std::string>(keys->begin(), keys->end());
  }
  c.basePresetId = optionalString(o, "basePresetId");
  c.lastBlocklistUpdate = optionalDate(o, "lastBlocklistUpdate");
  take(optionalInt64(o, "blocklistDomainCount"), c.blocklistDomainCount);
  take(optionalInt64(o, "configVersion"), c.configVersion);
  take(optionalInt64(o, "sequenceNumber"), c.sequenceNumber);
  take(optionalInt64(o, "blocklistFormatVersion"), c.blocklistFormatVersion);
  take(optionalUInt32(o, "blockedResponseTTL"), c.blockedResponseTTL);
  take(optionalUInt32(o, "maxAllowedResponseTTL"), c.maxAllowedResponseTTL);
  take(optionalInt64(o, "logBufferSize"), c.logBufferSize);
  take(optionalDouble(o, "logFlushInterval"), c.logFlushInterval);
  take(optionalInt64(o, "hourlyStatsRetentionDays"), c.hourlyStatsRetentionDays);
  take(optionalInt64(o, "dailyStatsRetentionDays"), c.dailyStatsRetentionDays);
  take(optionalDouble(o, "minUpdateInterval"), c.minUpdateInterval);
  take(optionalDouble(o, "downloadTimeout"), c.downloadTimeout);
  take(optionalInt64(o, "maxBlocklistFileSize"), c.maxBlocklistFileSize);
  take(optionalBool(o, "skipUpdateOnMetered"), c.skipUpdateOnMetered);
  take(optionalInt64(o, "maxDomainsInMemory"), c.maxDomainsInMemory);
  take(optionalInt64(o, "maxDatabaseSizeMB"), c.maxDatabaseSizeMB);
  take(optionalString(o, "blockResponseType"), c.blockResponseType);
  take(optionalBool(o, "wasManuallyPaused"), c.wasManuallyPaused);
  c.userWantsFilteringEnabled = optionalBool(o, "userWantsFilteringEnabled");
  if (auto raw = optionalInt64(o, "loggingLevel")) {
    auto level = loggingLevelFromRawValue(*raw);
    if (!level) fail("loggingLevel", std::to_string(*raw) + " is not a logging level");
    c.loggingLevel = *level;
  }
  take(optionalBool(o, "trustedNetworkActive"), c.trustedNetworkActive);
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
