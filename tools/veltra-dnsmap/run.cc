#include "run.h"

#include <iostream>
#include <set>

#include "commands.h"
#include "dns_ip_map/dns_ip_map_writer.h"
#include "platform/environment.h"
#include "platform/files.h"

namespace veltra::dnsmap_tool {

namespace {

constexpr char kUsage[] =
    "usage: veltra-dnsmap add [FILE] --ip IP --domain DOMAIN --ttl SECONDS [--flags N] [--at "
    "UNIXSECONDS]\n"
    "       veltra-dnsmap add [FILE] --stdin      (lines "
    "\"ip<TAB>domain<TAB>ttl[<TAB>flags[<TAB>at]]\")\n"
    "       veltra-dnsmap dump [FILE]\n"
    "       veltra-dnsmap lookup [FILE] IP [--at UNIXSECONDS]\n"
    "       veltra-dnsmap compact [FILE] [--at UNIXSECONDS]\n"
    "FILE defaults to \"dns-ip-map.bin\" in the data folder (VELTRA_DATA_DIR).\n";

int usageError(std::ostream& err, const std::string& message) {
  err << "veltra-dnsmap: " << message << "\n" << kUsage;
  return kExitUsage;
}

// Which options each command takes.
const std::set<std::string>& allowedOptions(const std::string& command) {
  static const std::set<std::string> add = {"--ip",    "--domain", "--ttl",
                                            "--flags", "--at",     "--stdin"};
  static const std::set<std::string> atOnly = {"--at"};
  static const std::set<std::string> none;
  if (command == "add") return add;
  if (command == "lookup" || command == "compact") return atOnly;
  return none;
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  ToolContext context;
  context.in = &std::cin;
  context.dataDirectory = platform::Environment::current().dataDirectory;
  context.notificationCenter = &platform::DarwinNotificationCenter::shared();
  context.clock = &platform::Clock::system();
  return run(args, out, err, context);
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const ToolContext& context) {
  if (args.empty()) return usageError(err, "missing command");
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    out << kUsage;
    return kExitSuccess;
  }
  const std::string& command = args[0];
  if (command != "add" && command != "dump" && command != "lookup" && command != "compact") {
    return usageError(err, "unknown command \"" + command + "\"");
  }
  CommandOptions options;
  std::vector<std::string> positional;
  const auto& allowed = allowedOptions(command);
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0) {
      positional.push_back(arg);
      continue;
    }
    if (allowed.count(arg) == 0)
      return usageError(err, "unknown option " + arg + " for " + command);
    if (arg == "--stdin") {
      options.fromStdin = true;
      continue;
    }
    if (i + 1 >= args.size()) return usageError(err, "missing value for " + arg);
    const std::string& value = args[++i];
    if (arg == "--ip") {
      options.ip = value;
    } else if (arg == "--domain") {
      options.domain = value;
    } else {
      const std::uint64_t maximum = arg == "--flags" ? 0xFF : 0xFFFFFFFFull;
      auto number = parseNumber(value, maximum);
      if (!number) return usageError(err, "invalid number for " + arg + ": \"" + value + "\"");
      if (arg == "--ttl") options.ttl = static_cast<std::uint32_t>(*number);
      if (arg == "--flags") options.flags = static_cast<std::uint8_t>(*number);
      if (arg == "--at") options.at = static_cast<std::uint32_t>(*number);
    }
  }

  const std::size_t required = command == "lookup" ? 1 : 0;
  if (positional.size() < required) return usageError(err, "missing IP");
  if (positional.size() > required + 1) return usageError(err, "too many arguments");
  options.file = positional.size() == required + 1
                     ? positional[0]
                     : platform::joinPath(context.dataDirectory, dnsmap::kMapFileName);
  if (command == "lookup") options.ip = positional.back();

  if (command == "add") {
    if (options.fromStdin && (options.ip || options.domain || options.ttl)) {
      return usageError(err, "--stdin does not go with --ip, --domain or --ttl");
    }
    if (!options.fromStdin && (!options.ip || !options.domain || !options.ttl)) {
      return usageError(err, "add needs --ip, --domain and --ttl, or --stdin");
    }
    return addCommand(options, out, err, context);
  }
  if (command == "dump") return dumpCommand(options, out, err);
  if (command == "lookup") return lookupCommand(options, out, err, context);
  return compactCommand(options, out, err, context);
}

}  // namespace veltra::dnsmap_tool
