// The veltra-artifact command line: build, publish, lookup, inspect and dump V4 artifacts.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace veltra::artifact_tool {

// Runs the command in `args` (without the program name). Domains for "lookup --stdin" come from
// `in`; results go to `out`, errors and, when `interactive`, progress to `err`. Returns the exit
// status: 0 success, 1 failure, 2 bad usage.
int run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err, bool interactive = false);

}  // namespace veltra::artifact_tool
