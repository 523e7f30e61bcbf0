#include "artifact_format/utf8.h"

namespace BlocklistV4Format {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";

// Returns the length of the valid UTF-8 sequence starting at `i`, or 0 when it is invalid.
std::size_t validSequenceLength(veltra::ByteView b, std::size_t i) {
  std::uint8_t c = b[i];
  if (c < 0x80) return 1;
  std::size_t length;
  std::uint8_t low = 0x80, high = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (b.size() - i < length) return 0;
  if (b[i + 1] < low || b[i + 1] > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if ((b[i + k] & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

std::string decodeUTF8Lossy(veltra::ByteView bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    std::size_t length = validSequenceLength(bytes, i);
    if (length == 0) {
      out += kReplacement;
      ++i;
    } else {
      out.append(reinterpret_cast<const char*>(bytes.data() + i), length);
      i += length;
    }
  }
  return out;
}

}  // namespace BlocklistV4Format
