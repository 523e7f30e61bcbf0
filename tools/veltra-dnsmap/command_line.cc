#include "command_line.h"

#include <map>

#include "dns_ip_map/dns_ip_map_writer.h"
#include "platform/files.h"
#include "tool_command_line.h"
#include "unsigned_decimal.h"

namespace veltra::dnsmap_tool {

namespace {

using tools::UsageError;

// One command's arguments as given, before they are checked.
struct GivenArgs {
  std::string file, address, ip, domain, ttl, flags, at;
};

struct CommandSpec {
  const char* name;
  // Takes an IP after FILE (then FILE may be left out); more positional arguments are too many.
  bool ipArgument;
  // Takes --ip, --domain, --ttl, --flags and --stdin.
  bool entryOptions;
  // Takes --at.
  bool atOption;
  const char* description;
};

// clang-format off
constexpr CommandSpec kCommands[] = {
  {"add",     false, true,  true,  "Commit an entry, or one per input line, as a batch"},
  {"dump",    false, false, false, "Print the header and every committed entry"},
  {"lookup",  true,  false, true,  "Print the domains the IP was resolved from"},
  {"compact", false, false, true,  "Rewrite the map keeping only unexpired entries"},
};
// clang-format on

void addCommand(CLI::App& app, const CommandSpec& spec, GivenArgs& given) {
  CLI::App* command = app.add_subcommand(spec.name, spec.description);
  command->add_option("FILE", given.file, "the map (default: dns-ip-map.bin in the data folder)");
  if (spec.ipArgument) command->add_option("IP", given.address, "the address to look up");
  if (spec.entryOptions) {
    command->add_option("--ip", given.ip, "address the domain resolved to")->type_name("IP");
    command->add_option("--domain", given.domain, "the domain")->type_name("DOMAIN");
    command->add_option("--ttl", given.ttl, "seconds the answer stays valid")->type_name("SECONDS");
    command->add_option("--flags", given.flags, "flag byte (default 0)")->type_name("N");
    command->add_flag("--stdin")->description(
        "read \"ip<TAB>domain<TAB>ttl[<TAB>flags[<TAB>at]]\" lines");
  }
  if (spec.atOption) {
    command->add_option("--at", given.at, "time to act at (default: now)")
        ->type_name("UNIXSECONDS");
  }
}

// Checks the arguments of `command` and turns them into its options.
CommandOptions checkedOptions(const CLI::App& command, const GivenArgs& given,
                              const std::string& dataDirectory) {
  const std::string& name = command.get_name();
  auto has = [&](const char* option) {
    return command.get_option_no_throw(option) != nullptr && command.count(option) != 0;
  };
  auto number = [&](const char* option, const std::string& text,
                    std::uint64_t maximum) -> std::optional<std::uint64_t> {
    if (!has(option)) return std::nullopt;
    auto value = tools::parseUnsignedDecimal(text, maximum);
    if (!value) {
      throw UsageError(std::string("invalid number for ") + option + ": \"" + text + "\"");
    }
    return value;
  };
  CommandOptions options;
  if (auto ttl = number("--ttl", given.ttl, 0xFFFFFFFFull)) {
    options.ttl = static_cast<std::uint32_t>(*ttl);
  }
  if (auto flags = number("--flags", given.flags, 0xFF)) {
    options.flags = static_cast<std::uint8_t>(*flags);
  }
  if (auto at = number("--at", given.at, 0xFFFFFFFFull))
    options.at = static_cast<std::uint32_t>(*at);
  if (has("--ip")) options.ip = given.ip;
  if (has("--domain")) options.domain = given.domain;
  options.fromStdin = has("--stdin");

  std::vector<std::string> positional;
  if (has("FILE")) positional.push_back(given.file);
  if (has("IP")) positional.push_back(given.address);
  const std::size_t required = name == "lookup" ? 1 : 0;
  if (positional.size() < required) throw UsageError("missing IP");
  if (positional.size() > required + 1) throw UsageError("too many arguments");
  options.file = positional.size() == required + 1
                     ? positional[0]
                     : platform::joinPath(dataDirectory, dnsmap::kMapFileName);
  if (name == "lookup") options.ip = positional.back();

  if (name == "add") {
    if (options.fromStdin && (options.ip || options.domain || options.ttl)) {
      throw UsageError("--stdin does not go with --ip, --domain or --ttl");
    }
    if (!options.fromStdin && (!options.ip || !options.domain || !options.ttl)) {
      throw UsageError("add needs --ip, --domain and --ttl, or --stdin");
    }
  }
  return options;
}

}  // namespace

std::optional<ParsedCommand> parseCommandLine(const std::vector<std::string>& args,
                                              const std::string& dataDirectory, std::ostream& out) {
  if (!args.empty() && args[0] == "help") {
    out << kUsage;
    return std::nullopt;
  }
  CLI::App app("Adds entries to, prints, queries and compacts a DNS-IP map.", "veltra-dnsmap");
  tools::configureTool(app);
  std::map<std::string, GivenArgs> givenByCommand;
  for (const CommandSpec& spec : kCommands) addCommand(app, spec, givenByCommand[spec.name]);
  // The tool's own help is its usage text; the commands, added before, keep CLI11's.
  app.formatter_fn([](const CLI::App*, std::string, CLI::AppFormatMode) { return kUsage; });
  try {
    if (!tools::parseCommandLine(app, args, out)) return std::nullopt;
  } catch (const tools::MissingValueError& error) {
    throw UsageError("missing value for " + error.option());
  }
  const CLI::App* command = tools::selectedCommand(app, args);
  if (command == nullptr) {
    throw UsageError(args.empty() ? "missing command" : "unknown command \"" + args[0] + "\"");
  }
  if (auto extra = tools::unrecognisedArgument(*command)) {
    if (!tools::looksLikeOption(*extra)) throw UsageError("too many arguments");
    throw UsageError("unknown option " + *extra + " for " + command->get_name());
  }
  return ParsedCommand{
      command->get_name(),
      checkedOptions(*command, givenByCommand.at(command->get_name()), dataDirectory)};
}

}  // namespace veltra::dnsmap_tool
