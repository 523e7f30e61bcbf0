#include "artifact_format/v4_writer.h"

#include <gtest/gtest.h>

#include "artifact_format/v4_format_error.h"
#include "artifact_format/v4_input_error.h"
#include "test_bytes.h"

namespace BlocklistV4Format {
namespace {

using testing::hexBytes;
using testing::spacedHex;

V4Writer::Input inputOf(std::vector<CategoryEntry> categories, CategorySetMap exact,
                        CategorySetMap wildcard = {}) {
  return {std::move(categories), std::move(exact), std::move(wildcard)};
}

TEST(V4Writer, EmptyInputIsA68ByteFile) {
  V4Writer::Result result = V4Writer::write({});
  ASSERT_EQ(result.bytes.size(), 68u);
  const V4Header& h = result.header;
  EXPECT_EQ(h.flags.rawValue, 0u);
  EXPECT_EQ(h.categoryCount + h.exactDomainCount + h.wildcardDomainCount + h.groupCount, 0u);
  EXPECT_EQ(h.groupTableOffset, 64u);
  EXPECT_EQ(h.exactTrieOffset, 64u);
  EXPECT_EQ(h.wildcardTrieOffset, 66u);
  EXPECT_EQ(h.totalFileSize, 68u);
  EXPECT_EQ(spacedHex(veltra::ByteView(result.bytes).subspan(64)), "00 00 00 00");
  EXPECT_EQ(V4Header::decode(result.bytes), h);
}

TEST(V4Writer, OneCategoryOneDomainLayout) {
  V4Writer::Result result =
      V4Writer::write(inputOf({{5, "ads"}}, {{"a.com", CategorySet::of({0})}}));
  veltra::ByteView bytes(result.bytes);
  EXPECT_EQ(spacedHex(bytes.subspan(64, 6)), "05 00 03 61 64 73");
  EXPECT_EQ(result.header.groupTableOffset, 70u);
  EXPECT_EQ(bytes[70], 0x01);
  EXPECT_EQ(result.header.exactTrieOffset, 71u);
  EXPECT_EQ(result.header.flags.rawValue, 5u);
  EXPECT_EQ(spacedHex(bytes.subspan(71, result.header.wildcardTrieOffset - 71)),
            "02 00 61 04 00 00 00 01 04 2e 63 6f 6d 00 00");
  EXPECT_EQ(V4Header::decode(result.bytes), result.header);
  EXPECT_EQ(result.description(),
            "V4Writer.Result(byteCount: " + std::to_string(result.bytes.size()) +
                ", categoryCount: 1, groupCount: 1, exactDomainCount: 1, wildcardDomainCount: 0)");
}

TEST(V4Writer, EffectiveSetsFoldInCoveringSuffixes) {
  struct Case {
    const char* name;
    CategorySetMap exact;
    CategorySetMap wildcard;
    std::vector<CategorySet> expectedGroups;
  };
  Case cases[] = {
      {"suffix covers exact domain",
       {{"x.example.com", CategorySet::of({0})}},
       {{"example.com", CategorySet::of({1})}},
       {CategorySet::of({1}), CategorySet::of({0, 1})}},
      {"domain both exact and wildcard",
       {{"example.com", CategorySet::of({0})}},
       {{"example.com", CategorySet::of({1})}},
       {CategorySet::of({1}), CategorySet::of({0, 1})}},
      {"nested suffixes",
       {},
       {{"com", CategorySet::of({0})}, {"example.com", CategorySet::of({1})}},
       {CategorySet::of({0}), CategorySet::of({0, 1})}},
      {"label boundary only",
       {{"badexample.com", CategorySet::of({0})}},
       {{"example.com", CategorySet::of({1})}},
       {CategorySet::of({0}), CategorySet::of({1})}},
  };
  for (Case& c : cases) {
    V4Writer::Result result =
        V4Writer::write(inputOf({{1, "a"}, {2, "b"}}, std::move(c.exact), std::move(c.wildcard)));
    EXPECT_EQ(result.groupTable.sets, c.expectedGroups) << c.name;
  }
}

TEST(V4Writer, SlotsFollowAscendingCategoryIDs) {
  V4Writer::Result result =
      V4Writer::write(inputOf({{9, "b"}, {2, "a"}}, {{"x", CategorySet::of({0})}}));
  EXPECT_EQ(spacedHex(veltra::ByteView(result.bytes).subspan(64, 8)), "02 00 01 61 09 00 01 62");
}

TEST(V4Writer, SharedSetGetsGroupZero) {
  V4Writer::Result result = V4Writer::write(inputOf(
      {{1, "a"}, {2, "b"}},
      {{"a", CategorySet::of({1})}, {"b", CategorySet::of({0})}, {"c", CategorySet::of({0})}}));
  EXPECT_EQ(result.groupTable.sets,
            (std::vector<CategorySet>{CategorySet::of({0}), CategorySet::of({1})}));
  EXPECT_EQ(result.header.groupCount, 2u);
}

TEST(V4Writer, WildcardKeysAreReversedDotted) {
  EXPECT_EQ(veltra::asText(V4Writer::reversedDottedKey("example.com")), "moc.elpmaxe.");
  V4Writer::Result result =
      V4Writer::write(inputOf({{1, "a"}}, {}, {{"ab", CategorySet::of({0})}}));
  EXPECT_EQ(result.header.flags.rawValue, 6u);
  EXPECT_EQ(spacedHex(veltra::ByteView(result.bytes).subspan(result.header.wildcardTrieOffset)),
            "02 00 62 04 00 00 00 01 02 61 2e 00 00");
}

TEST(V4Writer, InputThatTheFormatCannotStoreIsRefused) {
  std::vector<CategoryEntry> many;
  for (int i = 0; i < 257; ++i) many.push_back({i, "c"});
  struct Case {
    V4Writer::Input input;
    std::string message;
  };
  Case cases[] = {
      {inputOf({{65536, "x"}}, {}),
       "category id 65536 is outside 0...65535; the category table stores ids as u16"},
      {inputOf({{-1, "x"}}, {}),
       "category id -1 is outside 0...65535; the category table stores ids as u16"},
      {inputOf({{3, std::string(256, 'n')}}, {}),
       "category 3 has a name of 256 bytes; the category table holds at most 255"},
      {inputOf(many, {}), "257 categories exceed the 256 slots one artifact can hold"},
      {inputOf({{4, "a"}, {4, "b"}}, {}), "category id 4 is given more than once"},
      {inputOf({{1, "a"}}, {{"z.com", CategorySet::of({1})}, {"y.com", CategorySet::of({3})}}),
       "exact domain y.com names slot 3, but the artifact has 1 categories"},
      {inputOf({{1, "a"}}, {}, {{"y.com", CategorySet::of({0, 200})}}),
       "wildcard suffix y.com names slot 200, but the artifact has 1 categories"},
  };
  for (const Case& c : cases) {
    try {
      V4Writer::write(c.input);
      ADD_FAILURE() << c.message;
    } catch (const V4InputError& error) {
      EXPECT_EQ(error.description(), c.message);
    }
  }
  EXPECT_EQ(V4InputError::imageTooLarge(5000000000).description(),
            "trie image of 5000000000 bytes needs child offsets beyond 32 bits");
  EXPECT_EQ(V4InputError::countExceedsFormat("exactDomainCount", 4294967296).description(),
            "exactDomainCount 4294967296 exceeds the u32 header field");
}

TEST(V4Writer, TrieErrorsStopTheWrite) {
  CategorySetMap exact;
  for (int b = 1; b <= 128; ++b) exact.unite(std::string(1, static_cast<char>(b)), CategorySet());
  try {
    V4Writer::write(inputOf({}, std::move(exact)));
    FAIL();
  } catch (const V4FormatError& error) {
    EXPECT_EQ(error, V4FormatError::fanoutExceedsFormat("", 128));
  }
}

}  // namespace
}  // namespace BlocklistV4Format
