// The fast mapped walk (child search, word-wise key reads, prefix index, cursor) against the
// checked walk it must agree with, and its safety on damaged bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>

#include "artifact_format/child_search.h"
#include "artifact_format/radix_trie_builder.h"
#include "artifact_format/trie_cursor.h"
#include "artifact_format/trie_prefix_index.h"
#include "artifact_format/v4_format_error.h"
#include "artifact_format/v4_mapped_reader.h"
#include "artifact_format/v4_reader.h"
#include "artifact_format/v4_writer.h"
#include "test_artifact.h"

namespace BlocklistV4Format {
namespace {

// Copies bytes into a heap block of exactly their size, so that the address sanitizer reports
// any read past the end.
class ExactBytes {
 public:
  explicit ExactBytes(veltra::ByteView bytes)
      : data_(new std::uint8_t[bytes.size()]), size_(bytes.size()) {
    std::copy(bytes.begin(), bytes.end(), data_.get());
  }
  veltra::ByteView view() const { return {data_.get(), size_}; }
  std::uint8_t* data() { return data_.get(); }
  std::size_t size() const { return size_; }

 private:
  std::unique_ptr<std::uint8_t[]> data_;
  std::size_t size_;
};

template <typename Matcher>
void expectFindEntryAgreesWithCheckedSearch() {
  std::mt19937 random(11);
  for (std::size_t n : {0, 1, 2, 8, 9, 12, 13, 14, 25, 26, 27, 38, 39}) {
    for (int round = 0; round < 20; ++round) {
      // A table of n distinct ascending key bytes, followed by unrelated bytes that must be
      // ignored; a third of the rounds draw keys from the domain alphabet only.
      std::vector<std::uint8_t> keys(256);
      for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = static_cast<std::uint8_t>(i);
      if (round % 3 == 0)
        keys.assign({'-', '.', '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'a',
                     'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n',
                     'o', 'p', 'q', 'r', 's', 't', 'u', 'v', 'w', 'x', 'y', 'z', '_'});
      std::shuffle(keys.begin(), keys.end(), random);
      keys.resize(std::min(n, keys.size()));
      std::sort(keys.begin(), keys.end());
      veltra::Bytes table(1 + trie::kFastTableSpan);
      for (auto& byte : table) byte = static_cast<std::uint8_t>(random());
      table[0] = 0xEE;  // an entry never starts at offset 0 of the bytes a checked search gets
      for (std::size_t i = 0; i < keys.size(); ++i) table[1 + i * trie::kEntryBytes] = keys[i];
      for (int c = 0; c < 256; ++c) {
        const std::size_t checked =
            trie::findChildInTable(table.data(), 1, keys.size(), static_cast<std::uint8_t>(c));
        const std::size_t fast =
            trie::findEntry<Matcher>(table.data() + 1, keys.size(), static_cast<std::uint8_t>(c));
        EXPECT_EQ(fast == trie::kNoEntry ? 0 : 1 + fast, checked) << "n " << n << " c " << c;
      }
    }
  }
}

TEST(ChildSearch, FindEntryAgreesWithTheCheckedSearch) {
  expectFindEntryAgreesWithCheckedSearch<trie::ByteMatcher>();
  expectFindEntryAgreesWithCheckedSearch<trie::PortableByteMatcher>();
}

TEST(ChildSearch, MatchersMarkExactlyTheEqualBytes) {
  std::mt19937 random(5);
  std::uint8_t block[64];
  for (int round = 0; round < 200; ++round) {
    for (auto& byte : block) byte = static_cast<std::uint8_t>(random() % (round % 2 ? 4 : 256));
    const std::uint8_t c = block[random() % 64];
    std::uint64_t expected = 0;
    for (std::size_t j = 0; j < 64; ++j) expected |= std::uint64_t{block[j] == c} << j;
    EXPECT_EQ(trie::PortableByteMatcher(c).matches(block), expected);
    EXPECT_EQ(trie::ByteMatcher(c).matches(block), expected);
  }
}

TEST(WalkKey, WordsReadZeroPastTheKeyEnd) {
  for (std::size_t length = 0; length <= 20; ++length) {
    veltra::Bytes text(length);
    for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<std::uint8_t>(0xA0 + i);
    ExactBytes key(text);
    trie::WalkKey walkKey(key.data(), length);
    for (std::size_t at = 0; at <= length; ++at) {
      std::uint64_t expected = 0;
      for (std::size_t i = 0; i < 8 && at + i < length; ++i) {
        expected |= std::uint64_t{text[at + i]} << (8 * i);
      }
      EXPECT_EQ(walkKey.word(at), expected) << "length " << length << " at " << at;
    }
  }
}

using Keys = std::vector<std::pair<std::string, std::uint16_t>>;

veltra::Bytes imageOf(const Keys& keys) {
  std::vector<std::pair<veltra::Bytes, std::uint16_t>> pairs;
  for (const auto& [key, group] : keys) pairs.emplace_back(veltra::toBytes(key), group);
  return RadixTrieBuilder::serialize(SortedKeyTable(pairs)).bytes;
}

std::uint32_t cursorWalk(veltra::ByteView image, std::string_view key, bool longestPrefix,
                         const trie::PrefixIndex& index) {
  const trie::WalkKey walkKey(reinterpret_cast<const std::uint8_t*>(key.data()), key.size());
  trie::WalkCursor cursor(image.data(), image.size(), 0, walkKey, longestPrefix, index);
  while (!cursor.done) cursor.step();
  return cursor.result;
}

TEST(PrefixIndex, DepthIsTheDeepestWhoseStatesFitTheBudget) {
  // Depth 1: {a, b}; 2: {a1, a2, b1}; 3 to 8: only the path of "a1zzzzzzzzzz".
  const veltra::Bytes image = imageOf({{"a1", 1}, {"a2", 2}, {"b1", 3}, {"a1zzzzzzzzzz", 4}});
  struct Case {
    std::size_t budget;
    std::size_t depth;
  };
  for (const Case& c : {Case{0, 0}, Case{1, 0}, Case{2, 1}, Case{3, 8}, Case{100, 8}}) {
    trie::PrefixIndex index(image.data(), image.size(), 0, false, c.budget);
    EXPECT_EQ(index.depth(), c.depth) << "budget " << c.budget;
  }
  EXPECT_EQ(trie::PrefixIndex(image.data(), image.size(), image.size(), false).depth(), 0u);
}

TEST(PrefixIndex, ResumedWalksMatchWalksFromTheRoot) {
  // Terminals above, at and below every depth, fragments ending inside and past it, keys
  // shorter than the depth: the resumed walk must answer as the checked walk does.
  const Keys keys = {{"a", 1},        {"ab", 2},          {"abc", 3},
                     {"abcdefgh", 4}, {"abcdefghij", 5},  {"abcdefgzzzzz", 6},
                     {"b.", 7},       {"b.c", 8},         {"bcdefghijklm", 9},
                     {"x", 10},       {"xy\xff\x00z", 11}};
  const veltra::Bytes image = imageOf(keys);
  const ExactBytes bytes(image);
  std::vector<std::string> probes;
  for (const auto& [key, group] : keys) {
    for (std::size_t n = 0; n <= key.size(); ++n) probes.push_back(key.substr(0, n));
    probes.push_back(key + "q");
    probes.push_back(key + "qqqqqqqqqqqq");
  }
  probes.push_back(std::string("xy\xff\x00", 4));
  probes.push_back("abcdefgzzzzy");
  for (std::size_t budget : {1, 2, 3, 4, 6, 100}) {
    for (bool longest : {false, true}) {
      trie::PrefixIndex index(bytes.view().data(), bytes.size(), 0, longest, budget);
      for (const std::string& probe : probes) {
        EXPECT_EQ(
            cursorWalk(bytes.view(), probe, longest, index),
            trie::walk(image.data(), image.size(), 0,
                       reinterpret_cast<const std::uint8_t*>(probe.data()), probe.size(), longest,
                       [&](std::size_t t, std::size_t n, std::uint8_t c) {
                         return trie::findChildInTable(image.data(), t, n, c);
                       }))
            << "budget " << budget << " longest " << longest << " probe " << probe;
      }
    }
  }
}

using testing::artifact;

// Keys that reach every path of the fast walk: nodes of more than 39 children (100 byte values,
// within the format's 127),
// fragments longer than a word, keys that are prefixes of others, and short wildcard suffixes
// whose terminals lie above the index depth.
struct StressSet {
  CategorySetMap exact;
  CategorySetMap wildcard;
  std::vector<std::string> probes;
};

StressSet stressSet() {
  std::mt19937 random(3);
  StressSet set;
  auto randomText = [&](std::size_t length, bool anyByte) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
      text += anyByte ? static_cast<char>(100 + random() % 100)
                      : static_cast<char>('a' + random() % 26);
    }
    return text;
  };
  for (int i = 0; i < 4000; ++i) {
    std::string key = randomText(1 + random() % 4, i % 2 == 0);
    if (i % 3 == 0) key += "." + randomText(9 + random() % 30, false);  // long fragments
    if (i % 5 == 0) key += ".com";
    const CategorySet categories = CategorySet::of({static_cast<std::size_t>(i % 4)});
    (i % 4 == 0 ? set.wildcard : set.exact).unite(key, categories);
    set.probes.push_back(key);
    set.probes.push_back("w." + key);
    set.probes.push_back(key.substr(0, key.size() / 2));
    set.probes.push_back(key + randomText(random() % 3, true));
  }
  for (const char* suffix : {"a", "zz", "q.r", "com"}) {
    set.wildcard.unite(suffix, CategorySet::of({1}));
  }
  set.probes.push_back("");
  set.probes.push_back(std::string(300, 'a'));
  set.probes.push_back(std::string(280, 'b') + ".com");
  return set;
}

