#include "config/config.h"

#include <gtest/gtest.h>

#include "core/json_fields.h"

namespace veltra::config {
namespace {

Config decodeText(std::string_view text) { return Config::decode(asBytes(text)); }

TEST(ConfigRecord, EmptyObjectDecodesToFreshRecord) {
  Config fresh;
  EXPECT_EQ(decodeText("{}"), fresh);
  EXPECT_EQ(fresh.configVersion, 1);
  EXPECT_EQ(fresh.blocklistFormatVersion, 4);
  EXPECT_EQ(fresh.enabledCategoryKeys,
            (std::set<std::string>{"adsTrackersPro", "threatIntelligenceMini", "malwarePhishing"}));
}

TEST(ConfigRecord, NullCountsAsMissingAndUnknownKeysAreIgnored) {
  Config c =
      decodeText(R"({"sequenceNumber": null, "basePresetId": null, "fromTheFuture": [1, 2]})");
  EXPECT_EQ(c, Config{});
}

TEST(ConfigRecord, EncodesSortedIndentedWithoutAbsentOptionals) {
  std::string text = Config{}.encode();
  EXPECT_EQ(text.find("basePresetId"), std::string::npos);
  EXPECT_EQ(text.find("lastBlocklistUpdate"), std::string::npos);
  EXPECT_EQ(text.find("userWantsFilteringEnabled"), std::string::npos);
  EXPECT_EQ(text.rfind("{\n  \"blockResponseType\": \"zeroIP\",\n  \"blockedResponseTTL\": 0,", 0),
            0u)
      << text;
  std::vector<std::size_t> positions;
  for (const char* key :
       {"\"blockResponseType\"", "\"configVersion\"", "\"enabledCategories\"", "\"loggingLevel\"",
        "\"trustedNetworkActive\"", "\"wasManuallyPaused\""}) {
    positions.push_back(text.find(key));
  }
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
}

TEST(ConfigRecord, EveryFieldRoundTrips) {
  Config c;
  c.filteringEnabled = true;
  c.filteringLastChanged = platform::parseIso8601("2026-01-02T03:04:05Z");
  c.enabledCategoryKeys = {"gambling", "someFutureKey"};
  c.basePresetId = "family";
  c.lastBlocklistUpdate = platform::parseIso8601("2026-02-02T03:04:05Z");
  c.blocklistDomainCount = 123456;
  c.configVersion = 2;
  c.sequenceNumber = 41;
  c.blocklistFormatVersion = 3;
  c.blockedResponseTTL = 4294967295u;
  c.maxAllowedResponseTTL = 60;
  c.logBufferSize = 7;
  c.logFlushInterval = 2.5;
  c.minUpdateInterval = 10;
  c.downloadTimeout = 1.5;
  c.skipUpdateOnMetered = false;
  c.blockResponseType = "nxdomain";
  c.wasManuallyPaused = true;
  c.userWantsFilteringEnabled = false;
  c.loggingLevel = LoggingLevel::verbose;
  c.trustedNetworkActive = true;
  EXPECT_EQ(Config::decode(asBytes(c.encode())), c);
}

TEST(ConfigRecord, OneBadValueMakesTheWholeDocumentUndecodable) {
  const char* cases[] = {
      R"({"sequenceNumber": "41"})",
      R"({"loggingLevel": 3})",
      R"({"loggingLevel": -1})",
      R"({"filteringEnabled": 1})",
      R"({"lastBlocklistUpdate": "2026-01-02T03:04:05.250Z"})",
      R"({"lastBlocklistUpdate": "2026-01-02T03:04:05"})",
      R"({"blockedResponseTTL": -1})",
      R"({"blockedResponseTTL": 4294967296})",
      R"({"sequenceNumber": 1.5})",
      R"({"sequenceNumber": 9223372036854775808})",
      R"({"enabledCategories": "adsTrackersPro"})",
      R"({"enabledCategories": [1]})",
      R"({"blockResponseType": 0})",
      R"([])",
      R"({"sequenceNumber": )",
  };
  for (const char* text : cases) EXPECT_THROW(decodeText(text), json::DecodingError) << text;
}

TEST(ConfigRecord, IntegralFloatsAndIntegersForDoublesAreAccepted) {
  Config c = decodeText(R"({"sequenceNumber": 42.0, "logFlushInterval": 3, "loggingLevel": 2})");
  EXPECT_EQ(c.sequenceNumber, 42);
  EXPECT_EQ(c.logFlushInterval, 3.0);
  EXPECT_EQ(c.loggingLevel, LoggingLevel::verbose);
}

}  // namespace
}  // namespace veltra::config
