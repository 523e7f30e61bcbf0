#include "artifact_client/v4_manifest.h"

#include <algorithm>

#include "core/json_fields.h"

namespace BlocklistV4Client {

namespace json = veltra::json;

namespace {

V4Manifest::Block decodeBlock(const nlohmann::json& value) {
  if (!value.is_object()) json::fail("blocks", "expected an array of objects");
  json::FieldReader fields(value);
  V4Manifest::Block block;
  fields.required("name", block.name);
  const auto& range = fields.requiredValue("range");
  if (!range.is_array()) json::fail("range", "expected an array of integers");
  for (const auto& id : range) {
    if (id.is_null()) json::fail("range", "expected an array of integers");
    block.range.push_back(json::decode<std::int64_t>(id, "range"));
  }
  return block;
}

}  // namespace

V4Manifest V4Manifest::decode(veltra::ByteView bytes) {
  nlohmann::json o = json::parseObject(bytes);
  json::FieldReader fields(o);
  V4Manifest m;
  fields.required("formatVersion", m.formatVersion);
  fields.required("version", m.version);
  fields.required("buildId", m.buildId);
  fields.required("filename", m.filename);
  fields.required("url", m.url);
  fields.required("size", m.size);
  fields.required("sha256", m.sha256);
  fields.required("compressedSize", m.compressedSize);
  fields.required("compressedSha256", m.compressedSha256);
  fields.required("domainCount", m.domainCount);
  fields.required("exactCount", m.exactCount);
  fields.required("wildcardCount", m.wildcardCount);
  fields.required("categoryCount", m.categoryCount);
  fields.required("categories", m.categories);
  const auto& blocks = fields.requiredValue("blocks");
  if (!blocks.is_array()) json::fail("blocks", "expected an array");
  for (const auto& block : blocks) m.blocks.push_back(decodeBlock(block));
  const auto& stats = fields.requiredValue("categoryStats");
  if (!stats.is_object()) json::fail("categoryStats", "expected an object");
  for (const auto& [key, value] : stats.items()) {
    if (!value.is_object()) json::fail("categoryStats", "expected an object of objects");
    json::FieldReader stat(value);
    CategoryStat& entry = m.categoryStats[key];
    stat.required("id", entry.id);
    stat.required("exact", entry.exact);
    stat.required("wildcard", entry.wildcard);
  }
  fields.required("published", m.published);
  fields.required("minAppVersion", m.minAppVersion);
  if (const nlohmann::json* parents = fields.find("parents")) {
    if (!parents->is_object()) json::fail("parents", "expected an object of strings");
    auto& byChild = m.parents.emplace();
    for (const auto& [child, parent] : parents->items()) {
      if (!parent.is_string()) json::fail("parents", "expected an object of strings");
      byChild[child] = parent.get<std::string>();
    }
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
