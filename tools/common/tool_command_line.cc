#include "tool_command_line.h"

#include <utility>

namespace veltra::tools {

MissingValueError::MissingValueError(std::string option)
    : UsageError(option + " needs a value"), option_(std::move(option)) {}

std::string versionLine(const std::string& program) { return program + " " + VELTRA_VERSION; }

void configureTool(CLI::App& app) {
  app.set_version_flag("--version", versionLine(app.get_name()), "Print the version and exit");
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.allow_extras();
  app.require_subcommand(0, 1);
}

namespace {

// Tells whether `name` is an option of `app` or of the command it selected.
bool isDeclaredOption(const CLI::App& app, const std::string& name) {
  if (app.get_option_no_throw(name) != nullptr) return true;
  for (const CLI::App* command : app.get_subcommands()) {
    if (isDeclaredOption(*command, name)) return true;
  }
  return false;
}

}  // namespace

bool parseCommandLine(CLI::App& app, const std::vector<std::string>& args, std::ostream& out) {
  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return false;
  } catch (const CLI::CallForVersion& version) {
    out << version.what() << "\n";
    return false;
  } catch (const CLI::ArgumentMismatch& error) {
    // An option takes the argument after it whatever that is, so a value goes missing only when
    // the option is the last argument.
    if (!args.empty() && isDeclaredOption(app, args.back())) throw MissingValueError(args.back());
    throw UsageError(error.what());
  } catch (const CLI::ParseError& error) {
    throw UsageError(error.what());
  }
  return true;
}

const CLI::App* selectedCommand(const CLI::App& app, const std::vector<std::string>& args) {
  const std::vector<CLI::App*> given = app.get_subcommands();
  if (args.empty() || given.empty() || given.front()->get_name() != args.front()) return nullptr;
  return given.front();
}

std::optional<std::string> unrecognisedArgument(const CLI::App& command) {
  std::vector<std::string> extras = command.remaining();
  if (const CLI::App* tool = command.get_parent()) {
    const std::vector<std::string> above = tool->remaining();
    extras.insert(extras.end(), above.begin(), above.end());
  }
  for (const std::string& extra : extras) {
    if (looksLikeOption(extra)) return extra;
  }
  if (extras.empty()) return std::nullopt;
  return extras.front();
}

bool looksLikeOption(std::string_view argument) {
  return argument.size() > 1 && argument[0] == '-';
}

int reportUsageError(std::ostream& err, std::string_view program, std::string_view message,
                     std::string_view usage) {
  err << program << ": " << message << "\n" << usage;
  return kExitUsage;
}

}  // namespace veltra::tools
