// The veltra-artifact command line on CLI11: its five commands, their options and their help.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tool_command_line.h"

namespace veltra::artifact_tool {

// One command's arguments after parsing: option values by name, and the positional arguments.
struct ParsedArgs {
  // The command, as CLI11 parsed it; tells which options were given.
  const CLI::App* command = nullptr;
  // Values of the valued options, bound to CLI11 (a flag has no entry).
  std::map<std::string, std::string> options;
  std::string artifact;
  std::vector<std::string> domains;

  const std::string& name() const { return command->get_name(); }
  bool has(const std::string& name) const { return command->count(name) != 0; }
  std::string value(const std::string& name) const;
  // Returns the value of an option the command needs; throws UsageError "missing <name>".
  std::string required(const std::string& name) const;
};

// The tool's CLI11 application and where it puts what it parses. Neither copied nor moved: CLI11
// holds references into it. One thread.
class CommandLine {
 public:
  CommandLine();
  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;

  CLI::App& app() { return app_; }

  // Returns the command given, once app() parsed `args`. Throws UsageError for a missing or
  // unknown command and for an argument the command does not take.
  const ParsedArgs& chosen(const std::vector<std::string>& args) const;

 private:
  void addCommand(const std::string& name, const std::string& description, unsigned bit);

  CLI::App app_;
  std::map<std::string, ParsedArgs> commands_;
};

}  // namespace veltra::artifact_tool
