// Every decoder of a JSON document refuses nesting past json::kMaxNestingDepth with its own
// decoding error, and decodes everything up to the limit as it always did.
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "artifact_client/v4_manifest.h"
#include "artifact_format/category_registry.h"
#include "config/blocklist_user_config.h"
#include "config/config.h"
#include "core/json_fields.h"
#include "debug_log/debug_log_entry.h"
#include "legacy/blocklist_manifest.h"
#include "updater/blocklist_metadata.h"
#include "updater/blocklist_updater_status.h"

namespace veltra {
namespace {

using json::kMaxNestingDepth;

// Returns nothing when the text decodes, else the description of the decoder's own error; any
// other exception escapes and fails the test.
using Decode = std::function<std::optional<std::string>(ByteView)>;

template <typename Error, typename Decoder>
Decode catching(Decoder decoder) {
  return [decoder](ByteView bytes) -> std::optional<std::string> {
    try {
      decoder(bytes);
    } catch (const Error& error) {
      return error.description();
    }
    return std::nullopt;
  };
}

struct DecoderCase {
  const char* name;
  Decode decode;
  std::string tooDeep;  // the decoder's description of a too-deep document
  // A decodable document with "@" where the nested value goes, and the number of arrays and
  // objects around that place.
  std::string atKnownKey;
  std::size_t knownKeyDepth;
  std::string atUnknownKey;
  std::size_t unknownKeyDepth;
};

const std::string kV4Manifest =
    R"("formatVersion": 4, "version": "v", "buildId": "b", "filename": "f", "url": "u",
       "size": 1, "sha256": "s", "compressedSize": 1, "compressedSha256": "c", "domainCount": 1,
       "exactCount": 1, "wildcardCount": 0, "categoryCount": 1, "categories": ["a"],
       "categoryStats": {}, "published": "p", "minAppVersion": "2.0")";
const std::string kMetadata =
    R"("sha256": "s", "size": 1, "domainCount": 1, "categoryCount": 1, "published": "p",
       "url": "u")";
const std::string kRegistryTail = R"("blocks": [], "categories": [])";
const std::string kDebugLogTail =
    R"("id": "E621E1F8-C36C-495A-93FC-0C247A3E6E5F", "timestamp": "2027-01-15T08:00:00Z",
       "level": "OK", "category": "c", "message": "m")";
const std::string kLegacyManifestTail =
    R"("version": 1, "lastUpdated": "2027-01-15T08:00:00Z", "compiledCategories": [],
       "entries": {})";

std::vector<DecoderCase> decoderCases() {
  const platform::TimePoint now{};
  return {
      {"V4Manifest", catching<json::DecodingError>(BlocklistV4Client::V4Manifest::decode),
       json::kNestedTooDeepDescription,
       "{" + kV4Manifest + R"(, "blocks": [{"name": "b", "range": @}]})", 3,
       "{" + kV4Manifest + R"(, "blocks": [], "x": @})", 1},
      {"LegacyMetadata", catching<json::DecodingError>(updater::BlocklistMetadata::decode),
       json::kNestedTooDeepDescription, "{" + kMetadata + R"(, "version": @})", 1,
       "{" + kMetadata + R"(, "version": "v", "x": {"y": @}})", 2},
      {"Config", catching<json::DecodingError>(config::Config::decode),
       json::kNestedTooDeepDescription, R"({"enabledCategories": @})", 1, R"({"x": @})", 1},
      {"UpdaterStatus", catching<json::DecodingError>([now](ByteView b) {
         updater::BlocklistUpdaterStatus::decode(b, now);
       }),
       json::kNestedTooDeepDescription, R"({"phase": @})", 1, R"({"x": [1, @]})", 2},
      {"CategoryRegistry",
       catching<BlocklistV4Format::RegistryDecodingError>(
           BlocklistV4Format::CategoryRegistry::decode),
       "registry JSON document: nested deeper than 64 levels",
       R"({"version": 1, "idSpace": {"size": @}, )" + kRegistryTail + "}", 2,
       R"({"version": 1, "idSpace": {"size": 8, "x": @}, )" + kRegistryTail + "}", 2},
      {"DebugLogEntry", catching<debuglog::DebugLogDecodingError>([](ByteView b) {
         debuglog::DebugLogEntry::decode(b);
       }),
       json::kNestedTooDeepDescription, "{" + kDebugLogTail + R"(, "details": @})", 1,
       "{" + kDebugLogTail + R"(, "x": @})", 1},
      {"LegacyManifest", catching<json::DecodingError>(legacy::BlocklistManifest::decode),
       json::kNestedTooDeepDescription,
       R"({"version": 1, "lastUpdated": "2027-01-15T08:00:00Z", "compiledCategories": @,
           "entries": {}})",
       1, "{" + kLegacyManifestTail + R"(, "x": @})", 1},
      {"UserConfig", catching<json::DecodingError>(config::BlocklistUserConfig::decode),
       json::kNestedTooDeepDescription,
       R"({"enabledCategories": @, "lastModified": "2027-01-15T08:00:00Z"})", 1,
       R"({"enabledCategories": [], "lastModified": "2027-01-15T08:00:00Z", "x": @})", 1},
  };
}

