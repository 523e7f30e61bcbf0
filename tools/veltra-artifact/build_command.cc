#include "build_command.h"

#include <chrono>
#include <cstdio>

#include "platform/files.h"
#include "platform/gzip.h"
#include "platform/sha256.h"

namespace veltra::artifact_tool {

using BlocklistV4Client::V4Manifest;
using BlocklistV4Format::CategoryRegistry;
using BlocklistV4Format::V4Writer;

V4Manifest makeManifest(const CategoryRegistry& registry, const CompiledLists& compiled,
                        const V4Writer::Result& result, const Bytes& compressed,
                        const BuildOptions& options) {
  V4Manifest manifest;
  manifest.version = options.version;
  manifest.buildId = options.buildId;
  manifest.filename = platform::fileName(options.gzipPath);
  manifest.url = options.url;
  manifest.size = static_cast<std::int64_t>(result.bytes.size());
  manifest.sha256 = platform::sha256Hex(result.bytes);
  manifest.compressedSize = static_cast<std::int64_t>(compressed.size());
  manifest.compressedSha256 = platform::sha256Hex(compressed);
  manifest.exactCount = result.header.exactDomainCount;
  manifest.wildcardCount = result.header.wildcardDomainCount;
  manifest.domainCount = manifest.exactCount + manifest.wildcardCount;
  manifest.categoryCount = result.header.categoryCount;
  manifest.categories = compiled.names;
  for (const CategoryRegistry::Block& block : registry.blocks()) {
    manifest.blocks.push_back({block.name, {block.lowerBound, block.upperBound}});
  }
  for (const auto& [name, counts] : compiled.counts) {
    manifest.categoryStats[name] = {counts.id, static_cast<std::int64_t>(counts.exact),
                                    static_cast<std::int64_t>(counts.wildcard)};
  }
  std::map<std::string, std::string> parents;
  for (const std::string& name : compiled.names) {
    std::optional<CategoryRegistry::Entry> entry = registry.entry(name);
    if (entry && entry->parent) parents[name] = *entry->parent;
  }
  if (!parents.empty()) manifest.parents = std::move(parents);
  manifest.published = options.published;
  manifest.minAppVersion = options.minAppVersion;
  return manifest;
}

BuildSummary runBuild(const BuildOptions& options,
                      const std::function<void(const std::string&)>& phase) {
  const auto started = std::chrono::steady_clock::now();
  CategoryRegistry registry = CategoryRegistry::decode(platform::readFile(options.registryPath));
  registry.validate();
  CompiledLists compiled = compileLists(registry, options.listsDirectory, phase);
  phase(
      "sorting and serializing " +
      std::to_string(compiled.input.exactDomains.size() + compiled.input.wildcardSuffixes.size()) +
      " entries");
  V4Writer::Result result = V4Writer::write(compiled.input);
  compiled.input = {};
  Bytes compressed;
  if (!options.gzipPath.empty()) {
    phase("compressing " + std::to_string(result.bytes.size()) + " bytes");
    compressed = platform::gzipCompress(result.bytes);
  }
  phase("writing");
  if (!options.outputPath.empty()) platform::writeFileAtomically(options.outputPath, result.bytes);
  if (!options.gzipPath.empty()) platform::writeFileAtomically(options.gzipPath, compressed);
  if (!options.manifestPath.empty()) {
    std::string json = makeManifest(registry, compiled, result, compressed, options).encode();
    platform::writeFileAtomically(options.manifestPath, asBytes(json));
  }
  BuildSummary summary;
  summary.categoryCount = result.header.categoryCount;
  summary.exactCount = result.header.exactDomainCount;
  summary.wildcardCount = result.header.wildcardDomainCount;
  summary.groupCount = result.header.groupCount;
  summary.byteCount = result.bytes.size();
  summary.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return summary;
}

std::string summaryLine(const BuildSummary& summary) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f", summary.seconds);
  return "categories " + std::to_string(summary.categoryCount) + ", exact " +
         std::to_string(summary.exactCount) + ", wildcard " +
         std::to_string(summary.wildcardCount) + ", groups " + std::to_string(summary.groupCount) +
         ", bytes " + std::to_string(summary.byteCount) + ", seconds " + seconds;
}

}  // namespace veltra::artifact_tool
