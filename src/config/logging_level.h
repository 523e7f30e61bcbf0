// The logging level stored in "config.json" as its integer raw value.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "core/raw_value_table.h"

namespace veltra::config {

enum class LoggingLevel : std::int64_t { minimal = 0, normal = 1, verbose = 2 };

inline constexpr std::array<LoggingLevel, 3> kAllLoggingLevels = {
    LoggingLevel::minimal, LoggingLevel::normal, LoggingLevel::verbose};

inline constexpr auto kLoggingLevelRawValues = rawValueTable<LoggingLevel, std::int64_t>({0, 1, 2});

// Returns the integer raw value.
constexpr std::int64_t rawValue(LoggingLevel level) { return kLoggingLevelRawValues.toRaw(level); }

// Returns the level with raw value `raw`, or nothing for any other integer.
constexpr std::optional<LoggingLevel> loggingLevelFromRawValue(std::int64_t raw) {
  return kLoggingLevelRawValues.fromRaw(raw);
}

}  // namespace veltra::config
