#include "artifact_format/radix_trie_builder.h"

#include <gtest/gtest.h>

#include "artifact_format/v4_format_error.h"
#include "test_bytes.h"

namespace BlocklistV4Format {
namespace {

using testing::hexBytes;
using testing::spacedHex;
using Stats = RadixTrieBuilder::Stats;

SortedKeyTable tableOf(std::vector<std::pair<std::string, std::uint16_t>> keys) {
  std::vector<std::pair<veltra::Bytes, std::uint16_t>> pairs;
  for (auto& [key, group] : keys) pairs.emplace_back(veltra::toBytes(key), group);
  return SortedKeyTable(pairs);
}

std::string errorOf(const SortedKeyTable& table) {
  try {
    RadixTrieBuilder::serialize(table);
  } catch (const V4FormatError& error) {
    return error.description();
  }
  return "no error";
}

TEST(RadixTrieBuilder, WorkedExamples) {
  struct Case {
    std::vector<std::pair<std::string, std::uint16_t>> keys;
    std::string image;
    Stats stats;
  };
  const Case cases[] = {
      {{}, "00 00", {1, 0, 0, 0}},
      {{{"abcd", 5}}, "02 00 61 04 00 00 00 01 03 62 63 64 05 00", {2, 1, 1, 3}},
      {{{"ac", 2}, {"ab", 1}},
       "02 00 61 04 00 00 00 04 00 62 09 00 00 00 63 08 00 00 00 01 00 01 00 01 00 02 00",
       {4, 2, 2, 0}},
      {{{"", 7}}, "01 00 07 00", {1, 1, 0, 0}},
      {{{"ab", 2}, {"a", 1}},
       "02 00 61 04 00 00 00 03 00 01 00 62 04 00 00 00 01 00 02 00",
       {3, 2, 1, 0}},
  };
  for (const Case& c : cases) {
    RadixTrieBuilder::Output output = RadixTrieBuilder::serialize(tableOf(c.keys));
    EXPECT_EQ(spacedHex(output.bytes), c.image);
    EXPECT_EQ(output.stats, c.stats) << c.image;
  }
}

TEST(RadixTrieBuilder, FanOutOf127IsTheLimit) {
  std::vector<std::pair<std::string, std::uint16_t>> keys;
  for (int b = 1; b <= 127; ++b) keys.push_back({std::string(1, static_cast<char>(b)), 0});
  RadixTrieBuilder::Output output = RadixTrieBuilder::serialize(tableOf(keys));
  EXPECT_EQ(output.bytes[0], 0xFE);
  EXPECT_EQ(output.stats.maxFanout, 127u);
  EXPECT_EQ(output.stats.terminalCount, 127u);
  keys.push_back({"\x80", 0});
  EXPECT_EQ(errorOf(tableOf(keys)), "node  has 128 children; flags bits 1-7 hold at most 127");
  for (auto& [key, group] : keys) key = "ab" + key;
  EXPECT_EQ(errorOf(tableOf(keys)), "node ab has 128 children; flags bits 1-7 hold at most 127");
}

TEST(RadixTrieBuilder, FragmentOf255BytesIsTheLimit) {
  std::string shared255(255, 's');
  RadixTrieBuilder::Output output = RadixTrieBuilder::serialize(
      tableOf({{"x" + shared255 + "a", 1}, {"x" + shared255 + "b", 2}}));
  EXPECT_EQ(output.stats.fragmentBytes, 255u);
  EXPECT_EQ(output.bytes[8], 255);
  EXPECT_EQ(errorOf(tableOf({{"x" + shared255 + "sa", 1}, {"x" + shared255 + "sb", 2}})),
            "path fragment of 256 bytes exceeds the u8 fragLen field");
}

TEST(RadixTrieBuilder, DuplicateKeysNameTheSecondCopy) {
  EXPECT_EQ(errorOf(tableOf({{"b", 1}, {"a", 1}, {"b", 2}})),
            "corrupt trie: duplicate key at index 2; keys must be unique before serialisation");
  EXPECT_EQ(errorOf(tableOf({{"", 1}, {"", 2}})),
            "corrupt trie: duplicate key at index 1; keys must be unique before serialisation");
}

TEST(RadixTrieBuilder, TerminalCountEqualsKeyCountOnDeepChains) {
  std::vector<std::pair<std::string, std::uint16_t>> keys;
  std::string key;
  for (int i = 0; i < 5000; ++i) {
    key += static_cast<char>('a' + i % 26);
    keys.push_back({key, static_cast<std::uint16_t>(i)});
    keys.push_back({key + "!", static_cast<std::uint16_t>(i)});
  }
  RadixTrieBuilder::Output output = RadixTrieBuilder::serialize(tableOf(keys));
  EXPECT_EQ(output.stats.terminalCount, keys.size());
}

TEST(RadixTrieBuilder, AppendedImageIsTheSameBytes) {
  SortedKeyTable table = tableOf({{"ac", 2}, {"ab", 1}});
  veltra::Bytes out = hexBytes("aa bb");
  RadixTrieBuilder::Stats stats = RadixTrieBuilder::appendImage(table, out);
  RadixTrieBuilder::Output alone = RadixTrieBuilder::serialize(table);
  EXPECT_EQ(veltra::Bytes(out.begin() + 2, out.end()), alone.bytes);
  EXPECT_EQ(stats, alone.stats);
}

}  // namespace
}  // namespace BlocklistV4Format
