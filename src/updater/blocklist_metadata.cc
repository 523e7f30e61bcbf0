#include "updater/blocklist_metadata.h"

#include "core/json_fields.h"

namespace veltra::updater {

BlocklistMetadata BlocklistMetadata::decode(ByteView bytes) {
  nlohmann::json o = json::parseObject(bytes);
  BlocklistMetadata m;
  m.version = json::requiredString(o, "version");
  m.sha256 = json::requiredString(o, "sha256");
  m.size = json::requiredInt64(o, "size");
  m.domainCount = json::requiredInt64(o, "domainCount");
  m.categoryCount = json::requiredInt64(o, "categoryCount");
  m.published = json::requiredString(o, "published");
  m.url = json::requiredString(o, "url");
  m.filename = json::optionalString(o, "filename");
  return m;
}

std::string BlocklistMetadata::encode() const {
  nlohmann::json o = {{"version", version},
                      {"sha256", sha256},
                      {"size", size},
                      {"domainCount", domainCount},
                      {"categoryCount", categoryCount},
                      {"published", published},
                      {"url", url}};
  if (filename) o["filename"] = *filename;
  return o.dump();
}

}  // namespace veltra::updater
