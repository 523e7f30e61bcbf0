#include "platform/text_format.h"

#include <gtest/gtest.h>

namespace veltra::platform {
namespace {

TEST(FileByteCount, DecimalUnitsLikeThePlatform) {
  struct Case {
    std::int64_t bytes;
    const char* text;
  } cases[] = {
      {0, "Zero KB"},
      {1, "1 byte"},
      {999, "999 bytes"},
      {1000, "1 KB"},
      {12'345, "12 KB"},
      {999'499, "999 KB"},
      {999'999, "1 MB"},
      {1'000'000, "1 MB"},
      {12'345'678, "12.3 MB"},
      {1'234'567'890, "1.23 GB"},
      {1'200'000'000, "1.2 GB"},
      {536'870'912, "536.9 MB"},
  };
  for (const auto& c : cases) EXPECT_EQ(formatFileByteCount(c.bytes), c.text) << c.bytes;
}

TEST(NumericCompare, DigitRunsCompareByValue) {
  EXPECT_GT(compareNumeric("1.10", "1.9"), 0);
  EXPECT_GT(compareNumeric("1.9", "1.2"), 0);
  EXPECT_EQ(compareNumeric("2.0.1", "2.0.1"), 0);
  EXPECT_LT(compareNumeric("2.0", "2.0.1"), 0);
  EXPECT_EQ(compareNumeric("1.01", "1.1"), 0);
  EXPECT_LT(compareNumeric("1.99999999999999999999", "1.100000000000000000000"), 0);
}

}  // namespace
}  // namespace veltra::platform
