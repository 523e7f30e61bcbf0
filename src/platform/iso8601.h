// ISO 8601 internet date-times in UTC with whole seconds: "2026-12-10T02:04:04Z".
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace veltra::platform {

using TimePoint = std::chrono::system_clock::time_point;

// Formats `time` in UTC with whole seconds (fractions dropped) and the designator "Z".
std::string formatIso8601(TimePoint time);

// Parses "YYYY-MM-DDTHH:MM:SS" followed by "Z" or "+HH:MM"/"-HH:MM". A missing zone
// designator, fractional seconds, a time outside the range of TimePoint or any other deviation
// yields nothing.
std::optional<TimePoint> parseIso8601(std::string_view text);

}  // namespace veltra::platform
