#include "dns_ip_map/crc32.h"

#include <array>

#include "core/little_endian.h"

namespace veltra::dnsmap {

namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320u;

using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

// Table 0 is the classic byte-at-a-time table; table k advances a byte's contribution by k more
// zero bytes, so eight bytes fold into the register with one lookup each.
constexpr Tables makeTables() {
  Tables tables{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit)
      value = (value & 1u) ? (value >> 1) ^ kPolynomial : value >> 1;
    tables[0][i] = value;
  }
  for (std::size_t k = 1; k < 8; ++k) {
    for (std::size_t i = 0; i < 256; ++i) {
      std::uint32_t previous = tables[k - 1][i];
      tables[k][i] = (previous >> 8) ^ tables[0][previous & 0xFFu];
    }
  }
  return tables;
}

constexpr Tables kTables = makeTables();

}  // namespace

std::uint32_t crc32(ByteView bytes, std::uint32_t crc) {
  std::uint32_t value = ~crc;
  const std::uint8_t* p = bytes.data();
  std::size_t remaining = bytes.size();
  while (remaining >= 8) {
    std::uint32_t low = le::load32(p) ^ value;
    std::uint32_t high = le::load32(p + 4);
    value = kTables[7][low & 0xFFu] ^ kTables[6][(low >> 8) & 0xFFu] ^
            kTables[5][(low >> 16) & 0xFFu] ^ kTables[4][low >> 24] ^ kTables[3][high & 0xFFu] ^
            kTables[2][(high >> 8) & 0xFFu] ^ kTables[1][(high >> 16) & 0xFFu] ^
            kTables[0][high >> 24];
    p += 8;
    remaining -= 8;
  }
  while (remaining-- > 0) value = (value >> 8) ^ kTables[0][(value ^ *p++) & 0xFFu];
  return ~value;
}

}  // namespace veltra::dnsmap
