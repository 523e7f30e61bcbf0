// ns per lookup of the V4 artifact against the structures a user would pick instead, in one run:
// V4MappedReader with caller-built keys, V4Artifact::isBlocked, absl::flat_hash_set and
// std::unordered_set probed once per label suffix, and marisa-trie. Also bytes per domain,
// opening and building times, allocations per lookup and two-thread throughput.
#include <absl/container/flat_hash_set.h>
#include <benchmark/benchmark.h>
#include <marisa.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string_view>
#include <unordered_set>

#include "artifact_client/v4_artifact.h"
#include "lookup_data.h"

// The counting allocator pairs malloc with free; GCC cannot see that through operator new.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
std::atomic<std::uint64_t> allocationCount{0};
}  // namespace

void* operator new(std::size_t size) {
  allocationCount.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using veltra::bench::LookupData;

const LookupData& dataFor(const benchmark::State& state) {
  return state.range(0) == 0 ? veltra::bench::realData() : veltra::bench::syntheticData();
}

struct StringHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const {
    return std::hash<std::string_view>{}(text);
  }
};

// The lookup other DNS filters use: the exact set, then every label suffix in the wildcard set.
template <typename View, typename Set>
bool suffixProbe(const Set& exact, const Set& wildcard, std::string_view domain) {
  if (exact.find(View(domain.data(), domain.size())) != exact.end()) return true;
  while (true) {
    if (wildcard.find(View(domain.data(), domain.size())) != wildcard.end()) return true;
    std::size_t dot = domain.find('.');
    if (dot == std::string_view::npos) return false;
    domain.remove_prefix(dot + 1);
  }
}

template <typename Set>
std::size_t stringHeapBytes(const Set& set) {
  std::size_t bytes = 0;
  for (const std::string& key : set) {
    if (key.capacity() > 15) bytes += key.capacity() + 1;
  }
  return bytes;
}

void report(benchmark::State& state, const LookupData& data, double structureBytes,
            std::uint64_t allocationsBefore, std::size_t hits) {
  const double keys = static_cast<double>(data.exact.size() + data.wildcard.size());
  using Counter = benchmark::Counter;
  state.counters["bytes/domain"] = Counter(structureBytes / keys, Counter::kAvgThreads);
  state.counters["allocs/lookup"] =
      Counter(static_cast<double>(allocationCount.load() - allocationsBefore) /
                  static_cast<double>(state.iterations()),
              Counter::kAvgThreads);
  state.counters["hit%"] =
      Counter(100.0 * static_cast<double>(hits) / static_cast<double>(state.iterations()),
              Counter::kAvgThreads);
  state.SetItemsProcessed(state.iterations());
}

void BM_V4MappedKeyed(benchmark::State& state) {
  const LookupData& data = dataFor(state);
  static std::unique_ptr<BlocklistV4Client::V4Artifact> artifacts[2];
  auto& artifact = artifacts[state.range(0)];
  if (state.thread_index() == 0 && !artifact) {
    artifact = std::make_unique<BlocklistV4Client::V4Artifact>(data.artifactPath);
  }
  const BlocklistV4Format::V4MappedReader& reader = artifact->reader();
  const BlocklistV4Format::VerdictBitmap verdict = artifact->verdict(artifact->categoryKeys());
  std::uint8_t reversed[256];
  std::size_t i = static_cast<std::size_t>(state.thread_index()) * 7919, hits = 0;
  const std::uint64_t allocations = allocationCount.load();
  for (auto _ : state) {
    const std::string_view domain = data.queries[i++ & (data.queries.size() - 1)];
    const std::size_t n = domain.size();
    for (std::size_t k = 0; k < n; ++k) reversed[k] = static_cast<std::uint8_t>(domain[n - 1 - k]);
    reversed[n] = '.';
    hits += reader.isBlocked(veltra::asBytes(domain), veltra::ByteView(reversed, n + 1), verdict);
  }
  report(state, data, static_cast<double>(artifact->region().count() + reader.indexByteCount()),
         allocations, hits);
}

void BM_V4ArtifactIsBlocked(benchmark::State& state) {
  const LookupData& data = dataFor(state);
  BlocklistV4Client::V4Artifact artifact(data.artifactPath);
  const BlocklistV4Format::VerdictBitmap verdict = artifact.verdict(artifact.categoryKeys());
  std::size_t i = 0, hits = 0;
  const std::uint64_t allocations = allocationCount.load();
  for (auto _ : state) {
    hits += artifact.isBlocked(data.queries[i++ & (data.queries.size() - 1)], verdict);
  }
  report(state, data,
         static_cast<double>(artifact.region().count() + artifact.reader().indexByteCount()),
         allocations, hits);
}

