#include "read_commands.h"

#include <nlohmann/json.hpp>

#include "artifact_client/v4_artifact.h"

namespace veltra::artifact_tool {
namespace {

using BlocklistV4Client::V4Artifact;
using BlocklistV4Format::CategorySet;

std::string groupNames(const V4Artifact& artifact, const CategorySet& set) {
  std::string names;
  set.forEachSlot([&](std::size_t slot) {
    std::optional<std::string> name =
        artifact.reader().categoryNameForSlot(static_cast<std::int64_t>(slot));
    if (!name) return;
    if (!names.empty()) names += ",";
    names += *name;
  });
  return names.empty() ? "-" : names;
}

void lookupOne(const V4Artifact& artifact, const BlocklistV4Format::VerdictBitmap& verdict,
               const std::string& domain, std::ostream& out) {
  const auto& reader = artifact.reader();
  std::optional<std::uint16_t> group = reader.groupID(domain);
  std::optional<CategorySet> set = group ? reader.groupTable().set(*group) : std::nullopt;
  out << domain << '\t' << (group ? std::to_string(*group) : "-") << '\t'
      << (set ? groupNames(artifact, *set) : "-") << '\t'
      << (artifact.isBlocked(domain, verdict) ? "blocked" : "allowed") << '\n';
}

}  // namespace

void runLookup(const std::string& artifactPath, const std::vector<std::string>& enabledKeys,
               bool allKeys, const std::vector<std::string>& domains, std::istream* input,
               std::ostream& out) {
  V4Artifact artifact(artifactPath);
  const BlocklistV4Format::VerdictBitmap verdict =
      artifact.verdict(allKeys ? artifact.categoryKeys() : enabledKeys);
  for (const std::string& domain : domains) lookupOne(artifact, verdict, domain, out);
  if (input == nullptr) return;
  std::string line;
  while (std::getline(*input, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lookupOne(artifact, verdict, line, out);
  }
}

void runInspect(const std::string& artifactPath, bool json, std::ostream& out) {
  V4Artifact artifact(artifactPath);
  const auto& reader = artifact.reader();
  const BlocklistV4Format::V4Header& h = reader.header();
  const std::uint64_t exactBytes = h.wildcardTrieOffset - h.exactTrieOffset;
  const std::uint64_t wildcardBytes = h.totalFileSize - h.wildcardTrieOffset;
  const double residency = artifact.region().fileCachedFraction();
  nlohmann::json categories = nlohmann::json::array();
  for (std::size_t slot = 0; slot < reader.idsBySlot().size(); ++slot) {
    std::int64_t id = reader.idsBySlot()[slot];
    categories.push_back(
        {{"slot", slot}, {"id", id}, {"name", reader.categoryName(id).value_or("")}});
  }
  nlohmann::json doc = {{"version", h.version},
                        {"flags", h.flags.rawValue},
                        {"encodingDescriptor", h.encodingDescriptor},
                        {"categoryCount", h.categoryCount},
                        {"exactDomainCount", h.exactDomainCount},
                        {"wildcardDomainCount", h.wildcardDomainCount},
                        {"groupCount", h.groupCount},
                        {"exactTrieOffset", h.exactTrieOffset},
                        {"wildcardTrieOffset", h.wildcardTrieOffset},
                        {"groupTableOffset", h.groupTableOffset},
                        {"totalFileSize", h.totalFileSize},
                        {"exactTrieBytes", exactBytes},
                        {"wildcardTrieBytes", wildcardBytes},
                        {"categories", categories},
                        {"fileCachedFraction", residency}};
  if (json) {
    out << doc.dump(2) << '\n';
    return;
  }
  for (const char* key :
       {"version", "flags", "encodingDescriptor", "categoryCount", "exactDomainCount",
        "wildcardDomainCount", "groupCount", "groupTableOffset", "exactTrieOffset",
        "wildcardTrieOffset", "totalFileSize", "exactTrieBytes", "wildcardTrieBytes"}) {
    out << key << ": " << doc[key].dump() << '\n';
  }
  out << "categories:\n";
  for (const auto& category : categories) {
    out << "  slot " << category["slot"].dump() << "\tid " << category["id"].dump() << '\t'
        << category["name"].get<std::string>() << '\n';
  }
  out << "fileCachedFraction: " << residency << '\n';
}

void runDump(const std::string& artifactPath, std::ostream& out) {
  V4Artifact artifact(artifactPath);
  artifact.reader().forEachExactBytes([&](veltra::ByteView domain, std::uint16_t group) {
    out.write(reinterpret_cast<const char*>(domain.data()),
              static_cast<std::streamsize>(domain.size()));
    out << '\t' << group << '\n';
    return true;
  });
}

}  // namespace veltra::artifact_tool
