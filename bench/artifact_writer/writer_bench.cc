// V4Writer::write on the shared real lists and on synthetic sets, with std::sort of the same
// keys as the floor, and the whole build command on the real lists.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "artifact_format/category_registry.h"
#include "artifact_format/v4_writer.h"
#include "build_command.h"
#include "list_compiler.h"
#include "platform/files.h"
#include "synthetic_domains.h"

// The counting allocator pairs malloc with free; GCC cannot see that through operator new.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

// Heap accounting: live bytes and their peak, so the writer's own peak memory can be reported.
namespace {
std::atomic<std::int64_t> liveBytes{0};
std::atomic<std::int64_t> peakBytes{0};
}  // namespace

void* operator new(std::size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  std::int64_t live = liveBytes += static_cast<std::int64_t>(malloc_usable_size(p));
  std::int64_t peak = peakBytes.load();
  while (live > peak && !peakBytes.compare_exchange_weak(peak, live)) {
  }
  return p;
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  liveBytes -= static_cast<std::int64_t>(malloc_usable_size(p));
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace {

using BlocklistV4Format::CategorySet;
using BlocklistV4Format::V4Writer;

const std::string kSourceDir = VELTRA_SOURCE_DIR;
const std::string kListsDir = kSourceDir + "/../shared/data/blocklists";
const std::string kRegistry = kSourceDir + "/examples/shared-lists-registry.json";

const V4Writer::Input& realInput() {
  static const V4Writer::Input input = [] {
    auto registry =
        BlocklistV4Format::CategoryRegistry::decode(veltra::platform::readFile(kRegistry));
    return veltra::artifact_tool::compileLists(registry, kListsDir).input;
  }();
  return input;
}

V4Writer::Input syntheticInput(std::size_t count) {
  std::vector<std::string> domains = veltra::bench::syntheticDomains(count);
  V4Writer::Input input;
  for (int id = 1; id <= 8; ++id) input.categories.push_back({id, "c" + std::to_string(id)});
  input.exactDomains.reserve(count, count * 24);
  for (std::size_t i = 0; i < domains.size(); ++i) {
    CategorySet set;
    set.insert(i % 8);
    if (i % 13 == 0) set.insert((i / 13) % 8);
    (i % 10 == 0 ? input.wildcardSuffixes : input.exactDomains).unite(domains[i], set);
  }
  return input;
}

const V4Writer::Input& synthetic(std::size_t count) {
  static V4Writer::Input oneMillion = syntheticInput(1'000'000);
  static V4Writer::Input twoMillion = syntheticInput(2'000'000);
  return count == 1'000'000 ? oneMillion : twoMillion;
}

// The keys the writer sorts: exact domains and reversed dotted suffixes.
std::vector<std::string> keysOf(const V4Writer::Input& input) {
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < input.exactDomains.size(); ++i) {
    keys.emplace_back(input.exactDomains.key(i));
  }
  for (std::size_t i = 0; i < input.wildcardSuffixes.size(); ++i) {
    veltra::Bytes key = V4Writer::reversedDottedKey(input.wildcardSuffixes.key(i));
    keys.emplace_back(key.begin(), key.end());
  }
  return keys;
}

void reportWrite(benchmark::State& state, const V4Writer::Input& input) {
  std::size_t bytes = 0;
  std::int64_t peakDuringWrite = 0;
  for (auto _ : state) {
    const std::int64_t before = liveBytes.load();
    peakBytes = before;
    V4Writer::Result result = V4Writer::write(input);
    bytes = result.bytes.size();
    peakDuringWrite = std::max(peakDuringWrite, peakBytes.load() - before);
    benchmark::DoNotOptimize(result.bytes.data());
  }
  // The input map stays alive during the write; it is counted as the input's share.
  state.counters["writerPeakHeapBytes"] = static_cast<double>(peakDuringWrite);
  double domains = static_cast<double>(input.exactDomains.size() + input.wildcardSuffixes.size());
  state.counters["domains"] = domains;
  state.counters["domains/s"] =
      benchmark::Counter(domains, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["outputBytes"] = static_cast<double>(bytes);
  state.counters["inputKeyBytes"] =
      static_cast<double>(input.exactDomains.keyBytes() + input.wildcardSuffixes.keyBytes());
}

void sortKeys(benchmark::State& state, const V4Writer::Input& input) {
  const std::vector<std::string> keys = keysOf(input);
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::string> copy = keys;
    state.ResumeTiming();
    std::sort(copy.begin(), copy.end());
    benchmark::DoNotOptimize(copy.data());
  }
  state.counters["domains"] = static_cast<double>(keys.size());
}

void BM_WriteRealLists(benchmark::State& state) { reportWrite(state, realInput()); }
void BM_SortRealKeys(benchmark::State& state) { sortKeys(state, realInput()); }
void BM_WriteSynthetic(benchmark::State& state) {
  reportWrite(state, synthetic(static_cast<std::size_t>(state.range(0))));
}
void BM_SortSyntheticKeys(benchmark::State& state) {
  sortKeys(state, synthetic(static_cast<std::size_t>(state.range(0))));
}

void BM_BuildCommandRealLists(benchmark::State& state) {
  veltra::artifact_tool::BuildOptions options;
  options.registryPath = kRegistry;
  options.listsDirectory = kListsDir;
  options.outputPath = veltra::platform::temporaryDirectory() + "/veltra-bench-build.bin";
  options.gzipPath = options.outputPath + ".gz";
  for (auto _ : state) {
    veltra::artifact_tool::runBuild(options, [](const std::string&) {});
  }
  veltra::platform::removeFile(options.outputPath);
  veltra::platform::removeFile(options.gzipPath);
}

BENCHMARK(BM_SortRealKeys)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteRealLists)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortSyntheticKeys)->Arg(1'000'000)->Arg(2'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteSynthetic)->Arg(1'000'000)->Arg(2'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildCommandRealLists)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
