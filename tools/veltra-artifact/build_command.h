// The "build" and "publish" commands: compile lists into a V4 artifact, compress it and
// describe it with a V4 manifest.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "artifact_client/v4_manifest.h"
#include "artifact_format/category_registry.h"
#include "artifact_format/v4_writer.h"
#include "list_compiler.h"

namespace veltra::artifact_tool {

// Everything the build command was asked to do.
struct BuildOptions {
  std::string registryPath;
  std::string listsDirectory;
  std::string outputPath;
  std::string gzipPath;
  std::string manifestPath;
  std::string url;
  std::string version;
  std::string buildId;
  std::string minAppVersion;
  std::string published;
};

// What a finished build produced.
struct BuildSummary {
  std::size_t categoryCount = 0;
  std::uint64_t exactCount = 0;
  std::uint64_t wildcardCount = 0;
  std::size_t groupCount = 0;
  std::size_t byteCount = 0;
  double seconds = 0;
};

// Returns the manifest of an artifact built from `compiled` with `registry`.
BlocklistV4Client::V4Manifest makeManifest(const BlocklistV4Format::CategoryRegistry& registry,
                                           const CompiledLists& compiled,
                                           const BlocklistV4Format::V4Writer::Result& result,
                                           const Bytes& compressed, const BuildOptions& options);

// Runs a build; `phase` receives a line per phase. Throws the first error it meets (registry
// decoding or validation, list, writer, file errors); nothing is written after an error.
BuildSummary runBuild(const BuildOptions& options,
                      const std::function<void(const std::string&)>& phase);

// Returns "categories N, exact N, wildcard N, groups N, bytes N, seconds S".
std::string summaryLine(const BuildSummary& summary);

}  // namespace veltra::artifact_tool
