// The logging level stored in "config.json" as its integer raw value.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace veltra::config {

enum class LoggingLevel : std::int64_t { minimal = 0, normal = 1, verbose = 2 };

inline constexpr std::array<LoggingLevel, 3> kAllLoggingLevels = {
    LoggingLevel::minimal, LoggingLevel::normal, LoggingLevel::verbose};

// Returns the integer raw value.
constexpr std::int64_t rawValue(LoggingLevel level) { return static_cast<std::int64_t>(level); }

// Returns the level with raw value `raw`, or nothing for any other integer.
constexpr std::optional<LoggingLevel> loggingLevelFromRawValue(std::int64_t raw) {
  if (raw < 0 || raw > 2) return std::nullopt;
  return static_cast<LoggingLevel>(raw);
}

}  // namespace veltra::config
