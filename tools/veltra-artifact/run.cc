#include "run.h"

#include <chrono>
#include <exception>

#include "build_command.h"
#include "command_line.h"
#include "platform/files.h"
#include "platform/iso8601.h"
#include "read_commands.h"

namespace veltra::artifact_tool {
namespace {

constexpr int kExitFailure = 1;

constexpr const char kUsage[] =
    "usage: veltra-artifact build --registry REGISTRY.json --lists DIR -o OUT.bin "
    "[--gzip OUT.bin.gz] [--manifest OUT.json --url URL --version V --build-id ID "
    "--min-app-version V [--published ISO8601]]\n"
    "       veltra-artifact publish --registry REGISTRY.json --lists DIR --cdn-root DIR "
    "--base-url URL --version V --build-id ID --min-app-version V [--published ISO8601]\n"
    "       veltra-artifact lookup ARTIFACT [--enable KEY,KEY...] (DOMAIN... | --stdin)\n"
    "       veltra-artifact inspect ARTIFACT [--json]\n"
    "       veltra-artifact dump ARTIFACT\n";

using tools::UsageError;

std::string checkedPublished(const ParsedArgs& parsed) {
  if (!parsed.has("--published")) {
    return platform::formatIso8601(std::chrono::system_clock::now());
  }
  std::string published = parsed.value("--published");
  if (!platform::parseIso8601(published)) {
    throw UsageError("--published must be an ISO 8601 date-time, got '" + published + "'");
  }
  return published;
}

void readManifestOptions(const ParsedArgs& parsed, BuildOptions& options) {
  options.version = parsed.required("--version");
  options.buildId = parsed.required("--build-id");
  options.minAppVersion = parsed.required("--min-app-version");
  options.published = checkedPublished(parsed);
}

BuildOptions buildOptions(const ParsedArgs& parsed) {
  BuildOptions options;
  options.registryPath = parsed.required("--registry");
  options.listsDirectory = parsed.required("--lists");
  if (parsed.name() == "build") {
    options.outputPath = parsed.required("-o");
    options.gzipPath = parsed.value("--gzip");
    if (parsed.has("--manifest")) {
      if (options.gzipPath.empty()) throw UsageError("--manifest needs --gzip");
      options.manifestPath = parsed.value("--manifest");
      options.url = parsed.required("--url");
      readManifestOptions(parsed, options);
    }
    return options;
  }
  std::string cdnRoot = parsed.required("--cdn-root");
  std::string baseURL = parsed.required("--base-url");
  readManifestOptions(parsed, options);
  for (char c : options.buildId) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-') {
      throw UsageError("--build-id may hold only letters, digits, '.', '_' and '-'");
    }
  }
  while (!baseURL.empty() && baseURL.back() == '/') baseURL.pop_back();
  const std::string folder = platform::joinPath(cdnRoot, "blocklists/v4");
  const std::string filename = "blocklist-v4-" + options.buildId + ".bin.gz";
  platform::createDirectories(folder);
  options.gzipPath = platform::joinPath(folder, filename);
  options.manifestPath = platform::joinPath(folder, "blocklist.json");
  options.url = baseURL + "/blocklists/v4/" + filename;
  return options;
}

int runBuildCommand(const ParsedArgs& parsed, std::ostream& out, std::ostream& err,
                    bool interactive) {
  BuildOptions options = buildOptions(parsed);
  BuildSummary summary = runBuild(options, [&](const std::string& line) {
    if (interactive) err << "[veltra-artifact] " << line << std::endl;
  });
  out << summaryLine(summary) << "\n";
  return 0;
}

std::vector<std::string> splitKeys(const std::string& text) {
  std::vector<std::string> keys;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    if (comma > start) keys.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
  return keys;
}

int runReadCommand(const ParsedArgs& parsed, std::istream& in, std::ostream& out) {
  if (!parsed.has("ARTIFACT")) throw UsageError("missing ARTIFACT");
  const std::string& artifact = parsed.artifact;
  if (parsed.name() == "lookup") {
    if (parsed.domains.empty() && !parsed.has("--stdin"))
      throw UsageError("lookup needs domains or --stdin");
    runLookup(artifact, splitKeys(parsed.value("--enable")), !parsed.has("--enable"),
              parsed.domains, parsed.has("--stdin") ? &in : nullptr, out);
    return 0;
  }
  if (parsed.name() == "inspect") {
    runInspect(artifact, parsed.has("--json"), out);
  } else {
    runDump(artifact, out);
  }
  return 0;
}

}  // namespace

int run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err, bool interactive) {
  CommandLine commandLine;
  try {
    if (!tools::parseCommandLine(commandLine.app(), args, out)) return 0;
    const ParsedArgs& parsed = commandLine.chosen(args);
    if (parsed.name() == "build" || parsed.name() == "publish") {
      return runBuildCommand(parsed, out, err, interactive);
    }
    return runReadCommand(parsed, in, out);
  } catch (const UsageError& error) {
    return tools::reportUsageError(err, "veltra-artifact", error.what(), kUsage);
  } catch (const std::exception& error) {
    err << "veltra-artifact: " << error.what() << "\n";
    return kExitFailure;
  }
}

}  // namespace veltra::artifact_tool
