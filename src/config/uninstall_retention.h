// What an uninstallation keeps of the shared data folder.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/raw_value_table.h"

namespace veltra::config {

enum class UninstallRetention : std::int64_t {
  completeRemoval = 0,
  keepSettings = 1,
  keepAllData = 2
};

inline constexpr std::array<UninstallRetention, 3> kAllUninstallRetentions = {
    UninstallRetention::completeRemoval, UninstallRetention::keepSettings,
    UninstallRetention::keepAllData};

// The fixed properties of one retention level.
struct UninstallRetentionProperties {
  std::string_view displayName;
  std::string_view description;
  bool isRecommended;
  std::vector<std::string_view> preservedConfigPaths;
  std::vector<std::string_view> preservedUserDefaultsKeys;
  bool preserveAppGroupContainer;
  bool clearAllUserDefaults;
};

inline constexpr auto kUninstallRetentionRawValues =
    rawValueTable<UninstallRetention, std::int64_t>({0, 1, 2});

// Returns the integer raw value.
constexpr std::int64_t rawValue(UninstallRetention level) {
  return kUninstallRetentionRawValues.toRaw(level);
}

// Returns the level with raw value `raw` (0 to 2), or nothing.
constexpr std::optional<UninstallRetention> uninstallRetentionFromRawValue(std::int64_t raw) {
  return kUninstallRetentionRawValues.fromRaw(raw);
}

// Returns the fixed properties of `level`.
const UninstallRetentionProperties& properties(UninstallRetention level);

}  // namespace veltra::config
