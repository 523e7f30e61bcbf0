// The levels of the in-memory debug log, stored by their raw strings.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace veltra::debuglog {

// A debug log level. Raw values: "DEBUG", "INFO", "WARN", "ERROR", "OK".
enum class LogLevel { debug, info, warning, error, success };

// Lists every level in case order.
inline constexpr std::array<LogLevel, 5> kAllLogLevels = {
    LogLevel::debug, LogLevel::info, LogLevel::warning, LogLevel::error, LogLevel::success};

// Returns the raw string of `level`.
constexpr std::string_view rawValue(LogLevel level) {
  switch (level) {
    case LogLevel::debug:
      return "DEBUG";
    case LogLevel::info:
      return "INFO";
    case LogLevel::warning:
      return "WARN";
    case LogLevel::error:
      return "ERROR";
    case LogLevel::success:
      return "OK";
  }
  return "";
}

// Returns the level whose raw string is exactly `raw`, or nothing.
constexpr std::optional<LogLevel> logLevelFromRawValue(std::string_view raw) {
  for (LogLevel level : kAllLogLevels) {
    if (rawValue(level) == raw) return level;
  }
  return std::nullopt;
}

}  // namespace veltra::debuglog
