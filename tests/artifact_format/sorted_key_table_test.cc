#include "artifact_format/sorted_key_table.h"

#include <gtest/gtest.h>

#include "test_bytes.h"

namespace BlocklistV4Format {
namespace {

using Pairs = std::vector<std::pair<veltra::Bytes, std::uint16_t>>;

std::vector<std::string> keysOf(const SortedKeyTable& table) {
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < table.count(); ++i) keys.emplace_back(veltra::asText(table.key(i)));
  return keys;
}

TEST(SortedKeyTable, PacksKeysInByteOrder) {
  SortedKeyTable table(
      Pairs{{veltra::toBytes("b"), 2}, {veltra::toBytes("a"), 1}, {veltra::toBytes("ab"), 3}});
  EXPECT_EQ(table.bytes, testing::hexBytes("61 61 62 62"));
  EXPECT_EQ(table.starts, (std::vector<std::size_t>{0, 1, 3, 4}));
  EXPECT_EQ(table.groupIDs, (std::vector<std::uint16_t>{1, 3, 2}));
  EXPECT_EQ(table.keyLength(1), 2u);
  EXPECT_EQ(table.groupID(2), 2);
  EXPECT_EQ(table.description(), "SortedKeyTable(count: 3, byteCount: 4)");
}

TEST(SortedKeyTable, OrdersPrefixesHighBytesAndEqualKeys) {
  SortedKeyTable table(Pairs{{veltra::toBytes("com."), 1},
                             {veltra::toBytes("com"), 2},
                             {veltra::toBytes("abcdefgh\x80"), 3},
                             {veltra::toBytes("abcdefghz"), 4},
                             {veltra::toBytes("abcdefgh"), 5},
                             {veltra::toBytes("com"), 6}});
  EXPECT_EQ(keysOf(table), (std::vector<std::string>{"abcdefgh", "abcdefghz", "abcdefgh\x80", "com",
                                                     "com", "com."}));
  EXPECT_EQ(table.groupIDs, (std::vector<std::uint16_t>{5, 4, 3, 2, 6, 1}));
}

TEST(SortedKeyTable, EmptyInputHasOneStart) {
  SortedKeyTable table(Pairs{});
  EXPECT_TRUE(table.isEmpty());
  EXPECT_EQ(table.count(), 0u);
  EXPECT_EQ(table.starts, (std::vector<std::size_t>{0}));
}

}  // namespace
}  // namespace BlocklistV4Format
