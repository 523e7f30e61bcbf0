#include "platform/random.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdio>
#include <random>

namespace veltra::platform {

namespace {
void fillRandom(void* buffer, std::size_t size) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  while (size > 0) {
    ssize_t n = ::getrandom(bytes, size, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      // No system source: fall back to the library's device, still unpredictable enough for names.
      std::random_device device;
      for (; size > 0; --size) *bytes++ = static_cast<unsigned char>(device());
      return;
    }
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
}
}  // namespace

std::uint64_t randomUInt64() {
  std::uint64_t value;
  fillRandom(&value, sizeof value);
  return value;
}

std::array<std::uint8_t, 16> randomUuidBytes() {
  std::array<std::uint8_t, 16> b;
  fillRandom(b.data(), b.size());
  b[6] = static_cast<std::uint8_t>((b[6] & 0x0F) | 0x40);
  b[8] = static_cast<std::uint8_t>((b[8] & 0x3F) | 0x80);
  return b;
}

std::string randomUuidString() {
  const std::array<std::uint8_t, 16> b = randomUuidBytes();
  char text[37];
  std::snprintf(text, sizeof text,
                "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b[0], b[1],
                b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14],
                b[15]);
  return text;
}

}  // namespace veltra::platform
