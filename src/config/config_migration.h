// Read-time migrations that bring a "config.json" written by an older version up to date.
#pragma once

#include <array>
#include <string_view>

#include "config/config.h"
#include "platform/logging.h"

namespace veltra::config {

// Presets that no longer exist; a selection based on one becomes the user's own ("Custom").
inline constexpr std::array<std::string_view, 2> kRemovedPresetIds = {"mobile", "smartTV"};
// Category keys that no longer exist.
inline constexpr std::array<std::string_view, 2> kRetiredCategoryKeys = {"streamingAds",
                                                                         "dnsRebindProtection"};

// Clears basePresetId when it names a removed preset; keeps the selected categories.
void migrateRemovedPreset(Config& config, const platform::Logger& logger);

// Removes retired keys from the selection, logging them in sorted order.
void dropRetiredCategoryKeys(Config& config, const platform::Logger& logger);

// Moves records older than configuration version 2 to artifact format 4 and version 2.
void migrateFormatVersion(Config& config, const platform::Logger& logger);

// Runs the three migrations in their order.
void migrateConfig(Config& config, const platform::Logger& logger);

}  // namespace veltra::config
