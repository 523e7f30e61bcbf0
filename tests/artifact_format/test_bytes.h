// Helpers to write byte fixtures as hexadecimal text in tests.
#pragma once

#include <string>
#include <string_view>

#include "core/bytes.h"
#include "core/hex.h"

namespace BlocklistV4Format::testing {

// Returns the bytes of hexadecimal text in which spaces are ignored ("01 00 61").
inline veltra::Bytes hexBytes(std::string_view text) {
  std::string digits;
  for (char c : text) {
    if (c != ' ') digits += c;
  }
  return *veltra::fromHex(digits);
}

// Returns the bytes as lowercase hexadecimal text with one space between bytes.
inline std::string spacedHex(veltra::ByteView bytes) {
  std::string hex = veltra::toHex(bytes);
  std::string out;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    if (i > 0) out += ' ';
    out += hex.substr(i, 2);
  }
  return out;
}

}  // namespace BlocklistV4Format::testing
