#include "legacy/blocklist_manifest.h"

#include "config/json_dates.h"
#include "core/json_fields.h"

namespace veltra::legacy {

namespace {

config::BlocklistCategory categoryOf(const std::string& key, const std::string& field) {
  auto category = config::blocklistCategoryFromRawValue(key);
  if (!category) json::fail(field, "unknown category \"" + key + "\"");
  return *category;
}

BlocklistManifest::Entry entryFromJson(const nlohmann::json& object) {
  if (!object.is_object()) json::fail("entries", "not an object");
  json::FieldReader fields(object);
  BlocklistManifest::Entry entry;
  fields.required("category", entry.category);
  fields.optional("etag", entry.etag);
  fields.optional("lastModified", entry.lastModified);
  entry.downloadedAt = config::requiredDate(object, "downloadedAt");
  fields.required("fileSize", entry.fileSize);
  fields.required("domainCount", entry.domainCount);
  fields.optional("contentHash", entry.contentHash);
  fields.required("sourceURL", entry.sourceURL);
  return entry;
}

nlohmann::json entryToJson(const BlocklistManifest::Entry& entry) {
  nlohmann::json object = {{"category", entry.category},
                           {"downloadedAt", platform::formatIso8601(entry.downloadedAt)},
                           {"fileSize", entry.fileSize},
                           {"domainCount", entry.domainCount},
                           {"sourceURL", entry.sourceURL}};
  if (entry.etag) object["etag"] = *entry.etag;
  if (entry.lastModified) object["lastModified"] = *entry.lastModified;
  if (entry.contentHash) object["contentHash"] = *entry.contentHash;
  return object;
}

}  // namespace

BlocklistManifest BlocklistManifest::fromJson(const nlohmann::json& object) {
  if (!object.is_object()) json::fail("manifest", "not an object");
  json::FieldReader fields(object);
  BlocklistManifest manifest;
  fields.required("version", manifest.version);
  manifest.lastUpdated = config::requiredDate(object, "lastUpdated");
  std::vector<std::string> compiled;
  fields.required("compiledCategories", compiled);
  for (const auto& key : compiled)
    manifest.compiledCategories.insert(categoryOf(key, "compiledCategories"));
  manifest.lastCompiled = config::optionalDate(object, "lastCompiled");
  const nlohmann::json& entries = fields.requiredValue("entries");
  if (!entries.is_object()) json::fail("entries", "not an object");
  for (const auto& [key, value] : entries.items()) {
    manifest.entries.emplace(categoryOf(key, "entries"), entryFromJson(value));
  }
  return manifest;
}

BlocklistManifest BlocklistManifest::decode(ByteView bytes) {
  return fromJson(json::parseObject(bytes));
}

nlohmann::json BlocklistManifest::toJson() const {
  nlohmann::json compiled = nlohmann::json::array();
  for (auto category : compiledCategories)
    compiled.push_back(std::string(config::rawValue(category)));
  nlohmann::json entryObjects = nlohmann::json::object();
  for (const auto& [category, entry] : entries)
    entryObjects[std::string(config::rawValue(category))] = entryToJson(entry);
  nlohmann::json object = {{"version", version},
                           {"lastUpdated", platform::formatIso8601(lastUpdated)},
                           {"compiledCategories", compiled},
                           {"entries", entryObjects}};
  if (lastCompiled) object["lastCompiled"] = platform::formatIso8601(*lastCompiled);
  return object;
}

std::string BlocklistManifest::encode() const { return json::encodePretty(toJson()); }

}  // namespace veltra::legacy
