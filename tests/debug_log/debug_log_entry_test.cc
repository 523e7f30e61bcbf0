#include "debug_log/debug_log_entry.h"

#include <gtest/gtest.h>

#include "debug_log/debug_log_service.h"

namespace veltra::debuglog {
namespace {

constexpr char kId[] = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";

DebugLogEntry sampleEntry() {
  DebugLogEntry entry;
  entry.id = *Uuid::fromString(kId);
  entry.timestamp = std::chrono::system_clock::time_point(std::chrono::seconds(1'800'000'000));
  entry.level = LogLevel::warning;
  entry.category = "Filter";
  entry.message = "Blocked ads.example";
  return entry;
}

nlohmann::json validObject() {
  return nlohmann::json{{"id", kId},
                        {"timestamp", "2027-01-15T08:00:00Z"},
                        {"level", "OK"},
                        {"category", "Update"},
                        {"message", "done"}};
}

TEST(DebugLogEntry, EntryWithoutDetailsEncodesWithoutTheKeyAndRoundTrips) {
  DebugLogEntry entry = sampleEntry();
  nlohmann::ordered_json json = entry.encode();
  EXPECT_FALSE(json.contains("details"));
  EXPECT_EQ(json.dump(),
            R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","timestamp":"2027-01-15T08:00:00Z",)"
            R"("level":"WARN","category":"Filter","message":"Blocked ads.example"})");
  EXPECT_EQ(DebugLogEntry::decode(json), entry);
}

TEST(DebugLogEntry, DetailsAreWrittenLastAndReadBack) {
  DebugLogEntry entry = sampleEntry();
  entry.details = "list: adsTrackersPro";
  nlohmann::ordered_json json = entry.encode();
  EXPECT_EQ(json.back(), "list: adsTrackersPro");
  EXPECT_EQ(DebugLogEntry::decode(json), entry);
}

TEST(DebugLogEntry, LevelsDecodeByRawStringOnly) {
  struct Case {
    const char* raw;
    std::optional<LogLevel> level;
  };
  const Case cases[] = {
      {"DEBUG", LogLevel::debug}, {"INFO", LogLevel::info},  {"WARN", LogLevel::warning},
      {"ERROR", LogLevel::error}, {"OK", LogLevel::success}, {"warning", std::nullopt},
      {"success", std::nullopt},  {"ok", std::nullopt},      {"", std::nullopt}};
  for (const Case& c : cases) {
    nlohmann::json object = validObject();
    object["level"] = c.raw;
    if (c.level) {
      EXPECT_EQ(DebugLogEntry::decode(object).level, *c.level) << c.raw;
    } else {
      EXPECT_THROW(DebugLogEntry::decode(object), DebugLogDecodingError) << c.raw;
    }
  }
}

TEST(DebugLogEntry, MissingOrMistypedRequiredKeysFailToDecode) {
  for (const char* key : {"id", "timestamp", "level", "category", "message"}) {
    nlohmann::json missing = validObject();
    missing.erase(key);
    EXPECT_THROW(DebugLogEntry::decode(missing), DebugLogDecodingError) << key;
    nlohmann::json mistyped = validObject();
    mistyped[key] = 7;
    EXPECT_THROW(DebugLogEntry::decode(mistyped), DebugLogDecodingError) << key;
  }
  nlohmann::json badId = validObject();
  badId["id"] = "not-a-uuid";
  EXPECT_THROW(DebugLogEntry::decode(badId), DebugLogDecodingError);
  nlohmann::json badDetails = validObject();
  badDetails["details"] = 3;
  EXPECT_THROW(DebugLogEntry::decode(badDetails), DebugLogDecodingError);
}

TEST(DebugLogEntry, DecodingErrorNamesTheKey) {
  nlohmann::json object = validObject();
  object["level"] = "warning";
  try {
    DebugLogEntry::decode(object);
    FAIL();
  } catch (const DebugLogDecodingError& error) {
    EXPECT_EQ(error, DebugLogDecodingError("level"));
    EXPECT_EQ(error.description(), "invalid or missing key \"level\"");
  }
}

TEST(DebugLogEntry, TextDecodesLikeItsObject) {
  DebugLogEntry entry = sampleEntry();
  entry.details = "d";
  EXPECT_EQ(DebugLogEntry::decode(asBytes(entry.encode().dump())), entry);
  for (const char* text : {"not json", "[]", "{\"id\": 1"}) {
    try {
      DebugLogEntry::decode(asBytes(text));
      ADD_FAILURE() << text;
    } catch (const DebugLogDecodingError& error) {
      EXPECT_EQ(error, DebugLogDecodingError("")) << text;
    }
  }
  EXPECT_NE(DebugLogDecodingError::nestedTooDeep(), DebugLogDecodingError(""));
}

TEST(Uuid, ParsesEitherCaseAndPrintsUppercase) {
  auto lower = Uuid::fromString("e621e1f8-c36c-495a-93fc-0c247a3e6e5f");
  ASSERT_TRUE(lower);
  EXPECT_EQ(lower->uuidString(), kId);
  EXPECT_FALSE(Uuid::fromString("E621E1F8C36C495A93FC0C247A3E6E5F"));
  EXPECT_FALSE(Uuid::fromString("G621E1F8-C36C-495A-93FC-0C247A3E6E5F"));
  Uuid random = Uuid::random();
  EXPECT_EQ(random.bytes()[6] >> 4, 4);
  EXPECT_EQ(Uuid::fromString(random.uuidString()), random);
  EXPECT_NE(Uuid::random(), random);
}

TEST(DebugLogService, KeepsItsBound) {
  DebugLogService service(500);
  EXPECT_EQ(service.maxLogEntries(), 500);
  FilterLogger logger;
  NullFilterLogger nullLogger;
  const FilterLoggerProtocol* loggers[] = {&logger, &nullLogger};
  EXPECT_NE(loggers[0], loggers[1]);
}

}  // namespace
}  // namespace veltra::debuglog
