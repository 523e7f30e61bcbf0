// Byte views and owned byte buffers used by every decoder and encoder.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace veltra {

// A non-owning, read-only view of bytes; all byte input goes through this type.
using ByteView = std::span<const std::uint8_t>;
// An owned byte buffer.
using Bytes = std::vector<std::uint8_t>;

// Returns a view of the characters of `text` as bytes.
inline ByteView asBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Returns the bytes of `view` as a string view.
inline std::string_view asText(ByteView view) {
  return {reinterpret_cast<const char*>(view.data()), view.size()};
}

// Copies `text` into an owned byte buffer.
inline Bytes toBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

}  // namespace veltra
