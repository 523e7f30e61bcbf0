// Key sets and query mixes for the lookup benchmarks: the shared real lists and a synthetic
// million-domain set, with queries of about 10% exact hits, 10% names under wildcard suffixes
// and 80% misses (half of them near misses of listed names).
#pragma once

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "artifact_format/category_registry.h"
#include "artifact_format/v4_writer.h"
#include "list_compiler.h"
#include "platform/files.h"
#include "synthetic_domains.h"

namespace veltra::bench {

struct LookupData {
  BlocklistV4Format::V4Writer::Input input;
  std::vector<std::string> exact;
  std::vector<std::string> wildcard;
  // The queries packed back to back in query order, as a resolver holds names it has just read
  // from packets: the benchmark measures the structures, not misses on scattered query strings.
  std::string queryText;
  std::vector<std::string_view> queries;
  std::string artifactPath;
};

inline std::vector<std::string> makeQueries(const std::vector<std::string>& exact,
                                            const std::vector<std::string>& wildcard,
                                            std::size_t count) {
  std::mt19937_64 random(1234);
  std::vector<std::string> misses = syntheticDomains(count, 99);
  std::vector<std::string> queries;
  queries.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string& listed = exact[random() % exact.size()];
    const std::string& suffix = wildcard[random() % wildcard.size()];
    switch (i % 10) {
      case 0:
        queries.push_back(listed);
        break;
      case 1:
        queries.push_back(
            std::string("cdn").append(std::to_string(i % 97)).append(".").append(suffix));
        break;
      case 2:
        queries.push_back(
            std::string("bad").append(suffix));  // same bytes, not at a label boundary
        break;
      case 3:
        queries.push_back(listed + "x");
        break;
      case 4:
        queries.push_back(std::string("www.").append(listed, listed.find('.') + 1).append("z"));
        break;
      default:
        queries.push_back(misses[i]);
    }
  }
  std::shuffle(queries.begin(), queries.end(), random);
  return queries;
}

inline void finish(LookupData& data, const std::string& name) {
  for (std::size_t i = 0; i < data.input.exactDomains.size(); ++i) {
    data.exact.emplace_back(data.input.exactDomains.key(i));
  }
  for (std::size_t i = 0; i < data.input.wildcardSuffixes.size(); ++i) {
    data.wildcard.emplace_back(data.input.wildcardSuffixes.key(i));
  }
  std::vector<std::string> queries = makeQueries(data.exact, data.wildcard, 1 << 20);
  std::vector<std::size_t> starts;
  for (const std::string& query : queries) {
    starts.push_back(data.queryText.size());
    data.queryText += query;
  }
  for (std::size_t i = 0; i < queries.size(); ++i) {
    data.queries.emplace_back(data.queryText.data() + starts[i], queries[i].size());
  }
  data.artifactPath = platform::temporaryDirectory() + "/veltra-lookup-bench-" + name + ".bin";
  platform::writeFileAtomically(data.artifactPath,
                                BlocklistV4Format::V4Writer::write(data.input).bytes);
}

inline const LookupData& realData() {
  static LookupData data = [] {
    LookupData d;
    const std::string source = VELTRA_SOURCE_DIR;
    auto registry = BlocklistV4Format::CategoryRegistry::decode(
        platform::readFile(source + "/examples/shared-lists-registry.json"));
    d.input = artifact_tool::compileLists(registry, source + "/../shared/data/blocklists").input;
    finish(d, "real");
    return d;
  }();
  return data;
}

inline const LookupData& syntheticData() {
  static LookupData data = [] {
    LookupData d;
    std::vector<std::string> domains = syntheticDomains(1'000'000);
    for (int id = 1; id <= 8; ++id)
      d.input.categories.push_back({id, std::string("c").append(std::to_string(id))});
    for (std::size_t i = 0; i < domains.size(); ++i) {
      BlocklistV4Format::CategorySet set;
      set.insert(i % 8);
      (i % 10 == 0 ? d.input.wildcardSuffixes : d.input.exactDomains).unite(domains[i], set);
    }
    finish(d, "synthetic");
    return d;
  }();
  return data;
}

}  // namespace veltra::bench
