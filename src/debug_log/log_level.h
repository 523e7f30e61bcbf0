// The levels of the in-memory debug log, stored by their raw strings.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "core/raw_value_table.h"

namespace veltra::debuglog {

// A debug log level. Raw values: "DEBUG", "INFO", "WARN", "ERROR", "OK".
enum class LogLevel { debug, info, warning, error, success };

// Lists every level in case order.
inline constexpr std::array<LogLevel, 5> kAllLogLevels = {
    LogLevel::debug, LogLevel::info, LogLevel::warning, LogLevel::error, LogLevel::success};

inline constexpr auto kLogLevelRawValues =
    rawValueTable<LogLevel, std::string_view>({"DEBUG", "INFO", "WARN", "ERROR", "OK"});

// Returns the raw string of `level`.
constexpr std::string_view rawValue(LogLevel level) { return kLogLevelRawValues.toRaw(level); }

// Returns the level whose raw string is exactly `raw`, or nothing.
constexpr std::optional<LogLevel> logLevelFromRawValue(std::string_view raw) {
  return kLogLevelRawValues.fromRaw(raw);
}

}  // namespace veltra::debuglog
