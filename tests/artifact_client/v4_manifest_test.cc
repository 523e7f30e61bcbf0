#include "artifact_client/v4_manifest.h"

#include <gtest/gtest.h>

#include "core/json_fields.h"

namespace BlocklistV4Client {
namespace {

nlohmann::json validDocument() {
  return nlohmann::json::parse(R"({
    "formatVersion": 4, "version": "2026.12.10", "buildId": "b-17", "filename": "blocklist-v4.bin.gz",
    "url": "https://cdn.example/blocklists/v4/blocklist-v4.bin.gz", "size": 1000, "sha256": "ab",
    "compressedSize": 400, "compressedSha256": "cd", "domainCount": 12, "exactCount": 10, "wildcardCount": 2,
    "categoryCount": 3, "categories": ["a", "b", "c"],
    "blocks": [{"name": "Ads", "range": [0, 99]}, {"name": "Security", "range": [100, 199]}, {"name": "Odd", "range": [5]}],
    "categoryStats": {"a": {"id": 7, "exact": 5, "wildcard": 1}, "b": {"id": 3, "exact": 5, "wildcard": 1}},
    "published": "2026-12-10T00:00:00Z", "minAppVersion": "2.1", "parents": {"a": "p", "b": "p", "c": "p"}
  })");
}

V4Manifest decodeJson(const nlohmann::json& document) {
  std::string text = document.dump();
  return V4Manifest::decode(veltra::asBytes(text));
}

TEST(V4ManifestTest, DecodesEveryFieldAndRoundTrips) {
  V4Manifest m = decodeJson(validDocument());
  EXPECT_EQ(m.version, "2026.12.10");
  EXPECT_EQ(m.size, 1000);
  EXPECT_EQ(m.categoryStats.at("a").id, 7);
  EXPECT_EQ(m.blocks[1].range, (std::vector<std::int64_t>{100, 199}));
  EXPECT_EQ(V4Manifest::decode(veltra::asBytes(m.encode())), m);
}

TEST(V4ManifestTest, WrongFormatVersionIsRejectedWithItsMessage) {
  auto document = validDocument();
  document["formatVersion"] = 3;
  try {
    decodeJson(document);
    FAIL();
  } catch (const veltra::json::DecodingError& error) {
    EXPECT_EQ(error.description(), "formatVersion must be 4, got 3");
  }
}

TEST(V4ManifestTest, MissingOrMistypedKeysAreRejected) {
  for (const char* key :
       {"url", "formatVersion", "categoryStats", "blocks", "minAppVersion", "published"}) {
    auto document = validDocument();
    document.erase(key);
    EXPECT_THROW(decodeJson(document), veltra::json::DecodingError) << key;
  }
  auto mistyped = [](const char* key, nlohmann::json value) {
    auto document = validDocument();
    document[key] = value;
    return document;
  };
  for (const auto& document :
       {mistyped("size", "1000"), mistyped("categories", {1}), mistyped("parents", {{"a", 1}}),
        mistyped("blocks", {{{"name", "x"}, {"range", {"0"}}}}), mistyped("sha256", 5)}) {
    EXPECT_THROW(decodeJson(document), veltra::json::DecodingError) << document.dump();
  }
}

TEST(V4ManifestTest, WithoutParentsThereAreNoChildrenAndEncodingOmitsTheKey) {
  auto document = validDocument();
  document.erase("parents");
  V4Manifest m = decodeJson(document);
  EXPECT_TRUE(m.parentByChild().empty());
  EXPECT_TRUE(m.childKeys("p").empty());
  EXPECT_FALSE(m.parentKey("a").has_value());
  EXPECT_EQ(m.encode().find("parents"), std::string::npos);
  EXPECT_NE(decodeJson(validDocument()), m);
}

TEST(V4ManifestTest, LookupsAnswerByIdsBlocksAndParents) {
  V4Manifest m = decodeJson(validDocument());
  EXPECT_EQ(m.registryID("b"), 3);
  EXPECT_FALSE(m.registryID("c").has_value());
  EXPECT_EQ(m.blockName(99), "Ads");
  EXPECT_EQ(m.blockName(100), "Security");
  EXPECT_FALSE(m.blockName(5000).has_value());
  EXPECT_EQ(m.parentKey("a"), "p");
  EXPECT_EQ(m.childKeys("p"), (std::vector<std::string>{"b", "a", "c"}));
  m.categoryStats.clear();
  EXPECT_EQ(m.childKeys("p"), (std::vector<std::string>{"a", "b", "c"}));
}

}  // namespace
}  // namespace BlocklistV4Client
