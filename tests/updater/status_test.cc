#include "updater/blocklist_updater_status.h"

#include <gtest/gtest.h>

#include "core/json_fields.h"

namespace veltra::updater {
namespace {

using namespace std::chrono;
const platform::TimePoint kNow = platform::TimePoint(seconds(1'800'000'000));

BlocklistUpdaterStatus decode(std::string_view text) {
  return BlocklistUpdaterStatus::decode(asBytes(text), kNow);
}

TEST(StatusRecord, LenientReadingFillsDefaults) {
  struct Case {
    const char* text;
    std::int64_t consecutiveFailures;
    Phase phase;
  } cases[] = {
      {"{}", 0, Phase::idle},
      {R"({"consecutiveFailures": 2})", 2, Phase::idle},
      {R"({"consecutiveFailures": null, "phase": null, "trigger": null})", 0, Phase::idle},
      {R"({"phase": "upToDate", "extra": {"a": 1}})", 0, Phase::upToDate},
  };
  for (const auto& c : cases) {
    auto s = decode(c.text);
    EXPECT_EQ(s.consecutiveFailures, c.consecutiveFailures) << c.text;
    EXPECT_EQ(s.phase, c.phase) << c.text;
    EXPECT_EQ(s.formatVersion, 4);
    EXPECT_EQ(s.updatedAt, kNow);
    EXPECT_FALSE(s.startedAt.has_value());
    EXPECT_FALSE(s.trigger.has_value());
  }
}

TEST(StatusRecord, WrongTypesAndUnknownNamesMakeItUnreadable) {
  const char* cases[] = {
      R"({"phase": "sleeping"})",
      R"({"trigger": "cron"})",
      R"({"failureKind": "cosmic"})",
      R"({"consecutiveFailures": "2"})",
      R"({"updatedAt": "yesterday"})",
      R"({"bytesReceived": 1.5})",
      R"({"failureMessage": 3})",
      "[1]",
      "",
  };
  for (const char* text : cases) EXPECT_THROW(decode(text), json::DecodingError) << text;
}

TEST(StatusRecord, EncodesSortedWithoutAbsentOptionalsAndRoundTrips) {
  BlocklistUpdaterStatus s;
  s.phase = Phase::failed;
  s.formatVersion = 3;
  s.trigger = Trigger::daemon;
  s.bytesReceived = 10;
  s.bytesExpected = 20;
  s.consecutiveFailures = 3;
  s.startedAt = kNow - seconds(5);
  s.updatedAt = kNow;
  s.failureKind = FailureKind::integrity;
  s.failureMessage = "SHA256 mismatch";
  EXPECT_EQ(decode(s.encode()), s);

  BlocklistUpdaterStatus bare;
  bare.updatedAt = kNow;
  EXPECT_EQ(bare.encode(),
            "{\n  \"bytesExpected\": 0,\n  \"bytesReceived\": 0,\n  \"consecutiveFailures\": 0,\n"
            "  \"formatVersion\": 4,\n  \"phase\": \"idle\",\n  \"updatedAt\": "
            "\"2027-01-15T08:00:00Z\"\n}");
}

}  // namespace
}  // namespace veltra::updater
