// Now in whole seconds since 1970 as the map stores it: an unsigned 32-bit value.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "platform/clock.h"

namespace veltra::dnsmap {

// Returns the clock's time truncated to whole seconds since 1970, or nothing when it does not
// fit in 32 bits (before 1970 or from 2106 on).
inline std::optional<std::uint32_t> unixSeconds(const platform::Clock& clock) {
  auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(clock.now().time_since_epoch()).count();
  if (seconds < 0 || seconds > 0xFFFFFFFFll) return std::nullopt;
  return static_cast<std::uint32_t>(seconds);
}

}  // namespace veltra::dnsmap
