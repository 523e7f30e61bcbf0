// Little-endian integer coding: the one place that turns integers into bytes and back.
// Readers never cast bytes to integers or structs; they call these with a bounds-checked offset.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>

#include "core/bytes.h"

namespace veltra::le {

// Reads an unsigned little-endian integer of sizeof(T) bytes at `p`; the caller checked bounds.
// One unaligned load on little-endian hosts (every target of this product); the byte loop is kept
// for big-endian ones. Lookups depend on this being a single instruction.
template <typename T>
inline T loadUnchecked(const std::uint8_t* p) {
  static_assert(std::is_unsigned_v<T>);
  T value = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&value, p, sizeof(T));
  } else {
    for (std::size_t i = 0; i < sizeof(T); ++i)
      value |= static_cast<T>(static_cast<T>(p[i]) << (8 * i));
  }
  return value;
}

// Reads a little-endian T at `offset`, or nothing when fewer than sizeof(T) bytes remain.
template <typename T>
inline std::optional<T> load(ByteView bytes, std::size_t offset) {
  if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) return std::nullopt;
  return loadUnchecked<T>(bytes.data() + offset);
}

inline std::uint16_t load16(const std::uint8_t* p) { return loadUnchecked<std::uint16_t>(p); }
inline std::uint32_t load32(const std::uint8_t* p) { return loadUnchecked<std::uint32_t>(p); }
inline std::uint64_t load64(const std::uint8_t* p) { return loadUnchecked<std::uint64_t>(p); }

// Writes `value` as sizeof(T) little-endian bytes at `p`.
template <typename T>
inline void storeUnchecked(std::uint8_t* p, T value) {
  static_assert(std::is_unsigned_v<T>);
  for (std::size_t i = 0; i < sizeof(T); ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Appends `value` as sizeof(T) little-endian bytes.
template <typename T>
inline void append(Bytes& out, T value) {
  static_assert(std::is_unsigned_v<T>);
  for (std::size_t i = 0; i < sizeof(T); ++i)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline void append16(Bytes& out, std::uint16_t v) { append(out, v); }
inline void append32(Bytes& out, std::uint32_t v) { append(out, v); }
inline void append64(Bytes& out, std::uint64_t v) { append(out, v); }

}  // namespace veltra::le
