// veltra-cdn: serves a folder over HTTP on 127.0.0.1 as the update CDN would.
//
//   veltra-cdn --root DIR [--port N] [--host ADDRESS]
//
// Prints the base URL on its first line and serves until SIGINT or SIGTERM.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cdn_server.h"
#include "command_line.h"
#include "platform/stop_signals.h"

int main(int argc, char** argv) {
  using namespace veltra;
  const cdn::CommandLine commandLine =
      cdn::readCommandLine(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
  const std::optional<cdn::CdnOptions>& options = commandLine.options;
  if (!options) return commandLine.exitStatus;
  try {
    // Before the server starts its threads, which inherit the mask: only the wait below takes
    // the stop signals.
    platform::blockStopSignals();
    cdn::CdnServer server(options->root);
    server.start(options->host, options->port);
    std::cout << server.baseURL() << std::endl;
    platform::waitForStopSignal();
    server.stop();
  } catch (const std::exception& error) {
    std::cerr << "veltra-cdn: " << error.what() << "\n";
    return 1;
  }
  std::cerr << "veltra-cdn: stopped\n";
  return 0;
}
