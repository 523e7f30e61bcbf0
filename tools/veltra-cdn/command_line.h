// The veltra-cdn command line on CLI11.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace veltra::cdn {

// What the server is asked to serve, and where.
struct CdnOptions {
  std::string root;
  std::string host = "127.0.0.1";
  // 0 picks a free port.
  int port = 0;
};

// What the command line asks for: options to serve with, or an exit status to end with at once.
struct CommandLine {
  std::optional<CdnOptions> options;
  int exitStatus = 0;
};

// Reads `args` (without the program name). Help and the version go to `out`, exit status 0. A
// usage error goes to `err` as "veltra-cdn: <what>" and the usage line, exit status 2; it names
// the argument that does not fit: an unknown option, a missing value, a missing or empty
// --root, a --port that is not a decimal number from 0 to 65535.
CommandLine readCommandLine(const std::vector<std::string>& args, std::ostream& out,
                            std::ostream& err);

}  // namespace veltra::cdn
