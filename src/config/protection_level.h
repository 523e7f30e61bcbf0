// Protection levels, ordered from light to ultimate.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace veltra::config {

// An ordered level of protection; a level compares less than the levels after it.
enum class ProtectionLevel { light, normal, pro, proPlus, ultimate };

inline constexpr std::array<ProtectionLevel, 5> kAllProtectionLevels = {
    ProtectionLevel::light, ProtectionLevel::normal, ProtectionLevel::pro, ProtectionLevel::proPlus,
    ProtectionLevel::ultimate};

// Returns the raw value ("light", "normal", "pro", "proPlus", "ultimate").
constexpr std::string_view rawValue(ProtectionLevel level) {
  constexpr std::array<std::string_view, 5> kRaw = {"light", "normal", "pro", "proPlus",
                                                    "ultimate"};
  return kRaw[static_cast<std::size_t>(level)];
}

// Returns the localization key of the display text ("Light", "Normal", "Pro", "Pro++", "Ultimate").
constexpr std::string_view displayKey(ProtectionLevel level) {
  constexpr std::array<std::string_view, 5> kDisplay = {"Light", "Normal", "Pro", "Pro++",
                                                        "Ultimate"};
  return kDisplay[static_cast<std::size_t>(level)];
}

// Returns the level whose raw value is `raw`, or nothing.
constexpr std::optional<ProtectionLevel> protectionLevelFromRawValue(std::string_view raw) {
  for (auto level : kAllProtectionLevels) {
    if (rawValue(level) == raw) return level;
  }
  return std::nullopt;
}

}  // namespace veltra::config
