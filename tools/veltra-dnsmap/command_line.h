// The veltra-dnsmap command line on CLI11: four commands, their options and their help.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "commands.h"

namespace veltra::dnsmap_tool {

// The tool's usage text: printed for "--help" and after every usage error.
inline constexpr char kUsage[] =
    "usage: veltra-dnsmap add [FILE] --ip IP --domain DOMAIN --ttl SECONDS [--flags N] [--at "
    "UNIXSECONDS]\n"
    "       veltra-dnsmap add [FILE] --stdin      (lines "
    "\"ip<TAB>domain<TAB>ttl[<TAB>flags[<TAB>at]]\")\n"
    "       veltra-dnsmap dump [FILE]\n"
    "       veltra-dnsmap lookup [FILE] IP [--at UNIXSECONDS]\n"
    "       veltra-dnsmap compact [FILE] [--at UNIXSECONDS]\n"
    "FILE defaults to \"dns-ip-map.bin\" in the data folder (VELTRA_DATA_DIR).\n";

// A command line read: the command's name and its options, checked for that command.
struct ParsedCommand {
  std::string command;
  CommandOptions options;
};

// Reads `args` (without the program name); FILE defaults to "dns-ip-map.bin" in
// `dataDirectory`. Returns nothing when they asked for help or the version, printed to `out`.
// Throws tools::UsageError, its message in the tool's wording, when they do not fit the usage.
std::optional<ParsedCommand> parseCommandLine(const std::vector<std::string>& args,
                                              const std::string& dataDirectory, std::ostream& out);

}  // namespace veltra::dnsmap_tool
