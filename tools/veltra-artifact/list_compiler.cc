#include "list_compiler.h"

#include "list_parser.h"
#include "platform/files.h"

namespace veltra::artifact_tool {
namespace {

using BlocklistV4Format::CategoryRegistry;
using BlocklistV4Format::CategorySet;
using BlocklistV4Format::CategorySetMap;

// Refuses a list that is too small, too short of entries or mostly not a list at all (for
// example an error page or a truncated download).
void enforceSettings(const std::string& category, const CategoryRegistry::Upstream& upstream,
                     std::uint64_t byteCount, const ParsedList& list) {
  const std::string prefix = "category " + category + ": list " + upstream.file + " ";
  if (static_cast<std::int64_t>(byteCount) < upstream.minBytes) {
    throw ListError(prefix + "has " + std::to_string(byteCount) + " bytes, below minBytes " +
                    std::to_string(upstream.minBytes));
  }
  if (upstream.minParsedEntries &&
      static_cast<std::int64_t>(list.entryCount()) < *upstream.minParsedEntries) {
    throw ListError(prefix + "yields " + std::to_string(list.entryCount()) +
                    " valid entries, below minParsedEntries " +
                    std::to_string(*upstream.minParsedEntries));
  }
  if (upstream.minCoverage) {
    std::uint64_t percent =
        list.candidateLines == 0 ? 0 : list.validLines * 100 / list.candidateLines;
    if (static_cast<std::int64_t>(list.validLines * 100) <
            *upstream.minCoverage * static_cast<std::int64_t>(list.candidateLines) ||
        list.candidateLines == 0) {
      throw ListError(prefix + "has " + std::to_string(percent) +
                      "% valid lines, below minCoverage " + std::to_string(*upstream.minCoverage) +
                      "%");
    }
  }
}

ParsedList readCategory(const CategoryRegistry::Entry& entry, const std::string& directory) {
  if (entry.data.kind == CategoryRegistry::DataSource::Kind::embeddedWildcard) {
    ParsedList list;
    for (const std::string& suffix : entry.data.suffixes) {
      ++list.candidateLines;
      if (std::optional<std::string> name = normalizedName(suffix)) {
        list.wildcard.push_back(std::move(*name));
        ++list.validLines;
      } else {
        ++list.invalidNames;
      }
    }
    return list;
  }
  const CategoryRegistry::Upstream upstream = *entry.data.upstream();
  std::optional<ListFormat> format = listFormatNamed(upstream.format);
  if (!format) {
    throw ListError("category " + entry.name + ": unknown list format '" + upstream.format + "'");
  }
  Bytes text = platform::readFile(platform::joinPath(directory, upstream.file));
  ParsedList list = parseList(asText(text), *format);
  enforceSettings(entry.name, upstream, text.size(), list);
  return list;
}

// Adds `names` to `target` and returns how many distinct names they were.
std::uint64_t addAll(const std::vector<std::string>& names, std::size_t slot,
                     CategorySetMap& target) {
  CategorySetMap own;
  CategorySet set;
  set.insert(slot);
  for (const std::string& name : names) own.unite(name, CategorySet());
  for (std::size_t i = 0; i < own.size(); ++i) target.unite(own.key(i), set);
  return own.size();
}

}  // namespace

CompiledLists compileLists(const CategoryRegistry& registry, const std::string& listsDirectory,
                           const std::function<void(const std::string&)>& progress) {
  CompiledLists compiled;
  std::vector<CategoryRegistry::Entry> active = registry.activeEntries();
  std::map<std::int64_t, const CategoryRegistry::Entry*> byID;
  for (const CategoryRegistry::Entry& entry : active) {
    if (entry.id) byID[*entry.id] = &entry;
  }
  for (const auto& [id, entry] : byID) {
    compiled.input.categories.push_back({id, entry->name});
    compiled.names.push_back(entry->name);
  }
  for (std::size_t slot = 0; slot < compiled.names.size(); ++slot) {
    const CategoryRegistry::Entry& entry = *byID.at(compiled.input.categories[slot].id);
    if (progress) progress("reading lists: " + entry.name);
    ParsedList list = readCategory(entry, listsDirectory);
    compiled.invalidNames += list.invalidNames;
    CategoryCounts& counts = compiled.counts[entry.name];
    counts.id = *entry.id;
    counts.exact = addAll(list.exact, slot, compiled.input.exactDomains);
    counts.wildcard = addAll(list.wildcard, slot, compiled.input.wildcardSuffixes);
  }
  return compiled;
}

}  // namespace veltra::artifact_tool
