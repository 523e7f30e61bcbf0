// One bit per group: whether the group's category set meets the enabled selection.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/bytes.h"

namespace BlocklistV4Format {

// Group g is bit (g mod 8) of byte (g / 8), bit 0 least significant. In memory only; computed once
// per selection and then tested once per lookup. Plain value.
struct VerdictBitmap {
  veltra::Bytes bits;
  std::size_t groupCount = 0;

  std::size_t byteCount() const { return bits.size(); }

  // Tells whether `groupID` is blocked; false for a group id not below groupCount.
  bool isBlocked(std::uint32_t groupID) const {
    return groupID < groupCount && ((bits[groupID >> 3] >> (groupID & 7)) & 1) != 0;
  }

  friend bool operator==(const VerdictBitmap&, const VerdictBitmap&) = default;
};

}  // namespace BlocklistV4Format
