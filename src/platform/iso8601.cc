#include "platform/iso8601.h"

#include <cstdio>

namespace veltra::platform {

using namespace std::chrono;

std::string formatIso8601(TimePoint time) {
  auto seconds = floor<std::chrono::seconds>(time);
  auto day = floor<days>(seconds);
  year_month_day date{day};
  hh_mm_ss<std::chrono::seconds> clock{seconds - day};
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02lld:%02lld:%02lldZ",
                static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), static_cast<long long>(clock.hours().count()),
                static_cast<long long>(clock.minutes().count()),
                static_cast<long long>(clock.seconds().count()));
  return buffer;
}

namespace {

bool readDigits(std::string_view text, std::size_t at, std::size_t count, int& value) {
  if (at + count > text.size()) return false;
  value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

}  // namespace

std::optional<TimePoint> parseIso8601(std::string_view text) {
  int y, mo, d, h, mi, s;
  if (!readDigits(text, 0, 4, y) || text.size() < 20 || text[4] != '-' ||
      !readDigits(text, 5, 2, mo) || text[7] != '-' || !readDigits(text, 8, 2, d) ||
      (text[10] != 'T' && text[10] != 't') || !readDigits(text, 11, 2, h) || text[13] != ':' ||
      !readDigits(text, 14, 2, mi) || text[16] != ':' || !readDigits(text, 17, 2, s)) {
    return std::nullopt;
  }
  if (h > 23 || mi > 59 || s > 59) return std::nullopt;
  year_month_day date{year{y}, month{static_cast<unsigned>(mo)}, day{static_cast<unsigned>(d)}};
  if (!date.ok()) return std::nullopt;
  std::string_view zone = text.substr(19);
  int offsetSeconds = 0;
  if (zone == "Z" || zone == "z") {
    offsetSeconds = 0;
  } else if (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':') {
    int oh, om;
    if (!readDigits(zone, 1, 2, oh) || !readDigits(zone, 4, 2, om) || oh > 23 || om > 59)
      return std::nullopt;
    offsetSeconds = (oh * 3600 + om * 60) * (zone[0] == '-' ? -1 : 1);
  } else {
    return std::nullopt;
  }
  sys_seconds utc = sys_days{date} + hours{h} + minutes{mi} + seconds{s} - seconds{offsetSeconds};
  // The clock may count nanoseconds (then it spans about 1678 to 2262); a date outside its range
  // would overflow the conversion, so it is no date the clock can hold.
  constexpr seconds kEarliest = ceil<seconds>(TimePoint::min().time_since_epoch());
  constexpr seconds kLatest = floor<seconds>(TimePoint::max().time_since_epoch());
  if (utc.time_since_epoch() < kEarliest || utc.time_since_epoch() > kLatest) return std::nullopt;
  return TimePoint(utc);
}

}  // namespace veltra::platform
