#include "artifact_format/category_set.h"

#include <gtest/gtest.h>

#include "artifact_format/category_set_map.h"
#include "artifact_format/category_table.h"
#include "artifact_format/slot_table.h"
#include "artifact_format/v4_format_error.h"
#include "test_bytes.h"

namespace BlocklistV4Format {
namespace {

using testing::hexBytes;

TEST(CategorySet, RowEncodingPutsSlotEightIPlusJInBitJOfByteI) {
  EXPECT_EQ(CategorySet::of({0}).rowBytes(1), hexBytes("01"));
  EXPECT_EQ(CategorySet::of({0, 9}).rowBytes(2), hexBytes("01 02"));
  veltra::Bytes slot200 = CategorySet::of({200}).rowBytes(26);
  EXPECT_EQ(slot200, [] {
    veltra::Bytes b(25, 0);
    b.push_back(1);
    return b;
  }());
  EXPECT_EQ(CategorySet::fromRow(slot200), CategorySet::of({200}));
  EXPECT_TRUE(CategorySet::of({3}).rowBytes(0).empty());
  EXPECT_EQ(CategorySet::of({20}).rowBytes(2), hexBytes("00 00"));
  EXPECT_TRUE(CategorySet::fromRow({}).isEmpty());
  CategorySet all;
  for (std::size_t s = 0; s < 256; ++s) all.insert(s);
  EXPECT_EQ(CategorySet::fromRow(all.rowBytes(32)), all);
}

TEST(CategorySet, MembershipAndWords) {
  CategorySet set;
  set.insert(255);
  EXPECT_EQ(set.words[3], std::uint64_t{1} << 63);
  EXPECT_TRUE(set.contains(255));
  EXPECT_FALSE(set.contains(256));
  EXPECT_EQ(CategorySet(0x5).slots(), (std::vector<std::size_t>{0, 2}));
  EXPECT_EQ(CategorySet(0x5).bits(), 5u);
  CategorySet a = CategorySet::of({1, 70});
  a.formUnion(CategorySet::of({200}));
  EXPECT_EQ(a.slots(), (std::vector<std::size_t>{1, 70, 200}));
  EXPECT_TRUE(a.intersects(CategorySet::of({200})));
  EXPECT_FALSE(a.intersects(CategorySet::of({2, 199})));
  EXPECT_EQ(a.highestSlot(), 200);
  EXPECT_EQ(CategorySet().highestSlot(), -1);
}

TEST(CategorySet, OrdersAsA256BitNumberWithWordThreeMostSignificant) {
  EXPECT_LT(CategorySet::of({63}), CategorySet::of({64}));
  EXPECT_LT(CategorySet::of({64}), CategorySet::of({192}));
  EXPECT_LT(CategorySet::of({0, 1, 2, 3, 100}), CategorySet::of({101}));
  EXPECT_FALSE(CategorySet::of({5}) < CategorySet::of({5}));
  EXPECT_NE(CategorySet::of({64}).hash(), CategorySet::of({0}).hash());
}

TEST(CategoryTable, EncodesEntriesInAscendingIDOrder) {
  EXPECT_EQ(encodeCategoryTable({{3, "b"}, {1, "a"}}), hexBytes("01 00 01 61 03 00 01 62"));
}

TEST(CategoryTable, DecodesEntriesFromAnOffset) {
  veltra::Bytes bytes = hexBytes("ff ff 01 00 01 61 03 00 02 62 ff");
  CategoryTable table = CategoryTable::decode(bytes, 2, 2);
  EXPECT_EQ(table.endOffset, 11u);
  EXPECT_EQ(table.slots.idsBySlot, (std::vector<std::int64_t>{1, 3}));
  EXPECT_EQ(table.namesByID.at(1), "a");
  EXPECT_EQ(table.namesByID.at(3), "b\xEF\xBF\xBD");  // 0xff is not UTF-8
}

TEST(CategoryTable, TruncatedEntriesNameTheBytesNeeded) {
  veltra::Bytes bytes = hexBytes("01 00 01 61 03 00 05 62");
  try {
    CategoryTable::decode(bytes, 2, 0);
    FAIL();
  } catch (const V4FormatError& error) {
    EXPECT_EQ(error, V4FormatError::truncated(12, 8));
  }
  try {
    CategoryTable::decode(hexBytes("01 00 01 61 03 00"), 2, 0);
    FAIL();
  } catch (const V4FormatError& error) {
    EXPECT_EQ(error, V4FormatError::truncated(7, 6));
  }
}

TEST(SlotTable, MapsSlotsAndIDs) {
  SlotTable slots({3, 7, 12});
  EXPECT_EQ(slots.slot(7), 1u);
  EXPECT_EQ(slots.slot(5), std::nullopt);
  EXPECT_EQ(slots.id(3), std::nullopt);
  EXPECT_EQ(slots.id(-1), std::nullopt);
  EXPECT_EQ(slots.id(2), 12);
  EXPECT_EQ(slots.slotSet(std::vector<std::int64_t>{12, 5, 3}), CategorySet::of({0, 2}));
  EXPECT_EQ(slots.registryIDs(CategorySet::of({2, 0, 9})), (std::vector<std::int64_t>{3, 12}));
  EXPECT_EQ(SlotTable({4, 4}).slot(4), 1u);
}

TEST(CategorySetMap, UnitesSetsOfRepeatedKeysAndKeepsInsertionOrder) {
  CategorySetMap map;
  for (int i = 0; i < 1000; ++i) map.unite("d" + std::to_string(i), CategorySet::of({1}));
  map.unite("d5", CategorySet::of({2}));
  EXPECT_EQ(map.size(), 1000u);
  EXPECT_EQ(map.key(5), "d5");
  EXPECT_EQ(map.set(5), CategorySet::of({1, 2}));
  ASSERT_EQ(map.find("d999"), 999u);
  EXPECT_EQ(map.set(999), CategorySet::of({1}));
  EXPECT_EQ(map.find("d1000"), std::nullopt);
  EXPECT_EQ(map.keyBytes(), 10 * 2 + 90 * 3 + 900 * 4u);
}

}  // namespace
}  // namespace BlocklistV4Format
