// Builds a complete V4 artifact in memory from categories, exact domains and wildcard suffixes.
#pragma once

#include <string_view>
#include <vector>

#include "artifact_format/bounded_description.h"
#include "artifact_format/category_set_map.h"
#include "artifact_format/category_table.h"
#include "artifact_format/group_table.h"
#include "artifact_format/radix_trie_builder.h"
#include "artifact_format/v4_header.h"

namespace BlocklistV4Format {

// Stateless; performs no I/O.
struct V4Writer {
  // The artifact's content. Sets are indexed by slot: the categories in ascending id order.
  struct Input {
    // Any order; ids 0 to 65535 and distinct, names at most 255 bytes, at most 256 entries.
    std::vector<CategoryEntry> categories;
    // Every exactly listed domain, byte for byte, with the slots of the categories listing it.
    CategorySetMap exactDomains;
    // Every listed suffix (no leading dot); it covers itself and every name below it.
    CategorySetMap wildcardSuffixes;
  };

  // The artifact and what went into it.
  struct Result {
    static constexpr std::string_view kSummaryName = "V4Writer.Result";

    veltra::Bytes bytes;
    V4Header header;
    GroupTable groupTable;
    RadixTrieBuilder::Stats exactStats;
    RadixTrieBuilder::Stats wildcardStats;

    // Returns byteCount, categoryCount, groupCount, exactDomainCount and wildcardDomainCount.
    SummaryFields summaryFields() const;
    std::string description() const { return describe(kSummaryName, summaryFields()); }
  };

  // Returns the artifact of `input`. Throws V4InputError for input the format cannot store,
  // before any byte is produced, then V4FormatError: groupCountExceedsFormat, then the errors of
  // the exact trie, then those of the wildcard trie.
  static Result write(const Input& input);

  // Returns the wildcard trie key of `suffix`: "." + suffix, last byte first.
  static veltra::Bytes reversedDottedKey(std::string_view suffix);
};

}  // namespace BlocklistV4Format
