#include "unsigned_decimal.h"

namespace veltra::tools {

std::optional<std::uint64_t> parseUnsignedDecimal(const std::string& text, std::uint64_t maximum) {
  if (text.empty() || text.size() > 20) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
    if (digit > maximum || value > (maximum - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace veltra::tools
