#include "config/blocklist_category.h"

#include "core/raw_value_table.h"

namespace veltra::config {

namespace {

// The key of every category in case order; the declared size makes a missing key an error.
constexpr RawValueTable<BlocklistCategory, std::string_view, kBlocklistCategoryCount> kKeys =
    rawValueTable<BlocklistCategory, std::string_view>({
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
    });

}  // namespace

const std::array<BlocklistCategory, kBlocklistCategoryCount>& allBlocklistCategories() {
  static const auto all = [] {
    std::array<BlocklistCategory, kBlocklistCategoryCount> cases{};
    for (std::size_t i = 0; i < cases.size(); ++i) cases[i] = static_cast<BlocklistCategory>(i);
    return cases;
  }();
  return all;
}

std::string_view rawValue(BlocklistCategory category) { return kKeys.toRaw(category); }

std::optional<BlocklistCategory> blocklistCategoryFromRawValue(std::string_view key) {
  return kKeys.fromRaw(key);
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
