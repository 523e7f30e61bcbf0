#include "config/config_migration.h"

#include <algorithm>
#include <vector>

namespace veltra::config {

void migrateRemovedPreset(Config& config, const platform::Logger& logger) {
  if (!config.basePresetId) return;
  const std::string& id = *config.basePresetId;
  if (std::find(kRemovedPresetIds.begin(), kRemovedPresetIds.end(), id) == kRemovedPresetIds.end())
    return;
  logger.info("Migrating removed preset '%s' to Custom", id);
  config.basePresetId.reset();
}

void dropRetiredCategoryKeys(Config& config, const platform::Logger& logger) {
  std::vector<std::string> retired;
  for (auto key : kRetiredCategoryKeys) {
    if (config.enabledCategoryKeys.count(std::string(key)) != 0) retired.emplace_back(key);
  }
  if (retired.empty()) return;
  std::sort(retired.begin(), retired.end());
  std::string joined;
  for (const auto& key : retired) joined += (joined.empty() ? "" : ", ") + key;
  logger.info("Dropping %ld retired category key(s): %s", static_cast<long>(retired.size()),
              joined);
  for (const auto& key : retired) config.enabledCategoryKeys.erase(key);
}

void migrateFormatVersion(Config& config, const platform::Logger& logger) {
  if (config.configVersion >= 2) return;
  if (config.blocklistFormatVersion != 4) {
    logger.info("Migrating blocklistFormatVersion %ld -> 4 (configVersion %ld -> 2)",
                static_cast<long>(config.blocklistFormatVersion),
                static_cast<long>(config.configVersion));
  }
  config.blocklistFormatVersion = 4;
  config.configVersion = 2;
}

void migrateConfig(Config& config, const platform::Logger& logger) {
  migrateRemovedPreset(config, logger);
  dropRetiredCategoryKeys(config, logger);
  migrateFormatVersion(config, logger);
}

}  // namespace veltra::config
