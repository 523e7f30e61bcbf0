// A 128-bit universally unique identifier and its canonical text "8-4-4-4-12" hexadecimal.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace veltra::debuglog {

// A UUID value; equality and ordering compare the 16 bytes.
class Uuid {
 public:
  Uuid() = default;
  explicit Uuid(const std::array<std::uint8_t, 16>& bytes) : bytes_(bytes) {}

  // Returns a random (version 4) UUID from the system's random source.
  static Uuid random();

  // Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" in either case, or nothing when malformed.
  static std::optional<Uuid> fromString(std::string_view text);

  // Returns the canonical text with uppercase hexadecimal digits.
  std::string uuidString() const;

  const std::array<std::uint8_t, 16>& bytes() const { return bytes_; }

  friend auto operator<=>(const Uuid&, const Uuid&) = default;

 private:
  std::array<std::uint8_t, 16> bytes_{};
};

}  // namespace veltra::debuglog
