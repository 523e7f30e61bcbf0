#include "artifact_format/v4_trie_reader.h"

#include <gtest/gtest.h>

#include "artifact_format/radix_trie_builder.h"

namespace BlocklistV4Format {
namespace {

using Keys = std::vector<std::pair<std::string, std::uint16_t>>;

veltra::Bytes imageOf(const Keys& keys) {
  std::vector<std::pair<veltra::Bytes, std::uint16_t>> pairs;
  for (const auto& [key, group] : keys) pairs.emplace_back(veltra::toBytes(key), group);
  return RadixTrieBuilder::serialize(SortedKeyTable(pairs)).bytes;
}

// Runs every lookup on both readers and checks that they agree.
class BothReaders {
 public:
  explicit BothReaders(veltra::Bytes image, std::uint64_t root = 0)
      : bytes_(std::make_shared<const veltra::Bytes>(std::move(image))),
        array_(bytes_, root),
        mapped_(*bytes_, root) {}

  std::optional<std::uint16_t> exact(std::string_view key) const {
    auto a = array_.lookupExact(veltra::asBytes(key));
    EXPECT_EQ(a, mapped_.lookupExact(veltra::asBytes(key))) << key;
    return a;
  }
  std::optional<std::uint16_t> prefix(std::string_view key) const {
    auto a = array_.lookupLongestPrefix(veltra::asBytes(key));
    EXPECT_EQ(a, mapped_.lookupLongestPrefix(veltra::asBytes(key))) << key;
    return a;
  }
  const V4TrieReader& array() const { return array_; }

 private:
  std::shared_ptr<const veltra::Bytes> bytes_;
  V4TrieReader array_;
  V4MappedTrieReader mapped_;
};

TEST(V4TrieReaders, ExactAndLongestPrefix) {
  BothReaders one(imageOf({{"abc", 7}}));
  EXPECT_EQ(one.exact("abc"), 7);
  EXPECT_EQ(one.exact("ab"), std::nullopt);
  EXPECT_EQ(one.exact("abcd"), std::nullopt);
  EXPECT_EQ(one.prefix("abcd"), 7);
  EXPECT_EQ(one.prefix("ab"), std::nullopt);
  EXPECT_EQ(one.exact(""), std::nullopt);
  BothReaders two(imageOf({{"a", 1}, {"abc", 3}}));
  EXPECT_EQ(two.prefix("abx"), 1);
  EXPECT_EQ(two.prefix("abcx"), 3);
  EXPECT_EQ(two.prefix("b"), std::nullopt);
  BothReaders empty(imageOf({{"", 9}, {"x", 0xFFFF}}));
  EXPECT_EQ(empty.exact(""), 9);
  EXPECT_EQ(empty.exact("x"), 0xFFFF);
  EXPECT_EQ(empty.prefix("zz"), 9);
}

TEST(V4TrieReaders, ManyChildrenAreSearchedByHalving) {
  Keys keys;
  for (char c = 'b'; c <= 'y'; c += 2)
    keys.push_back({std::string(1, c) + "z", static_cast<std::uint16_t>(c)});
  BothReaders readers(imageOf(keys));
  for (char c = 'a'; c <= 'z'; ++c) {
    std::optional<std::uint16_t> expected;
    if ((c - 'b') % 2 == 0 && c >= 'b' && c <= 'y') expected = static_cast<std::uint16_t>(c);
    EXPECT_EQ(readers.exact(std::string(1, c) + "z"), expected) << c;
  }
  EXPECT_EQ(readers.exact("\x01z"), std::nullopt);
  EXPECT_EQ(readers.exact("\xFFz"), std::nullopt);
  ASSERT_EQ(readers.array().findChild('d', 2, 12), std::optional<std::uint64_t>(2 + 5));
  EXPECT_EQ(readers.array().childOffset(2), 2 + 12 * 5u);  // the first child follows the table
}

TEST(V4TrieReaders, DamagedBytesMissInsteadOfFaulting) {
  veltra::Bytes image = imageOf({{"abcd", 5}, {"abxy", 6}});
  for (std::uint64_t root : {image.size(), image.size() - 1, image.size() + 100}) {
    BothReaders readers(image, root);
    EXPECT_EQ(readers.exact("abcd"), std::nullopt);
  }
  for (std::size_t cut = 0; cut < image.size(); ++cut) {
    BothReaders readers(veltra::Bytes(image.begin(), image.begin() + cut));
    readers.exact("abcd");
    readers.prefix("abcdzz");
  }
  BothReaders prefixOnly(imageOf({{"a", 1}, {"abcd", 2}}));
  veltra::Bytes cut = imageOf({{"a", 1}, {"abcd", 2}});
  cut.resize(cut.size() - 1);  // the value of abcd is cut short
  BothReaders damaged(cut);
  EXPECT_EQ(damaged.prefix("abcde"), 1);
  EXPECT_EQ(prefixOnly.prefix("abcde"), 2);
}

TEST(V4TrieReader, DescriptionIsBounded) {
  BothReaders readers(imageOf({{"abc", 7}}), 0);
  EXPECT_EQ(readers.array().description(), "V4TrieReader(byteCount: 13, rootOffset: 0)");
  EXPECT_TRUE(BoundedDescriptionCheck(readers.array(), "trie").empty());
}

}  // namespace
}  // namespace BlocklistV4Format
