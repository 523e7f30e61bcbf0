// The vocabulary of the user's blocking choice: category keys and the default selection.
#pragma once

#include <array>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace veltra::config {

// A kind of domains the user can block; identified by its key string. Case order is fixed.
enum class BlocklistCategory {
  adsTrackersLight,
  adsTrackersNormal,
  adsTrackersPro,
  adsTrackersProPlus,
  adsTrackersUltimate,
  popUpAds,
  threatIntelligence,
  threatIntelligenceMedium,
  threatIntelligenceMini,
  malwarePhishing,
  newlyRegisteredDomains,
  dgaDetection,
  adultContent,
  gambling,
  gamblingMedium,
  piracy,
  drugs,
  unsafeSearchEngines,
  socialNetworksAll,
  facebook,
  instagram,
  tiktok,
  twitter,
  snapchat,
  aiLlmServices,
  openai,
  anthropic,
  googleGemini,
  microsoftCopilot,
  metaAi,
  xaiGrok,
  deepseek,
  perplexity,
  characterAi,
  midjourney,
  huggingFace,
  elevenLabs,
  otherAiServices,
  appleTracker,
  amazonTracker,
  microsoftTracker,
  samsungTracker,
  xiaomiTracker,
  huaweiTracker,
  lgTracker,
  rokuTracker,
  tiktokExtended,
  bypassPrevention,
  dohOnly,
  dynamicDNS,
  badwareHosters,
  urlShorteners,
  abusedTLDs,
};

inline constexpr std::size_t kBlocklistCategoryCount = 53;

// Returns every category in case order.
const std::array<BlocklistCategory, kBlocklistCategoryCount>& allBlocklistCategories();

// Returns the key string of `category`.
std::string_view rawValue(BlocklistCategory category);

// Returns the category whose key is exactly `key` (case-sensitive), or nothing.
std::optional<BlocklistCategory> blocklistCategoryFromRawValue(std::string_view key);

// Returns the default selection: adsTrackersPro, threatIntelligenceMini, malwarePhishing.
const std::set<BlocklistCategory>& defaultEnabledCategories();

// Returns the key strings of the default selection.
std::set<std::string> defaultEnabledCategoryKeys();

}  // namespace veltra::config
