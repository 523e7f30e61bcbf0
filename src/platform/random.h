// Randomness from the system's source.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace veltra::platform {

// Returns 64 random bits from the system's random source.
std::uint64_t randomUInt64();

// Returns the 16 bytes of a new random (version 4, variant 1) UUID.
std::array<std::uint8_t, 16> randomUuidBytes();

// Returns a new random (version 4) UUID in its standard upper-case text form.
std::string randomUuidString();

}  // namespace veltra::platform
