#include <gtest/gtest.h>

#include "config/blocklist_category.h"
#include "config/blocklist_user_config.h"
#include "config/protection_level.h"
#include "config/uninstall_retention.h"
#include "core/json_fields.h"

namespace veltra::config {
namespace {

TEST(BlocklistCategoryVocabulary, KeysAreExactAndOrdered) {
  EXPECT_EQ(allBlocklistCategories().size(), 53u);
  EXPECT_EQ(blocklistCategoryFromRawValue("adsTrackersPro"), allBlocklistCategories()[2]);
  EXPECT_EQ(rawValue(allBlocklistCategories()[52]), "abusedTLDs");
  for (const char* key : {"AdsTrackersPro", "streamingAds", "dnsRebindProtection", ""}) {
    EXPECT_FALSE(blocklistCategoryFromRawValue(key).has_value()) << key;
  }
  for (auto category : allBlocklistCategories()) {
    EXPECT_EQ(blocklistCategoryFromRawValue(rawValue(category)), category);
  }
  EXPECT_EQ(defaultEnabledCategoryKeys(),
            (std::set<std::string>{"adsTrackersPro", "threatIntelligenceMini", "malwarePhishing"}));
}

TEST(ProtectionLevelVocabulary, OrderedWithDisplayKeys) {
  EXPECT_LT(ProtectionLevel::pro, ProtectionLevel::proPlus);
  EXPECT_GT(ProtectionLevel::pro, ProtectionLevel::normal);
  EXPECT_EQ(displayKey(ProtectionLevel::pro), "Pro");
  EXPECT_EQ(displayKey(ProtectionLevel::proPlus), "Pro++");
  EXPECT_EQ(protectionLevelFromRawValue("proPlus"), ProtectionLevel::proPlus);
  EXPECT_FALSE(protectionLevelFromRawValue("Pro").has_value());
}

TEST(UninstallRetentionVocabulary, PropertiesAndRawValues) {
  EXPECT_FALSE(uninstallRetentionFromRawValue(3).has_value());
  EXPECT_FALSE(uninstallRetentionFromRawValue(-1).has_value());
  const auto& keep = properties(UninstallRetention::keepSettings);
  EXPECT_EQ(keep.displayName, "Keep Settings");
  EXPECT_TRUE(keep.isRecommended);
  EXPECT_EQ(keep.preservedConfigPaths.size(), 2u);
  EXPECT_TRUE(properties(UninstallRetention::completeRemoval).clearAllUserDefaults);
  EXPECT_TRUE(properties(UninstallRetention::keepAllData).preserveAppGroupContainer);
  EXPECT_EQ(properties(UninstallRetention::keepAllData).preservedConfigPaths.back(),
            "stats.db-wal");
}

TEST(BlocklistUserConfigCoding, MissingPreferMiniDecodesFalseAndIsWrittenBack) {
  auto record = BlocklistUserConfig::decode(asBytes(
      R"({"enabledCategories": ["gambling", "piracy"], "lastModified": "2026-03-04T05:06:07Z"})"));
  EXPECT_FALSE(record.preferMiniVariants);
  EXPECT_FALSE(record.basePresetId.has_value());
  std::string text = record.encode();
  EXPECT_NE(text.find("\"preferMiniVariants\": false"), std::string::npos);
  EXPECT_EQ(text.find("basePresetId"), std::string::npos);
  EXPECT_EQ(BlocklistUserConfig::decode(asBytes(text)), record);
}

TEST(BlocklistUserConfigCoding, InvalidDocumentsAreRejected) {
  const char* cases[] = {
      R"({"lastModified": "2026-03-04T05:06:07Z"})",
      R"({"enabledCategories": []})",
      R"({"enabledCategories": ["streamingAds"], "lastModified": "2026-03-04T05:06:07Z"})",
      R"({"enabledCategories": [], "lastModified": "2026-03-04T05:06:07Z", "preferMiniVariants": "yes"})",
  };
  for (const char* text : cases)
    EXPECT_THROW(BlocklistUserConfig::decode(asBytes(text)), json::DecodingError) << text;
}

}  // namespace
}  // namespace veltra::config
