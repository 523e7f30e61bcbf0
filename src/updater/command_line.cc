#include "updater/command_line.h"

#include <algorithm>
#include <limits>

namespace veltra::updater {

std::optional<std::int64_t> parseDecimalInteger(const std::string& text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  // Accumulate negatively so that the smallest value fits.
  std::int64_t value = 0;
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    int digit = c - '0';
    if (value < (kMin + digit) / 10) return std::nullopt;
    value = value * 10 - digit;
  }
  if (negative) return value;
  if (value == kMin) return std::nullopt;
  return -value;
}

CommandLine CommandLine::parse(const std::vector<std::string>& arguments) {
  CommandLine options;
  auto has = [&](const char* option) {
    return std::find(arguments.begin() + 1, arguments.end(), option) != arguments.end();
  };
  auto valueOf = [&](const char* option) -> std::optional<std::string> {
    auto it = std::find(arguments.begin() + 1, arguments.end(), option);
    if (it == arguments.end() || it + 1 == arguments.end()) return std::nullopt;
    return *(it + 1);
  };
  if (arguments.empty()) return options;
  options.updateBlocklist = has("--update-blocklist");
  options.force = has("--force");
  options.verbose = has("--verbose");
  options.cleanup = has("--cleanup");
  options.formatGiven = has("--format");
  if (auto text = valueOf("--format")) {
    auto number = parseDecimalInteger(*text);
    if (number && (*number == 3 || *number == 4)) options.format = number;
  }
  if (auto text = valueOf("--trigger")) options.trigger = triggerFromRawValue(*text);
  return options;
}

std::string renderArgumentList(const std::vector<std::string>& arguments) {
  std::string out = "[";
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0) out += ", ";
    out += '"';
    for (char c : arguments[i]) {
      if (c == '"' || c == '\\') out += '\\';
      out += c;
    }
    out += '"';
  }
  return out + "]";
}

}  // namespace veltra::updater