TEST(FastWalk, MappedLookupsAgreeWithTheCheckedReaderOnAStressSet) {
  const StressSet set = stressSet();
  const veltra::Bytes file = artifact(set.exact, set.wildcard);
  ASSERT_GT(file.size(), 100 * trie::kFastNodeSpan);  // most nodes take the fast step
  const ExactBytes bytes(file);
  V4Reader reader(file);
  V4MappedReader mapped(bytes.view());
  EXPECT_GT(mapped.indexByteCount(), 0u);
  std::size_t found = 0;
  for (const std::string& probe : set.probes) {
    const std::optional<std::uint16_t> group = reader.groupID(probe);
    found += group.has_value();
    ASSERT_EQ(mapped.groupID(probe), group) << probe;
    const ExactBytes exactKey(veltra::asBytes(probe));
    const ExactBytes reversed(V4Writer::reversedDottedKey(probe));
    ASSERT_EQ(mapped.groupID(exactKey.view(), reversed.view()), group) << probe;
    ASSERT_EQ(mapped.exactGroupID(exactKey.view()),
              reader.exactTrie().lookupExact(veltra::asBytes(probe)))
        << probe;
  }
  EXPECT_GT(found, set.probes.size() / 2);
}

TEST(FastWalk, DamagedBytesNeverLeadOutsideTheFile) {
  const StressSet set = stressSet();
  const veltra::Bytes file = artifact(set.exact, set.wildcard);
  std::mt19937 random(17);
  std::size_t opened = 0;
  for (int round = 0; round < 300; ++round) {
    ExactBytes damaged(file);
    for (int flips = 1 + static_cast<int>(random() % 8); flips > 0; --flips) {
      damaged.data()[V4Header::kByteCount + random() % (file.size() - V4Header::kByteCount)] ^=
          static_cast<std::uint8_t>(1 + random() % 255);
    }
    try {
      V4MappedReader mapped(damaged.view());
      ++opened;
      for (std::size_t i = round; i < set.probes.size(); i += 97)
        (void)mapped.groupID(set.probes[i]);
      (void)mapped.groupID(std::string(300, 'a'));
    } catch (const V4FormatError&) {
    }
  }
  EXPECT_GT(opened, 0u);
}

}  // namespace
}  // namespace BlocklistV4Format
