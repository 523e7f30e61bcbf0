#include "updater/blocklist_metadata.h"

#include "core/json_fields.h"

namespace veltra::updater {

BlocklistMetadata BlocklistMetadata::decode(ByteView bytes) {
  nlohmann::json o = json::parseObject(bytes);
  json::FieldReader fields(o);
  BlocklistMetadata m;
  fields.required("version", m.version);
  fields.required("sha256", m.sha256);
  fields.required("size", m.size);
  fields.required("domainCount", m.domainCount);
  fields.required("categoryCount", m.categoryCount);
  fields.required("published", m.published);
  fields.required("url", m.url);
  fields.optional("filename", m.filename);
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
