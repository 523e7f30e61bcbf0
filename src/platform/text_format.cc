#include "platform/text_format.h"

#include <cmath>
#include <cstdio>

namespace veltra::platform {

namespace {

std::string trimZeros(std::string text) {
  if (text.find('.') == std::string::npos) return text;
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

std::string withGrouping(std::int64_t value) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  std::string out;
  int count = 0;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (count > 0 && count % 3 == 0) out.insert(out.begin(), ',');
    out.insert(out.begin(), *it);
    ++count;
  }
  return value < 0 ? "-" + out : out;
}

}  // namespace

std::string formatFileByteCount(std::int64_t byteCount) {
  if (byteCount == 0) return "Zero KB";
  if (byteCount == 1 || byteCount == -1) return std::to_string(byteCount) + " byte";
  double magnitude = std::fabs(static_cast<double>(byteCount));
  if (magnitude < 1000) return withGrouping(byteCount) + " bytes";
  static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
  static constexpr int kDecimals[] = {0, 1, 2, 2, 2, 2};
  int unit = 0;
  double value = magnitude / 1000.0;
  for (;;) {
    double scale = std::pow(10.0, kDecimals[unit]);
    double rounded = std::round(value * scale) / scale;
    if (rounded < 1000.0 || unit == 5) {
      value = rounded;
      break;
    }
    value /= 1000.0;
    ++unit;
  }
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", kDecimals[unit], value);
  std::string number = trimZeros(buffer);
  if (byteCount < 0) number = "-" + number;
  return number + " " + kUnits[unit];
}

int compareNumeric(std::string_view a, std::string_view b) {
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      std::size_t si = i, sj = j;
      while (i < a.size() && isDigit(a[i])) ++i;
      while (j < b.size() && isDigit(b[j])) ++j;
      std::string_view ra = a.substr(si, i - si), rb = b.substr(sj, j - sj);
      // Compare by value without overflow: strip leading zeros, then length, then digits.
      while (ra.size() > 1 && ra.front() == '0') ra.remove_prefix(1);
      while (rb.size() > 1 && rb.front() == '0') rb.remove_prefix(1);
      if (ra.size() != rb.size()) return ra.size() < rb.size() ? -1 : 1;
      if (int c = ra.compare(rb); c != 0) return c < 0 ? -1 : 1;
      continue;
    }
    if (a[i] != b[j])
      return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]) ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

}  // namespace veltra::platform
