#include "dns_ip_map/crc32.h"

#include <zlib.h>

#include <random>

#include <gtest/gtest.h>

namespace veltra::dnsmap {
namespace {

std::uint32_t zlibCrc(ByteView bytes) {
  return static_cast<std::uint32_t>(::crc32(0L, bytes.data(), static_cast<uInt>(bytes.size())));
}

TEST(Crc32, KnownValues) {
  EXPECT_EQ(crc32(ByteView{}), 0u);
  EXPECT_EQ(crc32(asBytes("123456789")), 0xCBF43926u);
  EXPECT_EQ(crc32(asBytes("The quick brown fox jumps over the lazy dog")), 0x414FA339u);
}

TEST(Crc32, MatchesZlibOnRandomDataOfEveryAlignmentAndLength) {
  std::mt19937 generator(20261210);
  Bytes data(4096 + 16);
  for (auto& byte : data) byte = static_cast<std::uint8_t>(generator());
  for (std::size_t start = 0; start < 8; ++start) {
    for (std::size_t length : {0u, 1u, 7u, 8u, 9u, 15u, 16u, 17u, 63u, 511u, 4096u}) {
      ByteView view(data.data() + start, length);
      EXPECT_EQ(crc32(view), zlibCrc(view)) << start << "+" << length;
    }
  }
  for (int round = 0; round < 200; ++round) {
    std::size_t length = generator() % 2000;
    ByteView view(data.data() + generator() % 16, length);
    ASSERT_EQ(crc32(view), zlibCrc(view));
  }
}

TEST(Crc32, ContinuesAcrossPieces) {
  Bytes data(1000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 3);
  ByteView all(data);
  for (std::size_t split : {0u, 1u, 5u, 8u, 333u, 1000u}) {
    EXPECT_EQ(crc32(all.subspan(split), crc32(all.first(split))), zlibCrc(all));
  }
}

}  // namespace
}  // namespace veltra::dnsmap
