#include "config/config_migration.h"

#include <gtest/gtest.h>

namespace veltra::config {
namespace {

class Migration : public ::testing::Test {
 protected:
  platform::RecordingLogSink sink;
  platform::ScopedLogSink scope{sink};
  platform::Logger logger{"tessel.Korvel2", "SharedConfig"};
};

TEST_F(Migration, RemovedPresetBecomesCustomCaseSensitively) {
  Config c;
  c.basePresetId = "smartTV";
  c.enabledCategoryKeys = {"gambling"};
  migrateConfig(c, logger);
  EXPECT_FALSE(c.basePresetId.has_value());
  EXPECT_EQ(c.enabledCategoryKeys, std::set<std::string>{"gambling"});
  EXPECT_TRUE(
      sink.contains(platform::LogLevel::info, "Migrating removed preset 'smartTV' to Custom"));
  EXPECT_EQ(c.encode().find("basePresetId"), std::string::npos);

  Config capital;
  capital.basePresetId = "SmartTV";
  migrateConfig(capital, logger);
  EXPECT_EQ(capital.basePresetId, "SmartTV");
}

TEST_F(Migration, RetiredKeysAreDroppedAndLoggedInSortedOrder) {
  Config c;
  c.enabledCategoryKeys = {"dnsRebindProtection", "adsTrackersPro", "streamingAds", "notACategory"};
  migrateConfig(c, logger);
  EXPECT_EQ(c.enabledCategoryKeys, (std::set<std::string>{"adsTrackersPro", "notACategory"}));
  EXPECT_TRUE(
      sink.contains(platform::LogLevel::info,
                    "Dropping 2 retired category key(s): dnsRebindProtection, streamingAds"));
}

TEST_F(Migration, FormatVersionMovesToFourOnlyBeforeConfigVersionTwo) {
  struct Case {
    std::int64_t configVersion, format, expectedFormat;
    bool logs;
  } cases[] = {
      {1, 3, 4, true}, {1, 4, 4, false}, {0, 7, 4, true}, {2, 3, 3, false}, {5, 0, 0, false}};
  for (const auto& k : cases) {
    sink.clear();
    Config c;
    c.configVersion = k.configVersion;
    c.blocklistFormatVersion = k.format;
    migrateConfig(c, logger);
    EXPECT_EQ(c.blocklistFormatVersion, k.expectedFormat);
    EXPECT_EQ(c.configVersion, std::max<std::int64_t>(k.configVersion, 2));
    EXPECT_EQ(sink.count("Migrating blocklistFormatVersion"), k.logs ? 1u : 0u);
  }
  sink.clear();
  Config c;
  c.configVersion = 1;
  c.blocklistFormatVersion = 3;
  migrateConfig(c, logger);
  EXPECT_TRUE(sink.contains(platform::LogLevel::info,
                            "Migrating blocklistFormatVersion 3 -> 4 (configVersion 1 -> 2)"));
}

}  // namespace
}  // namespace veltra::config
