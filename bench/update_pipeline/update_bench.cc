// End-to-end update of a large artifact from the local CDN, against the shell pipeline
//   curl -o a.gz URL && sha256sum a.gz && gunzip -k a.gz && sha256sum a
// run in the same process on the same files. Each iteration is a child process; its wall time is
// the benchmark time and its peak resident memory (ru_maxrss) a counter, with the memory target
// beside it: 24 MiB whatever the artifact size, since the updater streams the artifact through
// files instead of holding it.
//
//   update_pipeline_bench [--artifact-mb=N]   (default 200)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "cdn_server.h"
#include "platform/files.h"
#include "platform/gzip.h"
#include "platform/sha256.h"

namespace {

using namespace veltra;

struct Published {
  std::string root;
  std::unique_ptr<cdn::CdnServer> server;
  std::uint64_t compressedBytes = 0;
  std::uint64_t decompressedBytes = 0;
};

std::size_t gArtifactMegabytes = 200;

// Builds text that compresses like a blocklist (domain-like lines), publishes it once.
Published& published() {
  static Published p = [] {
    Published result;
    char pattern[] = "/tmp/veltra-update-bench-XXXXXX";
    result.root = ::mkdtemp(pattern);
    platform::createDirectories(result.root + "/www/blocklists/v4");
    std::mt19937_64 random(42);
    static const char* kWords[] = {"ads", "track", "cdn", "metrics", "pixel",
                                   "img", "stat",  "log", "api",     "click"};
    static const char* kTlds[] = {".com", ".net", ".org", ".io", ".de"};
    Bytes artifact;
    artifact.reserve(gArtifactMegabytes << 20);
    while (artifact.size() < (gArtifactMegabytes << 20)) {
      std::string line = std::string(kWords[random() % 10]) + std::to_string(random() % 100000) +
                         "." + kWords[random() % 10] + kTlds[random() % 5] + "\n";
      artifact.insert(artifact.end(), line.begin(), line.end());
    }
    Bytes gz = platform::gzipCompress(artifact, 6);
    platform::writeFileAtomically(result.root + "/www/blocklists/v4/a.bin.gz", gz);
    result.compressedBytes = gz.size();
    result.decompressedBytes = artifact.size();
    result.server = std::make_unique<cdn::CdnServer>(result.root + "/www");
    result.server->start();
    std::string manifest =
        R"({"formatVersion": 4, "version": "bench", "buildId": "bench", "filename": "a.bin.gz",)"
        R"( "url": ")" +
        result.server->baseURL() + R"(/blocklists/v4/a.bin.gz", "size": )" +
        std::to_string(artifact.size()) + R"(, "sha256": ")" + platform::sha256Hex(artifact) +
        R"(", "compressedSize": )" + std::to_string(gz.size()) + R"(, "compressedSha256": ")" +
        platform::sha256Hex(gz) +
        R"(", "domainCount": 1, "exactCount": 1, "wildcardCount": 0, "categoryCount": 1,)"
        R"( "categories": ["a"], "blocks": [], "categoryStats": {}, "published": "x", "minAppVersion": ""})";
    platform::writeFileAtomically(result.root + "/www/blocklists/v4/blocklist.json",
                                  asBytes(manifest));
    return result;
  }();
  return p;
}

struct ChildResult {
  double seconds;
  long maxRssKiB;
  int status;
};

ChildResult runChild(const std::vector<std::string>& argv,
                     const std::vector<std::string>& environment) {
  auto start = std::chrono::steady_clock::now();
  pid_t child = ::fork();
  if (child == 0) {
    for (const auto& assignment : environment) ::putenv(const_cast<char*>(assignment.c_str()));
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    int devnull = ::open("/dev/null", O_WRONLY);
    ::dup2(devnull, 1);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(child, &status, 0, &usage);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return {seconds, usage.ru_maxrss, status};
}

void report(benchmark::State& state, const ChildResult& r) {
  state.SetIterationTime(r.seconds);
  Published& p = published();
  state.counters["peak_rss_MiB"] = static_cast<double>(r.maxRssKiB) / 1024.0;
  state.counters["memory_target_MiB"] = 24.0;
  state.counters["compressed_MiB"] = static_cast<double>(p.compressedBytes) / (1 << 20);
  state.counters["decompressed_MiB"] = static_cast<double>(p.decompressedBytes) / (1 << 20);
  if (r.status != 0) state.SkipWithError("child failed");
}

void BM_VeltraUpdater(benchmark::State& state) {
  Published& p = published();
  std::string data = p.root + "/data";
  for (auto _ : state) {
    std::filesystem::remove_all(data);
    report(state, runChild({VELTRA_UPDATER_PATH, "--update-blocklist", "--format", "4"},
                           {"VELTRA_DATA_DIR=" + data, "VELTRA_CDN_BASE=" + p.server->baseURL(),
                            "VELTRA_NOTIFY_DIR=" + p.root + "/notify",
                            "VELTRA_APP_BUNDLE=" + p.root + "/none", "TMPDIR=" + p.root}));
  }
}

void BM_ShellPipeline(benchmark::State& state) {
  Published& p = published();
  std::string work = p.root + "/shell";
  std::string url = p.server->baseURL() + "/blocklists/v4/a.bin.gz";
  for (auto _ : state) {
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);
    report(state, runChild({"/bin/sh", "-c",
                            "cd " + work + " && curl -s -o a.gz '" + url +
                                "' && sha256sum a.gz && gunzip -k a.gz && sha256sum a"},
                           {}));
  }
}

BENCHMARK(BM_ShellPipeline)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_VeltraUpdater)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.rfind("--artifact-mb=", 0) == 0) {
      gArtifactMegabytes = std::stoul(arg.substr(14));
    } else {
      rest.push_back(argv[i]);
    }
  }
  int count = static_cast<int>(rest.size());
  benchmark::Initialize(&count, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (!published().root.empty()) {
    published().server->stop();
    std::filesystem::remove_all(published().root);
  }
  return 0;
}
