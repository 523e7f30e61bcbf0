#include "config/blocklist_category.h"

namespace veltra::config {

namespace {

constexpr std::array<std::string_view, kBlocklistCategoryCount> kKeys = {
    "adsTrackersLight",
    "adsTrackersNormal",
    "adsTrackersPro",
    "adsTrackersProPlus",
    "adsTrackersUltimate",
    "popUpAds",
    "threatIntelligence",
    "threatIntelligenceMedium",
    "threatIntelligenceMini",
    "malwarePhishing",
    "newlyRegisteredDomains",
    "dgaDetection",
    "adultContent",
    "gambling",
    "gamblingMedium",
    "piracy",
    "drugs",
    "unsafeSearchEngines",
    "socialNetworksAll",
    "facebook",
    "instagram",
    "tiktok",
    "twitter",
    "snapchat",
    "aiLlmServices",
    "openai",
    "anthropic",
    "googleGemini",
    "microsoftCopilot",
    "metaAi",
    "xaiGrok",
    "deepseek",
    "perplexity",
    "characterAi",
    "midjourney",
    "huggingFace",
    "elevenLabs",
    "otherAiServices",
    "appleTracker",
    "amazonTracker",
    "microsoftTracker",
    "samsungTracker",
    "xiaomiTracker",
    "huaweiTracker",
    "lgTracker",
    "rokuTracker",
    "tiktokExtended",
    "bypassPrevention",
    "dohOnly",
    "dynamicDNS",
    "badwareHosters",
    "urlShorteners",
    "abusedTLDs",
};

}  // namespace

const std::array<BlocklistCategory, kBlocklistCategoryCount>& allBlocklistCategories() {
  static const auto all = [] {
    std::array<BlocklistCategory, kBlocklistCategoryCount> cases{};
    for (std::size_t i = 0; i < cases.size(); ++i) cases[i] = static_cast<BlocklistCategory>(i);
    return cases;
  }();
  return all;
}

std::string_view rawValue(BlocklistCategory category) {
  return kKeys[static_cast<std::size_t>(category)];
}

std::optional<BlocklistCategory> blocklistCategoryFromRawValue(std::string_view key) {
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    if (kKeys[i] == key) return static_cast<BlocklistCategory>(i);
  }
  return std::nullopt;
}

const std::set<BlocklistCategory>& defaultEnabledCategories() {
  static const std::set<BlocklistCategory> selection = {BlocklistCategory::adsTrackersPro,
                                                        BlocklistCategory::threatIntelligenceMini,
                                                        BlocklistCategory::malwarePhishing};
  return selection;
}

std::set<std::string> defaultEnabledCategoryKeys() {
  std::set<std::string> keys;
  for (auto category : defaultEnabledCategories()) keys.emplace(rawValue(category));
  return keys;
}

}  // namespace veltra::config
