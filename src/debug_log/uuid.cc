#include "debug_log/uuid.h"

#include <algorithm>

#include "core/hex.h"
#include "platform/random.h"

namespace veltra::debuglog {

namespace {

constexpr std::size_t kTextLength = 36;

bool isDashPosition(std::size_t i) { return i == 8 || i == 13 || i == 18 || i == 23; }

}  // namespace

Uuid Uuid::random() { return Uuid(platform::randomUuidBytes()); }

std::optional<Uuid> Uuid::fromString(std::string_view text) {
  if (text.size() != kTextLength) return std::nullopt;
  std::string digits;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (isDashPosition(i) != (text[i] == '-')) return std::nullopt;
    if (!isDashPosition(i)) digits.push_back(text[i]);
  }
  auto bytes = fromHex(digits);
  if (!bytes || bytes->size() != 16) return std::nullopt;
  std::array<std::uint8_t, 16> value{};
  std::copy(bytes->begin(), bytes->end(), value.begin());
  return Uuid(value);
}

std::string Uuid::uuidString() const {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(kTextLength);
  for (std::size_t i = 0; i < bytes_.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text.push_back('-');
    text.push_back(kDigits[bytes_[i] >> 4]);
    text.push_back(kDigits[bytes_[i] & 0x0F]);
  }
  return text;
}

}  // namespace veltra::debuglog
