// The four commands of veltra-dnsmap over parsed options.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "run.h"

namespace veltra::dnsmap_tool {

// The options of one command line; which are required depends on the command.
struct CommandOptions {
  std::string file;
  std::optional<std::string> ip;
  std::optional<std::string> domain;
  std::optional<std::uint32_t> ttl;
  std::uint8_t flags = 0;
  std::optional<std::uint32_t> at;
  bool fromStdin = false;
};

// Commits one batch: the entry of the options, or one per standard-input line.
int addCommand(const CommandOptions& options, std::ostream& out, std::ostream& err,
               const ToolContext& context);

// Prints the header and every committed entry.
int dumpCommand(const CommandOptions& options, std::ostream& out, std::ostream& err);

// Prints the domains the IP was resolved from that are valid at the time.
int lookupCommand(const CommandOptions& options, std::ostream& out, std::ostream& err,
                  const ToolContext& context);

// Rewrites the map keeping only unexpired entries.
int compactCommand(const CommandOptions& options, std::ostream& out, std::ostream& err,
                   const ToolContext& context);

}  // namespace veltra::dnsmap_tool
