// The JSON document the update CDN publishes beside each V4 artifact.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/bytes.h"

namespace BlocklistV4Client {

// Describes one published artifact: its file, sizes and digests, counts and category metadata.
// Immutable plain value; every key is required except "parents". Thread-safe to read.
struct V4Manifest {
  // A named range of registry ids, a section of categories.
  struct Block {
    std::string name;
    // Element 0 is the lowest id and element 1 the highest, both included.
    std::vector<std::int64_t> range;
    friend bool operator==(const Block&, const Block&) = default;
  };

  // What one category contributes to the artifact.
  struct CategoryStat {
    std::int64_t id = 0;
    std::int64_t exact = 0;
    std::int64_t wildcard = 0;
    friend bool operator==(const CategoryStat&, const CategoryStat&) = default;
  };

  std::int64_t formatVersion = 4;
  std::string version;
  std::string buildId;
  std::string filename;
  std::string url;
  std::int64_t size = 0;
  std::string sha256;
  std::int64_t compressedSize = 0;
  std::string compressedSha256;
  std::int64_t domainCount = 0;
  std::int64_t exactCount = 0;
  std::int64_t wildcardCount = 0;
  std::int64_t categoryCount = 0;
  std::vector<std::string> categories;
  std::vector<Block> blocks;
  std::map<std::string, CategoryStat> categoryStats;
  std::string published;
  std::string minAppVersion;
  std::optional<std::map<std::string, std::string>> parents;

  // Decodes the document; throws veltra::json::DecodingError for malformed JSON, a missing key,
  // a wrong type, or "formatVersion must be 4, got N".
  static V4Manifest decode(veltra::ByteView bytes);

  // Returns the JSON object with the same keys ("parents" left out when absent).
  nlohmann::json toJson() const;
  // Returns the JSON text, indented with sorted keys.
  std::string encode() const;

  // Returns the registry id of a category key, or nothing when it has no stats entry.
  std::optional<std::int64_t> registryID(const std::string& key) const;
  // Returns the name of the first block whose range holds `id`, or nothing.
  std::optional<std::string> blockName(std::int64_t id) const;
  // Returns the child-to-parent map; empty when the document has no "parents".
  std::map<std::string, std::string> parentByChild() const;
  // Returns the parent key of `key`, or nothing.
  std::optional<std::string> parentKey(const std::string& key) const;
  // Returns the keys whose parent is `key`: by registry id, keys with ids first, then by text.
  std::vector<std::string> childKeys(const std::string& key) const;

  friend bool operator==(const V4Manifest&, const V4Manifest&) = default;
};

}  // namespace BlocklistV4Client
