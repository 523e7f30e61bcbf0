// The registry of blocklist categories from which V4 artifacts are built: permanent ids,
// statuses, list data sources, id blocks and the one-level parent hierarchy.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "artifact_format/registry_error.h"
#include "artifact_format/slot_table.h"
#include "core/bytes.h"

namespace BlocklistV4Format {

// Plain value, immutable after construction. Loading does not validate; call validate().
// The active entries' ids, ascending, are an artifact's slots.
class CategoryRegistry {
 public:
  static constexpr std::int64_t kMaxID = 65535;

  using Status = RegistryStatus;

  // Settings for whoever fetches an upstream list; the registry does not interpret them.
  struct Upstream {
    std::string baseUrl;
    std::string file;
    std::string format = "domains";
    std::string displayName;
    std::int64_t minBytes = 0;
    std::optional<std::int64_t> minParsedEntries;
    std::optional<std::int64_t> minCoverage;
    std::optional<std::int64_t> maxStaleDays;

    friend bool operator==(const Upstream&, const Upstream&) = default;
  };

  // Where a category's list data comes from.
  struct DataSource {
    enum class Kind { upstream, embeddedWildcard, none };
    Kind kind = Kind::none;
    Upstream upstreamSettings;          // meaningful for upstream only
    std::vector<std::string> suffixes;  // meaningful for embeddedWildcard only
    std::optional<std::string> noteText;

    // Tells whether the source yields list data: upstream, or a non-empty suffix list.
    bool hasListData() const;
    // Returns the note of an embeddedWildcard or none source.
    std::optional<std::string> note() const;
    // Returns the upstream settings of an upstream source.
    std::optional<Upstream> upstream() const;
    // Returns the upstream minimum coverage, if any.
    std::optional<std::int64_t> minCoverage() const;

    friend bool operator==(const DataSource&, const DataSource&) = default;
  };

  struct Entry {
    std::optional<std::int64_t> id;
    std::string name;
    Status status = Status::active;
    std::optional<std::int64_t> v3Id;
    std::optional<std::string> parent;
    DataSource data;

    friend bool operator==(const Entry&, const Entry&) = default;
  };

  // A named range of ids, both bounds included.
  struct Block {
    std::int64_t lowerBound = 0;
    std::int64_t upperBound = 0;
    std::string name;

    bool contains(std::int64_t id) const { return lowerBound <= id && id <= upperBound; }
    friend bool operator==(const Block&, const Block&) = default;
  };

  CategoryRegistry(std::vector<Entry> entries, std::vector<Block> blocks, std::int64_t idSpaceSize);

  // Decodes the JSON document; throws RegistryDecodingError when it does not match the wire form.
  static CategoryRegistry decode(veltra::ByteView json);

  // Throws the first RegistryError of the checks, in their fixed order.
  void validate() const;

  const std::vector<Entry>& entries() const { return entries_; }
  const std::vector<Block>& blocks() const { return blocks_; }
  std::int64_t idSpaceSize() const { return idSpaceSize_; }
  const SlotTable& slots() const { return slots_; }

  // Returns the active entries in document order.
  std::vector<Entry> activeEntries() const;
  // Returns the ids of the active entries, ascending.
  const std::vector<std::int64_t>& activeIDs() const { return slots_.idsBySlot; }
  std::size_t slotCount() const { return slots_.count(); }
  std::size_t groupRowWidth() const { return (slotCount() + 7) / 8; }
  std::optional<std::size_t> slot(std::int64_t id) const { return slots_.slot(id); }
  std::optional<std::int64_t> id(std::int64_t slot) const { return slots_.id(slot); }
  // Re-keys a slot-keyed map by id, dropping slots outside 0 to slotCount - 1.
  std::map<std::int64_t, std::int64_t> coverageByID(
      const std::map<std::int64_t, std::int64_t>& bySlot) const;
  // Returns the first entry with `name`.
  std::optional<Entry> entry(std::string_view name) const;
  // Returns the name of the first entry with `id`.
  std::optional<std::string> name(std::int64_t id) const;
  // Returns the first block containing `id`.
  std::optional<Block> block(std::int64_t id) const;
  // Returns the entries whose parent is `name`, by ascending id (no id counts as 0), stable.
  std::vector<Entry> children(std::string_view name) const;
  // Returns the names of every entry with a parent and of those parents.
  std::set<std::string> hierarchyNames() const;
  // Returns the v3 id of the first entry with `id`.
  std::optional<std::int64_t> v3Id(std::int64_t id) const;
  // Returns the legacy mask of `ids`: bit v3Id of each first entry with a v3 id from 0 to 31.
  std::uint32_t v3Mask(const std::vector<std::int64_t>& ids) const;

 private:
  const Entry* firstWithID(std::int64_t id) const;
  void validateEntries() const;
  void validateBlocks() const;
  void validateParents() const;

  std::vector<Entry> entries_;
  std::vector<Block> blocks_;
  std::int64_t idSpaceSize_;
  SlotTable slots_;
};

}  // namespace BlocklistV4Format
