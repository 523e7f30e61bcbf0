#include "command_line.h"

namespace veltra::artifact_tool {

namespace {

using tools::UsageError;

// Commands, as bits of an option's `usedBy`.
constexpr unsigned kBuild = 1, kPublish = 2, kLookup = 4, kInspect = 8, kDump = 16;
// The two families: every command accepts each option of its family, as the tool always has;
// one it does not use is ignored and left out of its help.
constexpr unsigned kBuildFamily = kBuild | kPublish;
constexpr unsigned kReadFamily = kLookup | kInspect | kDump;

struct OptionSpec {
  const char* name;
  // Shown after the name in the help; nullptr for a flag.
  const char* valueName;
  unsigned usedBy;
  const char* description;
};

// clang-format off
constexpr OptionSpec kOptions[] = {
  {"--registry",        "REGISTRY.json", kBuildFamily, "category registry to compile"},
  {"--lists",           "DIR",           kBuildFamily, "folder holding the registry's list files"},
  {"-o",                "OUT.bin",       kBuild,       "where to write the artifact"},
  {"--gzip",            "OUT.bin.gz",    kBuild,       "also write the artifact gzip-compressed"},
  {"--manifest",        "OUT.json",      kBuild,       "also write its manifest (needs --gzip)"},
  {"--url",             "URL",           kBuild,       "manifest: download address of the .gz"},
  {"--cdn-root",        "DIR",           kPublish,     "CDN folder to publish into"},
  {"--base-url",        "URL",           kPublish,     "address the CDN folder is served at"},
  {"--version",         "V",             kBuildFamily, "manifest: version label"},
  {"--build-id",        "ID",            kBuildFamily, "manifest: build identifier"},
  {"--min-app-version", "V",             kBuildFamily, "manifest: oldest app that may install it"},
  {"--published",       "ISO8601",       kBuildFamily, "manifest: publication time (default: now)"},
  {"--enable",          "KEY,KEY...",    kLookup,      "categories that block (default: all)"},
  {"--stdin",           nullptr,         kLookup,      "also look up stdin, a domain a line"},
  {"--json",            nullptr,         kInspect,     "print one JSON document"},
};
// clang-format on

}  // namespace

std::string ParsedArgs::value(const std::string& name) const {
  auto found = options.find(name);
  return found == options.end() || !has(name) ? "" : found->second;
}

std::string ParsedArgs::required(const std::string& name) const {
  if (!has(name)) throw UsageError("missing " + name);
  return value(name);
}

CommandLine::CommandLine()
    : app_("Compiles blocklists into V4 artifacts, publishes them and reads them.",
           "veltra-artifact") {
  tools::configureTool(app_);
  addCommand("build", "Compile the registry's lists into an artifact (and its .gz and manifest)",
             kBuild);
  addCommand("publish", "Build an artifact into a CDN folder with its manifest", kPublish);
  addCommand("lookup", "Print DOMAIN<TAB>GROUP|-<TAB>NAMES|-<TAB>blocked|allowed per domain",
             kLookup);
  addCommand("inspect", "Print header fields, categories, group count, trie sizes, residency",
             kInspect);
  addCommand("dump", "Print every exact domain with its group, in byte order", kDump);
}

void CommandLine::addCommand(const std::string& name, const std::string& description,
                             unsigned bit) {
  CLI::App* command = app_.add_subcommand(name, description);
  ParsedArgs& parsed = commands_[name];
  parsed.command = command;
  const unsigned family = (bit & kBuildFamily) != 0 ? kBuildFamily : kReadFamily;
  if (family == kReadFamily) {
    command->add_option("ARTIFACT", parsed.artifact, "the V4 artifact file");
    if (bit == kLookup) command->add_option("DOMAIN", parsed.domains, "domains, as given");
  }
  for (const OptionSpec& spec : kOptions) {
    if ((spec.usedBy & family) == 0) continue;
    CLI::Option* option =
        spec.valueName == nullptr
            ? command->add_flag(spec.name, spec.description)
            : command->add_option(spec.name, parsed.options[spec.name], spec.description)
                  ->type_name(spec.valueName);
    if ((spec.usedBy & bit) == 0) option->group("");
  }
}

const ParsedArgs& CommandLine::chosen(const std::vector<std::string>& args) const {
  const CLI::App* command = tools::selectedCommand(app_, args);
  if (command == nullptr)
    throw UsageError(args.empty() ? "missing command" : "unknown command " + args.front());
  if (auto extra = tools::unrecognisedArgument(*command)) {
    throw UsageError((tools::looksLikeOption(*extra) ? "unknown option " : "unexpected argument ") +
                     *extra);
  }
  return commands_.at(command->get_name());
}

}  // namespace veltra::artifact_tool
