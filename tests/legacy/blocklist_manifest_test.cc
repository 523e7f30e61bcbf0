#include "legacy/blocklist_manifest.h"

#include <gtest/gtest.h>

#include "core/json_fields.h"

namespace veltra::legacy {
namespace {

using config::BlocklistCategory;

platform::TimePoint at(long long seconds) {
  return platform::TimePoint(std::chrono::seconds(seconds));
}

BlocklistManifest fullManifest() {
  BlocklistManifest manifest;
  manifest.version = 3;
  manifest.lastUpdated = at(1'800'000'000);
  manifest.compiledCategories = {BlocklistCategory::adsTrackersPro,
                                 BlocklistCategory::malwarePhishing};
  manifest.lastCompiled = at(1'800'000'100);
  BlocklistManifest::Entry entry;
  entry.category = "adsTrackersPro";
  entry.etag = "\"abc\"";
  entry.lastModified = "Tue, 15 Nov 2026 08:12:31 GMT";
  entry.downloadedAt = at(1'799'999'000);
  entry.fileSize = 123456;
  entry.domainCount = 4321;
  entry.contentHash = "9f86d081";
  entry.sourceURL = "https://lists.example/ads.txt";
  manifest.entries.emplace(BlocklistCategory::adsTrackersPro, entry);
  return manifest;
}

nlohmann::json minimalObject() {
  return nlohmann::json::parse(R"({
    "version": 1, "lastUpdated": "2027-01-15T08:00:00Z", "compiledCategories": ["gambling"],
    "entries": {"gambling": {"category": "gambling", "downloadedAt": "2027-01-15T07:00:00Z",
                             "fileSize": 10, "domainCount": 2, "sourceURL": "https://l.example/g"}}})");
}

TEST(BlocklistManifest, EncodesExactlyTheKeysAndRoundTrips) {
  BlocklistManifest manifest = fullManifest();
  nlohmann::json json = manifest.toJson();
  std::set<std::string> keys;
  for (const auto& [key, value] : json.items()) keys.insert(key);
  EXPECT_EQ(keys, (std::set<std::string>{"version", "lastUpdated", "compiledCategories",
                                         "lastCompiled", "entries"}));
  std::set<std::string> entryKeys;
  for (const auto& [key, value] : json["entries"]["adsTrackersPro"].items()) entryKeys.insert(key);
  EXPECT_EQ(entryKeys,
            (std::set<std::string>{"category", "etag", "lastModified", "downloadedAt", "fileSize",
                                   "domainCount", "contentHash", "sourceURL"}));
  EXPECT_EQ(json["lastCompiled"], "2027-01-15T08:01:40Z");
  std::string text = manifest.encode();
  EXPECT_EQ(BlocklistManifest::decode(asBytes(text)), manifest);
}

TEST(BlocklistManifest, AbsentOptionalsAreLeftOut) {
  BlocklistManifest manifest = BlocklistManifest::fromJson(minimalObject());
  EXPECT_FALSE(manifest.lastCompiled);
  const auto& entry = manifest.entries.at(BlocklistCategory::gambling);
  EXPECT_FALSE(entry.etag || entry.lastModified || entry.contentHash);
  nlohmann::json json = manifest.toJson();
  EXPECT_FALSE(json.contains("lastCompiled"));
  EXPECT_FALSE(json["entries"]["gambling"].contains("etag"));
  EXPECT_FALSE(json["entries"]["gambling"].contains("contentHash"));
  EXPECT_EQ(BlocklistManifest::fromJson(json), manifest);
}

TEST(BlocklistManifest, MalformedDocumentsFailToDecode) {
  const std::vector<std::pair<std::string, nlohmann::json>> edits = {
      {"/version", nullptr},
      {"/version", "3"},
      {"/lastUpdated", "yesterday"},
      {"/compiledCategories", nlohmann::json::array({"streamingAds"})},
      {"/compiledCategories", nullptr},
      {"/entries", nullptr},
      {"/entries", nlohmann::json::object({{"AdultContent", nlohmann::json::object()}})},
      {"/entries/gambling/sourceURL", nullptr},
      {"/entries/gambling/fileSize", 1.5},
      {"/entries/gambling/downloadedAt", nullptr},
      {"/entries/gambling/etag", 5},
  };
  for (const auto& [pointer, value] : edits) {
    nlohmann::json object = minimalObject();
    if (value.is_null()) {
      nlohmann::json::json_pointer path(pointer);
      object[path.parent_pointer()].erase(path.back());
    } else {
      object[nlohmann::json::json_pointer(pointer)] = value;
    }
    EXPECT_THROW(BlocklistManifest::fromJson(object), json::DecodingError) << pointer;
  }
}

}  // namespace
}  // namespace veltra::legacy
