// Parsing of the updater's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "updater/blocklist_updater_status.h"

namespace veltra::updater {

// The options of one invocation. Options are whole arguments anywhere after the program path;
// for options with a value the first occurrence counts and its value is the next argument.
struct CommandLine {
  bool updateBlocklist = false;
  bool force = false;
  bool verbose = false;
  bool cleanup = false;
  bool formatGiven = false;
  // The "--format" value when it reads as 3 or 4.
  std::optional<std::int64_t> format;
  std::optional<Trigger> trigger;

  static CommandLine parse(const std::vector<std::string>& arguments);
};

// Parses optional "+"/"-" then decimal digits within the signed 64-bit range, or nothing.
std::optional<std::int64_t> parseDecimalInteger(const std::string& text);

// Renders the arguments as a list literal: ["a", "b"] with quotes and backslashes escaped.
std::string renderArgumentList(const std::vector<std::string>& arguments);

}  // namespace veltra::updater