template <typename Set, typename View>
void probeSets(benchmark::State& state, double (*bytesOf)(const Set&, const Set&)) {
  const LookupData& data = dataFor(state);
  Set exact(data.exact.begin(), data.exact.end());
  Set wildcard(data.wildcard.begin(), data.wildcard.end());
  std::size_t i = 0, hits = 0;
  const std::uint64_t allocations = allocationCount.load();
  for (auto _ : state) {
    hits += suffixProbe<View>(exact, wildcard, data.queries[i++ & (data.queries.size() - 1)]);
  }
  report(state, data, bytesOf(exact, wildcard), allocations, hits);
}

using AbslSet = absl::flat_hash_set<std::string>;
using StdSet = std::unordered_set<std::string, StringHash, std::equal_to<>>;

double abslBytes(const AbslSet& a, const AbslSet& b) {
  auto one = [](const AbslSet& s) {
    return s.capacity() * (sizeof(std::string) + 1) + stringHeapBytes(s);
  };
  return static_cast<double>(one(a) + one(b));
}

double stdBytes(const StdSet& a, const StdSet& b) {
  auto one = [](const StdSet& s) {
    // bucket pointers, and per node: next pointer, cached hash and the string
    return s.bucket_count() * sizeof(void*) + s.size() * (2 * sizeof(void*) + sizeof(std::string)) +
           stringHeapBytes(s);
  };
  return static_cast<double>(one(a) + one(b));
}

void BM_AbslFlatHashSet(benchmark::State& state) {
  probeSets<AbslSet, absl::string_view>(state, abslBytes);
}
void BM_StdUnorderedSet(benchmark::State& state) {
  probeSets<StdSet, std::string_view>(state, stdBytes);
}

void BM_Marisa(benchmark::State& state) {
  const LookupData& data = dataFor(state);
  marisa::Keyset exactKeys, wildcardKeys;
  for (const std::string& key : data.exact) exactKeys.push_back(key.data(), key.size());
  for (const std::string& suffix : data.wildcard) {
    std::string key(suffix.rbegin(), suffix.rend());
    key += '.';
    wildcardKeys.push_back(key.data(), key.size());
  }
  marisa::Trie exact, wildcard;
  exact.build(exactKeys);
  wildcard.build(wildcardKeys);
  marisa::Agent agent;
  std::string reversed;
  reversed.reserve(256);
  std::size_t i = 0, hits = 0;
  const std::uint64_t allocations = allocationCount.load();
  for (auto _ : state) {
    const std::string_view domain = data.queries[i++ & (data.queries.size() - 1)];
    agent.set_query(domain.data(), domain.size());
    bool blocked = exact.lookup(agent);
    if (!blocked) {
      reversed.assign(domain.rbegin(), domain.rend());
      reversed += '.';
      agent.set_query(reversed.data(), reversed.size());
      blocked = wildcard.common_prefix_search(agent);
    }
    hits += blocked;
  }
  report(state, data, static_cast<double>(exact.io_size() + wildcard.io_size()), allocations, hits);
}

void BM_OpenV4Artifact(benchmark::State& state) {
  const LookupData& data = dataFor(state);
  for (auto _ : state) {
    BlocklistV4Client::V4Artifact artifact(data.artifactPath);
    benchmark::DoNotOptimize(&artifact);
  }
}

void BM_BuildAbslSet(benchmark::State& state) {
  const LookupData& data = dataFor(state);
  for (auto _ : state) {
    AbslSet exact(data.exact.begin(), data.exact.end());
    AbslSet wildcard(data.wildcard.begin(), data.wildcard.end());
    benchmark::DoNotOptimize(&exact);
  }
}

// Arg 0: the shared real lists; arg 1: the synthetic million-domain set.
BENCHMARK(BM_V4MappedKeyed)->Arg(0)->Arg(1)->Threads(1)->Threads(2)->UseRealTime();
BENCHMARK(BM_V4ArtifactIsBlocked)->Arg(0)->Arg(1);
BENCHMARK(BM_AbslFlatHashSet)->Arg(0)->Arg(1);
BENCHMARK(BM_StdUnorderedSet)->Arg(0)->Arg(1);
BENCHMARK(BM_Marisa)->Arg(0)->Arg(1);
BENCHMARK(BM_OpenV4Artifact)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildAbslSet)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
