// The command-line conventions every veltra tool shares, on CLI11: "--help" on the tool and on
// each of its commands, "--version", the last of a repeated option counts, and a usage error
// named by the tool and answered with exit status 2.
#pragma once

#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>

namespace veltra::tools {

// Exit status of a command line that does not fit the usage.
inline constexpr int kExitUsage = 2;

// A command line that does not fit the tool's usage; what() says which argument and why.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An option given as the last argument, without the value it takes.
class MissingValueError : public UsageError {
 public:
  explicit MissingValueError(std::string option);
  const std::string& option() const { return option_; }

 private:
  std::string option_;
};

// Returns "<program> <version>", the line "--version" prints.
std::string versionLine(const std::string& program);

// Prepares the application object of a tool, before its commands and options are added:
// "--version", at most one command, a repeated option keeping its last value, and arguments
// nobody declared kept for unrecognisedArgument() rather than refused with CLI11's wording.
// Commands added afterwards inherit "--help" and these rules.
void configureTool(CLI::App& app);

// Parses `args` (without the program name). When they ask for help or the version, prints it to
// `out` and returns false; returns true when the command line is for the tool to run. Throws
// MissingValueError for an option that ends the arguments without its value, UsageError for
// anything else CLI11 refuses.
bool parseCommandLine(CLI::App& app, const std::vector<std::string>& args, std::ostream& out);

// Returns the command that `args`, parsed into `app`, start with; nullptr when `args` are empty
// or their first argument is not a command (a word or an option the tool does not know).
const CLI::App* selectedCommand(const CLI::App& app, const std::vector<std::string>& args);

// Returns the first argument that `command` left undeclared, or after it the tool (what follows
// "--" when the command takes no positional arguments), preferring one that looks like an option
// so that an unknown option is named before a stray word.
std::optional<std::string> unrecognisedArgument(const CLI::App& command);

// Tells whether an argument has the shape of an option: a dash and at least one more character.
bool looksLikeOption(std::string_view argument);

// Prints "<program>: <message>", then `usage`, to `err`; returns kExitUsage.
int reportUsageError(std::ostream& err, std::string_view program, std::string_view message,
                     std::string_view usage);

}  // namespace veltra::tools
