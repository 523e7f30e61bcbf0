#include "run.h"

#include <chrono>
#include <exception>
#include <map>
#include <optional>
#include <set>

#include "build_command.h"
#include "platform/files.h"
#include "platform/iso8601.h"
#include "read_commands.h"

namespace veltra::artifact_tool {
namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char kUsage[] =
    "usage: veltra-artifact build --registry REGISTRY.json --lists DIR -o OUT.bin "
    "[--gzip OUT.bin.gz] [--manifest OUT.json --url URL --version V --build-id ID "
    "--min-app-version V [--published ISO8601]]\n"
    "       veltra-artifact publish --registry REGISTRY.json --lists DIR --cdn-root DIR "
    "--base-url URL --version V --build-id ID --min-app-version V [--published ISO8601]\n"
    "       veltra-artifact lookup ARTIFACT [--enable KEY,KEY...] (DOMAIN... | --stdin)\n"
    "       veltra-artifact inspect ARTIFACT [--json]\n"
    "       veltra-artifact dump ARTIFACT\n";

// A command line that does not fit the usage.
struct UsageError {
  std::string message;
};

// Option values by name; positional arguments in order.
struct ParsedArgs {
  std::map<std::string, std::string> options;
  std::vector<std::string> positional;

  bool has(const std::string& name) const { return options.count(name) != 0; }
  std::string value(const std::string& name) const {
    auto found = options.find(name);
    return found == options.end() ? "" : found->second;
  }
  std::string required(const std::string& name) const {
    if (!has(name)) throw UsageError{"missing " + name};
    return value(name);
  }
};

ParsedArgs parseArgs(const std::vector<std::string>& args, const std::set<std::string>& valued,
                     const std::set<std::string>& flags) {
  ParsedArgs parsed;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (valued.count(arg)) {
      if (i + 1 >= args.size()) throw UsageError{arg + " needs a value"};
      parsed.options[arg] = args[++i];
    } else if (flags.count(arg)) {
      parsed.options[arg] = "";
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError{"unknown option " + arg};
    } else {
      parsed.positional.push_back(arg);
    }
  }
  return parsed;
}

std::string checkedPublished(const ParsedArgs& parsed) {
  if (!parsed.has("--published")) {
    return platform::formatIso8601(std::chrono::system_clock::now());
  }
  std::string published = parsed.value("--published");
  if (!platform::parseIso8601(published)) {
    throw UsageError{"--published must be an ISO 8601 date-time, got '" + published + "'"};
  }
  return published;
}

void readManifestOptions(const ParsedArgs& parsed, BuildOptions& options) {
  options.version = parsed.required("--version");
  options.buildId = parsed.required("--build-id");
  options.minAppVersion = parsed.required("--min-app-version");
  options.published = checkedPublished(parsed);
}

const std::set<std::string> kBuildOptions = {"--registry",  "--lists",    "-o",
                                             "--gzip",      "--manifest", "--url",
                                             "--version",   "--build-id", "--min-app-version",
                                             "--published", "--cdn-root", "--base-url"};

BuildOptions buildOptions(const std::vector<std::string>& args) {
  ParsedArgs parsed = parseArgs(args, kBuildOptions, {});
  if (!parsed.positional.empty()) throw UsageError{"unexpected argument " + parsed.positional[0]};
  BuildOptions options;
  options.registryPath = parsed.required("--registry");
  options.listsDirectory = parsed.required("--lists");
  if (args[0] == "build") {
    options.outputPath = parsed.required("-o");
    options.gzipPath = parsed.value("--gzip");
    if (parsed.has("--manifest")) {
      if (options.gzipPath.empty()) throw UsageError{"--manifest needs --gzip"};
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
      throw UsageError{"--build-id may hold only letters, digits, '.', '_' and '-'"};
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

int runBuildCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    bool interactive) {
  BuildOptions options = buildOptions(args);
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

int runReadCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out) {
  const std::string& command = args[0];
  ParsedArgs parsed = parseArgs(args, {"--enable"}, {"--stdin", "--json"});
  if (parsed.positional.empty()) throw UsageError{"missing ARTIFACT"};
  const std::string artifact = parsed.positional[0];
  std::vector<std::string> rest(parsed.positional.begin() + 1, parsed.positional.end());
  if (command == "lookup") {
    if (rest.empty() && !parsed.has("--stdin")) throw UsageError{"lookup needs domains or --stdin"};
    runLookup(artifact, splitKeys(parsed.value("--enable")), !parsed.has("--enable"), rest,
              parsed.has("--stdin") ? &in : nullptr, out);
    return 0;
  }
  if (!rest.empty()) throw UsageError{"unexpected argument " + rest[0]};
  if (command == "inspect") {
    runInspect(artifact, parsed.has("--json"), out);
  } else {
    runDump(artifact, out);
  }
  return 0;
}

}  // namespace

int run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err, bool interactive) {
  try {
    if (args.empty()) throw UsageError{"missing command"};
    const std::string& command = args[0];
    if (command == "build" || command == "publish") {
      return runBuildCommand(args, out, err, interactive);
    }
    if (command == "lookup" || command == "inspect" || command == "dump") {
      return runReadCommand(args, in, out);
    }
    throw UsageError{"unknown command " + command};
  } catch (const UsageError& error) {
    err << "veltra-artifact: " << error.message << "\n" << kUsage;
    return kExitUsage;
  } catch (const std::exception& error) {
    err << "veltra-artifact: " << error.what() << "\n";
    return kExitFailure;
  }
}

}  // namespace veltra::artifact_tool
