// Protection levels, ordered from light to ultimate.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "core/raw_value_table.h"

namespace veltra::config {

// An ordered level of protection; a level compares less than the levels after it.
enum class ProtectionLevel { light, normal, pro, proPlus, ultimate };

inline constexpr std::array<ProtectionLevel, 5> kAllProtectionLevels = {
    ProtectionLevel::light, ProtectionLevel::normal, ProtectionLevel::pro, ProtectionLevel::proPlus,
    ProtectionLevel::ultimate};

inline constexpr auto kProtectionLevelRawValues = rawValueTable<ProtectionLevel, std::string_view>(
    {"light", "normal", "pro", "proPlus", "ultimate"});

// Returns the raw value ("light", "normal", "pro", "proPlus", "ultimate").
constexpr std::string_view rawValue(ProtectionLevel level) {
  return kProtectionLevelRawValues.toRaw(level);
}

// Returns the localization key of the display text ("Light", "Normal", "Pro", "Pro++", "Ultimate").
constexpr std::string_view displayKey(ProtectionLevel level) {
  constexpr std::array<std::string_view, 5> kDisplay = {"Light", "Normal", "Pro", "Pro++",
                                                        "Ultimate"};
  return kDisplay[static_cast<std::size_t>(level)];
}

// Returns the level whose raw value is `raw`, or nothing.
constexpr std::optional<ProtectionLevel> protectionLevelFromRawValue(std::string_view raw) {
  return kProtectionLevelRawValues.fromRaw(raw);
}

}  // namespace veltra::config
