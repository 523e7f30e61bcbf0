#include <gtest/gtest.h>

#include <random>

#include "artifact_format/v4_format_error.h"
#include "artifact_format/v4_mapped_reader.h"
#include "artifact_format/v4_reader.h"
#include "artifact_format/v4_writer.h"
#include "core/little_endian.h"
#include "test_artifact.h"

namespace BlocklistV4Format {
namespace {

using Group = std::optional<std::uint16_t>;

using testing::artifact;

// Looks a domain up with every reader and lookup style and checks that they agree.
Group lookupEverywhere(const veltra::Bytes& file, std::string_view domain) {
  V4Reader reader(file);
  V4MappedReader mapped(file);
  Group group = reader.groupID(domain);
  EXPECT_EQ(mapped.groupID(domain), group) << domain;
  veltra::Bytes reversed = V4Writer::reversedDottedKey(domain);
  EXPECT_EQ(mapped.groupID(veltra::asBytes(domain), reversed), group) << domain;
  VerdictBitmap all = reader.verdictBitmap(CategorySet(0xF));
  EXPECT_EQ(mapped.isBlocked(veltra::asBytes(domain), reversed, all),
            mapped.isBlocked(domain, all));
  EXPECT_EQ(reader.isBlocked(domain, all), mapped.isBlocked(domain, all));
  EXPECT_EQ(reader.categories(domain), mapped.categories(domain));
  return group;
}

std::string openingError(const veltra::Bytes& file) {
  try {
    V4MappedReader mapped(file);
  } catch (const V4FormatError& error) {
    std::string message = error.description();
    try {
      V4Reader reader(file);
      ADD_FAILURE() << "in-memory reader opened";
    } catch (const V4FormatError& again) {
      EXPECT_EQ(again.description(), message);
    }
    return message;
  }
  return "opened";
}

TEST(V4Readers, LookupRules) {
  veltra::Bytes file =
      artifact({{"both.example.com", CategorySet::of({0})}, {"x.org", CategorySet::of({2})}},
               {{"example.com", CategorySet::of({1})}, {"a.example.com", CategorySet::of({3})}});
  V4Reader reader(file);
  const GroupTable& groups = reader.groupTable();
  auto setOf = [&](std::string_view d) { return groups.set(*lookupEverywhere(file, d)); };
  EXPECT_EQ(setOf("both.example.com"), CategorySet::of({0, 1}));
  EXPECT_EQ(setOf("x.a.example.com"), CategorySet::of({1, 3}));
  EXPECT_EQ(setOf("b.example.com"), CategorySet::of({1}));
  EXPECT_EQ(setOf("example.com"), CategorySet::of({1}));
  for (std::string_view miss : {"com", "badexample.com", "Example.com", "example.com.", "",
                                "x.org.", "X.org", "ample.com"}) {
    EXPECT_EQ(lookupEverywhere(file, miss), std::nullopt) << miss;
  }
  EXPECT_EQ(reader.registryIDs("x.a.example.com"), (std::vector<std::int64_t>{11, 13}));
  EXPECT_TRUE(reader.registryIDs("nothing").empty());
  EXPECT_EQ(reader.categoryNameForSlot(2), "c2");
  EXPECT_EQ(reader.categoryName(13), "c3");
  EXPECT_EQ(reader.slot(12), 2u);
  EXPECT_EQ(reader.id(4), std::nullopt);
  EXPECT_EQ(reader.slotSet(std::vector<std::int64_t>{13, 99}), CategorySet::of({3}));
  EXPECT_TRUE(reader.isBlocked("x.org", CategorySet::of({2})));
  EXPECT_FALSE(reader.isBlocked("x.org", CategorySet::of({1})));
}

TEST(V4Readers, RoundTripOnGeneratedSets) {
  std::mt19937 random(7);
  CategorySetMap exact, wildcard;
  std::vector<std::string> names;
  for (int i = 0; i < 3000; ++i) {
    std::string name = "n" + std::to_string(random() % 100000) + (i % 3 ? ".com" : ".example.org");
    if (i % 5 == 0) name = "sub" + std::to_string(i) + "." + name;
    names.push_back(name);
    (i % 7 == 0 ? wildcard : exact).unite(name, CategorySet::of({static_cast<std::size_t>(i % 4)}));
  }
  veltra::Bytes file = artifact(exact, wildcard);
  V4Reader reader(file);
  V4MappedReader mapped(file);
  for (std::size_t i = 0; i < exact.size(); ++i) {
    Group group = mapped.groupID(exact.key(i));
    ASSERT_TRUE(group) << exact.key(i);
    EXPECT_TRUE(reader.groupTable().set(*group)->intersects(exact.set(i)));
  }
  for (std::size_t i = 0; i < wildcard.size(); ++i) {
    std::string below = "q." + std::string(wildcard.key(i));
    if (exact.find(below)) continue;
    Group group = lookupEverywhere(file, below);
    ASSERT_TRUE(group) << below;
  }
  for (int i = 0; i < 500; ++i) lookupEverywhere(file, "absent" + std::to_string(i) + ".net");
}

TEST(V4Readers, VerdictBitmapsAndForeignBitmaps) {
  veltra::Bytes file = artifact(
      {{"a", CategorySet::of({0})}, {"b", CategorySet::of({1})}, {"c", CategorySet::of({1})}}, {});
  V4MappedReader mapped(file);
  EXPECT_FALSE(mapped.wildcardTrie().has_value());
  VerdictBitmap none = mapped.verdictBitmap(CategorySet());
  EXPECT_EQ(none.bits, veltra::Bytes{0});
  VerdictBitmap both = mapped.verdictBitmap(CategorySet::of({0, 1}));
  EXPECT_EQ(both.bits, veltra::Bytes{3});
  EXPECT_TRUE(mapped.isBlocked("a", both));
  VerdictBitmap foreign{veltra::Bytes{0xFF}, 1};  // made for a file with one group
  EXPECT_TRUE(mapped.isBlocked("b", foreign));    // group 0
  EXPECT_FALSE(mapped.isBlocked("a", foreign));   // group 1 is not below 1
}

TEST(V4MappedReader, EnumeratesExactDomainsInByteOrderAndStops) {
  veltra::Bytes file = artifact({{"b.com", CategorySet::of({0})},
                                 {"a.com", CategorySet::of({1})},
                                 {"a.co", CategorySet::of({1})}},
                                {{"w.net", CategorySet::of({2})}});
  V4MappedReader mapped(file);
  std::vector<std::string> seen;
  mapped.forEachExactDomain([&](const std::string& domain, std::uint16_t group) {
    seen.push_back(domain + "=" + std::to_string(group));
    return true;
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"a.co=0", "a.com=0", "b.com=1"}));
  int calls = 0;
  mapped.forEachExactBytes([&](veltra::ByteView, std::uint16_t) { return ++calls > 5; });
  EXPECT_EQ(calls, 1);
}

TEST(V4MappedReader, EnumerationVisitsASharedChildOnce) {
  veltra::Bytes file = artifact({{"a", CategorySet::of({0})}, {"b", CategorySet::of({1})}}, {});
  V4Header header = V4Header::decode(file);
  // Root: 04 00, then entries 'a' at +2 and 'b' at +7; point 'b' at the child of 'a'.
  std::size_t root = header.exactTrieOffset;
  std::uint32_t toFirstChild = veltra::le::load32(file.data() + root + 3);
  veltra::le::storeUnchecked(file.data() + root + 8, toFirstChild - 5);
  V4MappedReader mapped(file);
  std::vector<std::string> seen;
  mapped.forEachExactDomain([&](const std::string& domain, std::uint16_t) {
    seen.push_back(domain);
    return true;
  });
  EXPECT_EQ(seen, std::vector<std::string>{"a"});
  EXPECT_EQ(mapped.groupID("b"), mapped.groupID("a"));  // lookups follow the damaged entry
}

TEST(V4Readers, OpeningErrorsInOrder) {
  veltra::Bytes valid = artifact({{"a.com", CategorySet::of({0})}}, {});
  auto patched = [&](std::size_t offset, std::uint64_t value, int width) {
    veltra::Bytes copy = valid;
    for (int i = 0; i < width; ++i) copy[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    return copy;
  };
  veltra::Bytes longer = valid;
  longer.resize(valid.size() + 10, 0);
  const std::uint64_t size = valid.size();
  const std::pair<veltra::Bytes, std::string> cases[] = {
      {veltra::Bytes(63, 0), "truncated artifact: needed 64 bytes, have 63"},
      {veltra::Bytes{}, "truncated artifact: needed 64 bytes, have 0"},
      {veltra::Bytes(64, 0), "bad magic 0x00000000, expected 0x4B56424C (\"KVBL\")"},
      {patched(4, 3, 4), "unsupported format version 3, expected 4"},
      {veltra::Bytes(valid.begin(), valid.end() - 1), "truncated artifact: needed " +
                                                          std::to_string(size) + " bytes, have " +
                                                          std::to_string(size - 1)},
      {patched(48, 65, 8), "corrupt trie: category table ends at 84, past groupTableOffset 65"},
      {patched(28, 20000, 4), "truncated artifact: needed " + std::to_string(84 + 20000) +
                                  " bytes, have " + std::to_string(size)},
      {patched(16, 300, 4),
       "corrupt trie: category count 300 exceeds the 256 slots of a category set"},
      {patched(28, 70000, 4),
       "group count 70000 exceeds the u16 group-id ceiling of 65535. 0xFFFF is reserved and never "
       "emitted. Widen groupId before proceeding."},
      {patched(48, std::uint64_t{1} << 63, 8),
       "truncated artifact: needed 9223372036854775808 bytes, have " + std::to_string(size)},
      {longer, "opened"},
      {patched(32, 1u << 30, 8), "opened"},
  };
  for (const auto& [file, message] : cases) EXPECT_EQ(openingError(file), message);
  V4MappedReader damagedRoot(patched(32, 1u << 30, 8));
  EXPECT_EQ(damagedRoot.groupID("a.com"), std::nullopt);
  EXPECT_TRUE(V4Reader(valid).description().rfind("V4Reader(version: 4, categoryCount: 4, ", 0) ==
              0);
}

}  // namespace
}  // namespace BlocklistV4Format