enum class Shape { arrays, objects };

// Returns `levels` nested arrays or objects ("[[]]", {"k": {}}).
std::string nested(std::size_t levels, Shape shape) {
  std::string text;
  for (std::size_t i = 0; i < levels; ++i) text += shape == Shape::arrays ? "[" : R"({"k": )";
  if (shape == Shape::objects && levels > 0) text.replace(text.size() - 6, 6, "{");
  for (std::size_t i = 0; i < levels; ++i) text += shape == Shape::arrays ? "]" : "}";
  return text;
}

// Returns `document` with its "@" replaced so that the whole text nests `depth` levels deep.
std::string withDepth(const std::string& document, std::size_t around, std::size_t depth,
                      Shape shape) {
  std::string text = document;
  text.replace(text.find('@'), 1, nested(depth - around, shape));
  return text;
}

class Nesting : public ::testing::TestWithParam<DecoderCase> {};

TEST_P(Nesting, LimitIsAcceptedOneMoreIsRefusedWithTheDecodingError) {
  const DecoderCase& c = GetParam();
  for (Shape shape : {Shape::arrays, Shape::objects}) {
    SCOPED_TRACE(shape == Shape::arrays ? "arrays" : "objects");
    // Below the limit a known key gets the decoder's usual answer, whatever the depth.
    auto shallow =
        c.decode(asBytes(withDepth(c.atKnownKey, c.knownKeyDepth, c.knownKeyDepth + 2, shape)));
    auto known = [&](std::size_t depth) {
      return c.decode(asBytes(withDepth(c.atKnownKey, c.knownKeyDepth, depth, shape)));
    };
    EXPECT_EQ(known(kMaxNestingDepth), shallow);
    EXPECT_NE(known(kMaxNestingDepth), c.tooDeep);
    EXPECT_EQ(known(kMaxNestingDepth + 1), c.tooDeep);
    auto unknown = [&](std::size_t depth) {
      return c.decode(asBytes(withDepth(c.atUnknownKey, c.unknownKeyDepth, depth, shape)));
    };
    EXPECT_EQ(unknown(kMaxNestingDepth), std::nullopt);
    EXPECT_EQ(unknown(kMaxNestingDepth + 1), c.tooDeep);
  }
}

TEST_P(Nesting, VeryDeepDocumentIsRefusedWithoutExhaustingTheStack) {
  const DecoderCase& c = GetParam();
  const std::size_t depth = 150'000;
  for (const auto& [document, around] :
       {std::pair(c.atKnownKey, c.knownKeyDepth), std::pair(c.atUnknownKey, c.unknownKeyDepth)}) {
    std::string text = withDepth(document, around, depth, Shape::arrays);
    EXPECT_EQ(c.decode(asBytes(text)), c.tooDeep);
    // Unbalanced: the parse stops at the limit, long before it could see the missing brackets.
    EXPECT_EQ(c.decode(asBytes(text.substr(0, text.size() / 2))), c.tooDeep);
  }
}

INSTANTIATE_TEST_SUITE_P(Decoders, Nesting, ::testing::ValuesIn(decoderCases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace veltra
