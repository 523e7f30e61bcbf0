#include "platform/iso8601.h"

#include <gtest/gtest.h>

namespace veltra::platform {
namespace {

using namespace std::chrono;

TEST(Iso8601, FormatsUtcWholeSecondsWithZ) {
  auto time = system_clock::time_point(seconds(1'765'331'044)) + milliseconds(900);
  EXPECT_EQ(formatIso8601(time), "2025-12-10T01:44:04Z");
  EXPECT_EQ(formatIso8601(system_clock::time_point{}), "1970-01-01T00:00:00Z");
}

TEST(Iso8601, ParsesZuluAndOffsets) {
  EXPECT_EQ(parseIso8601("2025-12-10T01:44:04Z"), system_clock::time_point(seconds(1'765'331'044)));
  EXPECT_EQ(parseIso8601("2025-12-10T02:44:04+01:00"),
            system_clock::time_point(seconds(1'765'331'044)));
}

TEST(Iso8601, RejectsWhatTheStrictFormDoesNotAllow) {
  for (const char* text : {"2025-12-10T01:44:04", "2025-12-10T01:44:04.5Z", "2025-12-10 01:44:04Z",
                           "2025-13-10T01:44:04Z", "2025-02-30T01:44:04Z", "2025-12-10T24:00:00Z",
                           "", "2025-12-10T01:44:04Zjunk", "2025-12-10T01:44:04+0100"}) {
    EXPECT_FALSE(parseIso8601(text).has_value()) << text;
  }
}

TEST(Iso8601, EveryParsedTimeFormatsBackTheSame) {
  // The clock's range differs between platforms (nanoseconds span 1678 to 2262); what it cannot
  // hold is refused, never wrapped into another time.
  for (const char* text : {"0000-01-01T00:00:00Z", "1013-01-15T08:00:00Z", "1677-09-21T00:12:44Z",
                           "1677-09-21T00:12:43Z", "2262-04-11T23:47:16Z", "2262-04-11T23:47:17Z",
                           "4050-12-10T09:00:00Z", "9999-12-31T23:59:59Z"}) {
    if (auto time = parseIso8601(text)) {
      EXPECT_EQ(formatIso8601(*time), text);
    }
  }
  EXPECT_TRUE(parseIso8601("1677-09-21T00:12:44Z").has_value());
  EXPECT_TRUE(parseIso8601("2262-04-11T23:47:16Z").has_value());
}

}  // namespace
}  // namespace veltra::platform
