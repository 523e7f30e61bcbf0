#include "artifact_client/v4_artifact.h"

namespace BlocklistV4Client {

V4Artifact::V4Artifact(const std::string& path)
    : region_(path, MappedRegion::Advice::random), reader_(region_.buffer()) {
  for (const auto& [id, name] : reader_.categoryTable().namesByID) idsByName_[name] = id;
}

std::vector<std::string> V4Artifact::categoryKeys() const {
  std::vector<std::string> keys;
  for (std::int64_t id : reader_.idsBySlot()) {
    if (std::optional<std::string> name = reader_.categoryName(id)) keys.push_back(*name);
  }
  return keys;
}

std::optional<std::int64_t> V4Artifact::registryID(std::string_view key) const {
  auto found = idsByName_.find(key);
  if (found == idsByName_.end()) return std::nullopt;
  return found->second;
}

std::set<std::string> V4Artifact::matchedKeys(std::string_view domain,
                                              const std::set<std::string>& enabledKeys) const {
  std::set<std::string> matched;
  for (std::int64_t id : reader_.registryIDs(domain)) {
    std::optional<std::string> name = reader_.categoryName(id);
    if (name && enabledKeys.count(*name)) matched.insert(*name);
  }
  return matched;
}

}  // namespace BlocklistV4Client
