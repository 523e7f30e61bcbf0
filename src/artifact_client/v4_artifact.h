// The installed V4 artifact opened as a lookup service over category keys.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "artifact_client/mapped_region.h"
#include "artifact_format/v4_mapped_reader.h"

namespace BlocklistV4Client {

// Maps the file read-only (advice random), validates it, and translates category keys to the
// file's ids and slots. The mapping outlives the reader that reads it. Immutable after opening;
// lookups from many threads at once are safe. Not copyable.
class V4Artifact {
 public:
  // Opens the artifact at `path`; throws RegionError or BlocklistV4Format::V4FormatError as they
  // are, keeping nothing.
  explicit V4Artifact(const std::string& path);
  V4Artifact(const V4Artifact&) = delete;
  V4Artifact& operator=(const V4Artifact&) = delete;

  const BlocklistV4Format::V4MappedReader& reader() const { return reader_; }
  const MappedRegion& region() const { return region_; }

  // Returns the category names in slot order.
  std::vector<std::string> categoryKeys() const;
  // Returns the registry id of a category key.
  std::optional<std::int64_t> registryID(std::string_view key) const;
  // Returns the bitmap of the groups listed by any of `enabledKeys`; unknown keys are skipped.
  template <typename Keys>
  BlocklistV4Format::VerdictBitmap verdict(const Keys& enabledKeys) const {
    std::vector<std::int64_t> ids;
    for (const auto& key : enabledKeys) {
      if (std::optional<std::int64_t> id = registryID(key)) ids.push_back(*id);
    }
    return reader_.verdictBitmap(reader_.slotSet(ids));
  }
  // Tells whether `domain` is blocked under `verdict`: exact entry first, else longest suffix.
  bool isBlocked(std::string_view domain, const BlocklistV4Format::VerdictBitmap& verdict) const {
    return reader_.isBlocked(domain, verdict);
  }
  // Returns the enabled keys whose categories list `domain`.
  std::set<std::string> matchedKeys(std::string_view domain,
                                    const std::set<std::string>& enabledKeys) const;

 private:
  MappedRegion region_;
  BlocklistV4Format::V4MappedReader reader_;
  std::map<std::string, std::int64_t, std::less<>> idsByName_;
};

}  // namespace BlocklistV4Client
