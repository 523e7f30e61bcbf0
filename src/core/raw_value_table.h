// The stored raw values of an enumeration, both ways.
#pragma once

#include <array>
#include <cstddef>
#include <optional>

namespace veltra {

// The raw value of every case of `Enum`, whose cases are numbered 0 to N - 1, in case order.
// Immutable and constexpr; a lookup of an unknown raw value gives nothing.
template <typename Enum, typename Raw, std::size_t N>
class RawValueTable {
 public:
  constexpr explicit RawValueTable(const std::array<Raw, N>& raws) : raws_(raws) {}

  constexpr Raw toRaw(Enum value) const { return raws_[static_cast<std::size_t>(value)]; }

  constexpr std::optional<Enum> fromRaw(const Raw& raw) const {
    for (std::size_t i = 0; i < N; ++i) {
      if (raws_[i] == raw) return static_cast<Enum>(i);
    }
    return std::nullopt;
  }

 private:
  std::array<Raw, N> raws_;
};

// Returns the table of `raws`, given in case order: rawValueTable<E, std::string_view>({"a", "b"}).
template <typename Enum, typename Raw, std::size_t N>
constexpr RawValueTable<Enum, Raw, N> rawValueTable(const Raw (&raws)[N]) {
  return RawValueTable<Enum, Raw, N>(std::to_array(raws));
}

}  // namespace veltra
