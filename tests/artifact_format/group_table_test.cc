#include "artifact_format/group_table.h"

#include <gtest/gtest.h>

#include "artifact_format/v4_format_error.h"
#include "test_bytes.h"

namespace BlocklistV4Format {
namespace {

TEST(CategorySetInterner, MostFrequentFirstThenAscendingSetOrder) {
  CategorySet a = CategorySet::of({5}), b = CategorySet::of({2}), c = CategorySet::of({0});
  CategorySetInterner interner;
  interner.record(c);
  for (int i = 0; i < 3; ++i) interner.record(a);
  interner.record(b, 3);
  GroupTable table = interner.build();
  EXPECT_EQ(table.sets, (std::vector<CategorySet>{b, a, c}));
  EXPECT_EQ(table.id(a), 1);
  EXPECT_EQ(table.id(CategorySet::of({9})), std::nullopt);
}

TEST(CategorySetInterner, CeilingIs65535Groups) {
  CategorySetInterner interner;
  for (std::uint64_t i = 0; i < 65535; ++i) interner.record(CategorySet(i));
  GroupTable table = interner.build();
  EXPECT_EQ(table.count(), 65535u);
  EXPECT_EQ(table.id(CategorySet(0)), 0);
  EXPECT_EQ(table.id(CategorySet(65534)), 65534);
  interner.record(CategorySet(65535));
  try {
    interner.build();
    FAIL();
  } catch (const V4FormatError& error) {
    EXPECT_EQ(error.description(),
              "group count 65536 exceeds the u16 group-id ceiling of 65535. 0xFFFF is reserved "
              "and never emitted. Widen groupId before proceeding.");
  }
}

TEST(GroupTable, EncodesAndDecodesRows) {
  GroupTable table({CategorySet::of({0}), CategorySet::of({9}), CategorySet::of({1, 15})});
  veltra::Bytes bytes = table.encoded(2);
  EXPECT_EQ(bytes, testing::hexBytes("0100 0002 0280"));
  EXPECT_EQ(GroupTable::decode(bytes, 3, 2), table);
  veltra::Bytes five(bytes.begin(), bytes.end() - 1);
  try {
    GroupTable::decode(five, 3, 2);
    FAIL();
  } catch (const V4FormatError& error) {
    EXPECT_EQ(error.description(), "truncated artifact: needed 6 bytes, have 5");
  }
  EXPECT_EQ(table.set(2), CategorySet::of({1, 15}));
  EXPECT_EQ(table.set(3), std::nullopt);
  EXPECT_EQ(GroupTable({CategorySet(1), CategorySet(1)}).id(CategorySet(1)), 1);
}

TEST(GroupTable, VerdictBitmapMarksGroupsMeetingTheSelection) {
  GroupTable table({CategorySet::of({1}), CategorySet::of({2}), CategorySet::of({1, 2})});
  VerdictBitmap bitmap = table.verdictBitmap(CategorySet::of({2}));
  EXPECT_EQ(bitmap.bits, testing::hexBytes("06"));
  EXPECT_EQ(bitmap.groupCount, 3u);
  EXPECT_FALSE(bitmap.isBlocked(0));
  EXPECT_TRUE(bitmap.isBlocked(1));
  EXPECT_TRUE(bitmap.isBlocked(2));
  EXPECT_FALSE(bitmap.isBlocked(3));
  EXPECT_FALSE(bitmap.isBlocked(0xFFFF));
  std::vector<CategorySet> nine(9, CategorySet::of({0}));
  VerdictBitmap all = GroupTable(nine).verdictBitmap(CategorySet::of({0}));
  EXPECT_EQ(all.bits, testing::hexBytes("ff01"));
  EXPECT_EQ(GroupTable(nine).verdictBitmap(CategorySet()).bits, testing::hexBytes("0000"));
}

}  // namespace
}  // namespace BlocklistV4Format
