#include "legacy/blocklist_manifest.h"

#include "config/json_dates.h"
#include "core/json_fields.h"

namespace veltra::legacy {

namespace {

platform::TimePoint requiredDate(const nlohmann::json& object, const std::string& key) {
  auto date = config::optionalDate(object, key);
  if (!date) json::fail(key, "missing");
  return *date;
}

config::BlocklistCategory categoryOf(const std::string& key, const std::string& field) {
  auto category = config::blocklistCategoryFromRawValue(key);
  if (!category) json::fail(field, "unknown category \"" + key + "\"");
  return *category;
}

const nlohmann::json& requiredObject(const nlohmann::json& object, const std::string& key) {
  auto it = object.find(key);
  if (it == object.end() || it->is_null()) json::fail(key, "missing");
  if (!it->is_object()) json::fail(key, "not an object");
  return *it;
}

BlocklistManifest::Entry entryFromJson(const nlohmann::json& object) {
  if (!object.is_object()) json::fail("entries", "not an object");
  BlocklistManifest::Entry entry;
  entry.category = json::requiredString(object, "category");
  entry.etag = json::optionalString(object, "etag");
  entry.lastModified = json::optionalString(object, "lastModified");
  entry.downloadedAt = requiredDate(object, "downloadedAt");
  entry.fileSize = json::requiredInt64(object, "fileSize");
  entry.domainCount = json::requiredInt64(object, "domainCount");
  entry.contentHash = json::optionalString(object, "contentHash");
  entry.sourceURL = json::requiredString(object, "sourceURL");
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
  BlocklistManifest manifest;
  manifest.version = json::requiredInt64(object, "version");
  manifest.lastUpdated = requiredDate(object, "lastUpdated");
  auto compiled = json::optionalStringArray(object, "compiledCategories");
  if (!compiled) json::fail("compiledCategories", "missing");
  for (const auto& key : *compiled)
    manifest.compiledCategories.insert(categoryOf(key, "compiledCategories"));
  manifest.lastCompiled = config::optionalDate(object, "lastCompiled");
  for (const auto& [key, value] : requiredObject(object, "entries").items()) {
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
