#include "run.h"

#include <iostream>

#include "command_line.h"
#include "platform/environment.h"
#include "tool_command_line.h"

namespace veltra::dnsmap_tool {

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
  std::optional<ParsedCommand> parsed;
  try {
    parsed = parseCommandLine(args, context.dataDirectory, out);
  } catch (const tools::UsageError& error) {
    return tools::reportUsageError(err, "veltra-dnsmap", error.what(), kUsage);
  }
  if (!parsed) return kExitSuccess;
  const CommandOptions& options = parsed->options;
  if (parsed->command == "add") return addCommand(options, out, err, context);
  if (parsed->command == "dump") return dumpCommand(options, out, err);
  if (parsed->command == "lookup") return lookupCommand(options, out, err, context);
  return compactCommand(options, out, err, context);
}

}  // namespace veltra::dnsmap_tool
