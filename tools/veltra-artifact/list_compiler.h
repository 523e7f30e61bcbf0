// Turns a validated category registry and a folder of upstream lists into writer input.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "artifact_format/category_registry.h"
#include "artifact_format/v4_writer.h"
#include "core/typed_error.h"

namespace veltra::artifact_tool {

// A list that fails its registry settings, or a registry entry the compiler cannot read.
// Fixed wording naming the category, the figure and the limit.
class ListError : public DescribedError<ListError> {
 public:
  explicit ListError(std::string description) : DescribedError(std::move(description)) {}
};

// The entries one category lists itself.
struct CategoryCounts {
  std::int64_t id = 0;
  std::uint64_t exact = 0;
  std::uint64_t wildcard = 0;
};

// The writer input with what the manifest needs to know about it.
struct CompiledLists {
  BlocklistV4Format::V4Writer::Input input;
  // Category names in slot order.
  std::vector<std::string> names;
  std::map<std::string, CategoryCounts> counts;
  std::uint64_t invalidNames = 0;
};

// Reads every active category's list ("upstream": DIR/<file> in its format; "embeddedWildcard":
// its suffixes) and unites the slots of names listed by several categories. Throws ListError
// when a list is below minBytes, minParsedEntries or minCoverage, or names an unknown format;
// platform::SystemError when a list cannot be read. `progress` receives one line per category.
CompiledLists compileLists(const BlocklistV4Format::CategoryRegistry& registry,
                           const std::string& listsDirectory,
                           const std::function<void(const std::string&)>& progress = {});

}  // namespace veltra::artifact_tool
