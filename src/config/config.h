// The record of "config.json", the settings file shared by the daemon, the app and the updater.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

#include "config/blocklist_category.h"
#include "config/logging_level.h"
#include "core/bytes.h"
#include "platform/iso8601.h"

namespace veltra::config {

// Every key of "config.json" with its default. Plain value. The updater interprets only
// blocklistFormatVersion and the blocklist metadata; it carries every other key through.
// `enabledCategoryKeys` is stored under the JSON key "enabledCategories". Optional fields are
// written only when set; unknown keys are dropped.
struct Config {
  bool filteringEnabled = false;
  std::optional<platform::TimePoint> filteringLastChanged;
  std::set<std::string> enabledCategoryKeys = defaultEnabledCategoryKeys();
  std::optional<std::string> basePresetId;
  std::optional<platform::TimePoint> lastBlocklistUpdate;
  std::int64_t blocklistDomainCount = 0;
  std::int64_t configVersion = 1;
  std::int64_t sequenceNumber = 0;
  std::int64_t blocklistFormatVersion = 4;
  std::uint32_t blockedResponseTTL = 0;
  std::uint32_t maxAllowedResponseTTL = 300;
  std::int64_t logBufferSize = 100;
  double logFlushInterval = 5.0;
  std::int64_t hourlyStatsRetentionDays = 7;
  std::int64_t dailyStatsRetentionDays = 90;
  double minUpdateInterval = 3600.0;
  double downloadTimeout = 60.0;
  std::int64_t maxBlocklistFileSize = 100000000;
  bool skipUpdateOnMetered = true;
  std::int64_t maxDomainsInMemory = 2000000;
  std::int64_t maxDatabaseSizeMB = 100;
  std::string blockResponseType = "zeroIP";
  bool wasManuallyPaused = false;
  std::optional<bool> userWantsFilteringEnabled;
  LoggingLevel loggingLevel = LoggingLevel::minimal;
  bool trustedNetworkActive = false;

  // Decodes the JSON object, defaults for missing or null keys. Throws json::DecodingError for a
  // wrong type, an out-of-range number, an unknown logging level or a malformed date.
  static Config fromJson(const nlohmann::json& object);
  // Decodes JSON text; throws json::DecodingError.
  static Config decode(ByteView bytes);
  // Returns the JSON object.
  nlohmann::json toJson() const;
  // Returns the JSON text, indented with sorted keys.
  std::string encode() const;

  friend bool operator==(const Config&, const Config&) = default;
};

}  // namespace veltra::config
