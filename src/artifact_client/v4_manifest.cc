#include "artifact_client/v4_manifest.h"

#include <algorithm>

#include "core/json_fields.h"

namespace BlocklistV4Client {

namespace json = veltra::json;

namespace {

const nlohmann::json& requiredValue(const nlohmann::json& object, const std::string& key) {
  auto it = object.find(key);
  if (it == object.end() || it->is_null()) json::fail(key, "missing");
  return *it;
}

std::vector<std::string> requiredStrings(const nlohmann::json& object, const std::string& key) {
  auto value = json::optionalStringArray(object, key);
  if (!value) json::fail(key, "missing");
  return *value;
}

V4Manifest::Block decodeBlock(const nlohmann::json& value) {
  if (!value.is_object()) json::fail("blocks", "expected an array of objects");
  V4Manifest::Block block;
  block.name = json::requiredString(value, "name");
  const auto& range = requiredValue(value, "range");
  if (!range.is_array()) json::fail("range", "expected an array of integers");
  for (std::size_t i = 0; i < range.size(); ++i) {
    nlohmann::json wrapper = {{"range", range[i]}};
    auto id = json::optionalInt64(wrapper, "range");
    if (!id) json::fail("range", "expected an array of integers");
    block.range.push_back(*id);
  }
  return block;
}

}  // namespace

V4Manifest V4Manifest::decode(veltra::ByteView bytes) {
  nlohmann::json o = json::parseObject(bytes);
  V4Manifest m;
  m.formatVersion = json::requiredInt64(o, "formatVersion");
  m.version = json::requiredString(o, "version");
  m.buildId = json::requiredString(o, "buildId");
  m.filename = json::requiredString(o, "filename");
  m.url = json::requiredString(o, "url");
  m.size = json::requiredInt64(o, "size");
  m.sha256 = json::requiredString(o, "sha256");
  m.compressedSize = json::requiredInt64(o, "compressedSize");
  m.compressedSha256 = json::requiredString(o, "compressedSha256");
  m.domainCount = json::requiredInt64(o, "domainCount");
  m.exactCount = json::requiredInt64(o, "exactCount");
  m.wildcardCount = json::requiredInt64(o, "wildcardCount");
  m.categoryCount = json::requiredInt64(o, "categoryCount");
  m.categories = requiredStrings(o, "categories");
  const auto& blocks = requiredValue(o, "blocks");
  if (!blocks.is_array()) json::fail("blocks", "expected an array");
  for (const auto& block : blocks) m.blocks.push_back(decodeBlock(block));
  const auto& stats = requiredValue(o, "categoryStats");
  if (!stats.is_object()) json::fail("categoryStats", "expected an object");
  for (const auto& [key, value] : stats.items()) {
    if (!value.is_object()) json::fail("categoryStats", "expected an object of objects");
    m.categoryStats[key] =
        CategoryStat{json::requiredInt64(value, "id"), json::requiredInt64(value, "exact"),
                     json::requiredInt64(value, "wildcard")};
  }
  m.published = json::requiredString(o, "published");
  m.minAppVersion = json::requiredString(o, "minAppVersion");
  if (auto it = o.find("parents"); it != o.end() && !it->is_null()) {
    if (!it->is_object()) json::fail("parents", "expected an object of strings");
    std::map<std::string, std::string> parents;
    for (const auto& [child, parent] : it->items()) {
      if (!parent.is_string()) json::fail("parents", "expected an object of strings");
      parents[child] = parent.get<std::string>();
    }
    m.parents = std::move(parents);
  }
  if (m.formatVersion != 4) {
    throw json::DecodingError("formatVersion must be 4, got " + std::to_string(m.formatVersion));
  }
  return m;
}

nlohmann::json V4Manifest::toJson() const {
  nlohmann::json o = nlohmann::json::object();
  o["formatVersion"] = formatVersion;
  o["version"] = version;
  o["buildId"] = buildId;
  o["filename"] = filename;
  o["url"] = url;
  o["size"] = size;
  o["sha256"] = sha256;
  o["compressedSize"] = compressedSize;
  o["compressedSha256"] = compressedSha256;
  o["domainCount"] = domainCount;
  o["exactCount"] = exactCount;
  o["wildcardCount"] = wildcardCount;
  o["categoryCount"] = categoryCount;
  o["categories"] = categories;
  nlohmann::json blockArray = nlohmann::json::array();
  for (const auto& block : blocks)
    blockArray.push_back({{"name", block.name}, {"range", block.range}});
  o["blocks"] = blockArray;
  nlohmann::json stats = nlohmann::json::object();
  for (const auto& [key, stat] : categoryStats) {
    stats[key] = {{"id", stat.id}, {"exact", stat.exact}, {"wildcard", stat.wildcard}};
  }
  o["categoryStats"] = stats;
  o["published"] = published;
  o["minAppVersion"] = minAppVersion;
  if (parents) o["parents"] = *parents;
  return o;
}

std::string V4Manifest::encode() const { return json::encodePretty(toJson()); }

std::optional<std::int64_t> V4Manifest::registryID(const std::string& key) const {
  auto it = categoryStats.find(key);
  if (it == categoryStats.end()) return std::nullopt;
  return it->second.id;
}

std::optional<std::string> V4Manifest::blockName(std::int64_t id) const {
  for (const auto& block : blocks) {
    if (block.range.size() >= 2 && block.range[0] <= id && id <= block.range[1]) return block.name;
  }
  return std::nullopt;
}

std::map<std::string, std::string> V4Manifest::parentByChild() const {
  return parents.value_or(std::map<std::string, std::string>{});
}

std::optional<std::string> V4Manifest::parentKey(const std::string& key) const {
  if (!parents) return std::nullopt;
  auto it = parents->find(key);
  if (it == parents->end()) return std::nullopt;
  return it->second;
}

std::vector<std::string> V4Manifest::childKeys(const std::string& key) const {
  std::vector<std::string> children;
  if (!parents) return children;
  for (const auto& [child, parent] : *parents) {
    if (parent == key) children.push_back(child);
  }
  if (categoryStats.empty()) return children;  // the map already orders by key text
  std::stable_sort(children.begin(), children.end(),
                   [&](const std::string& a, const std::string& b) {
                     auto idA = registryID(a), idB = registryID(b);
                     if (idA && idB && *idA != *idB) return *idA < *idB;
                     if (idA.has_value() != idB.has_value()) return idA.has_value();
                     return a < b;
                   });
  return children;
}

}  // namespace BlocklistV4Client
