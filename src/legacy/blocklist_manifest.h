// The per-category manifest of downloaded and compiled format-3 lists, and its JSON form.
//
// JSON object keys: "version" (integer), "lastUpdated" (ISO 8601), "compiledCategories" (array of
// category keys), "lastCompiled" (ISO 8601, optional), "entries" (object from category key to an
// entry). Entry keys: "category", "etag" (optional), "lastModified" (optional), "downloadedAt"
// (ISO 8601), "fileSize", "domainCount", "contentHash" (optional), "sourceURL".
// Optional keys are left out when absent.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

#include "config/blocklist_category.h"
#include "core/bytes.h"
#include "platform/iso8601.h"

namespace veltra::legacy {

// Plain record.
struct BlocklistManifest {
  // One downloaded list. Plain record.
  struct Entry {
    std::string category;
    std::optional<std::string> etag;
    std::optional<std::string> lastModified;
    platform::TimePoint downloadedAt;
    std::int64_t fileSize = 0;
    std::int64_t domainCount = 0;
    std::optional<std::string> contentHash;
    std::string sourceURL;

    friend bool operator==(const Entry&, const Entry&) = default;
  };

  std::int64_t version = 0;
  platform::TimePoint lastUpdated;
  std::set<config::BlocklistCategory> compiledCategories;
  std::optional<platform::TimePoint> lastCompiled;
  std::map<config::BlocklistCategory, Entry> entries;

  // Decodes the JSON object; throws json::DecodingError for a missing required key, a wrong
  // type, a malformed date or an unknown category key.
  static BlocklistManifest fromJson(const nlohmann::json& object);
  // Decodes JSON text; throws json::DecodingError.
  static BlocklistManifest decode(ByteView bytes);
  // Returns the JSON object.
  nlohmann::json toJson() const;
  // Returns the JSON text, indented with sorted keys.
  std::string encode() const;

  friend bool operator==(const BlocklistManifest&, const BlocklistManifest&) = default;
};

}  // namespace veltra::legacy
