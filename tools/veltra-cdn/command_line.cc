#include "command_line.h"

#include "tool_command_line.h"
#include "unsigned_decimal.h"

namespace veltra::cdn {

namespace {

using tools::UsageError;

constexpr char kUsage[] = "usage: veltra-cdn --root DIR [--port N] [--host ADDRESS]\n";

std::optional<CdnOptions> parseCommandLine(const std::vector<std::string>& args,
                                           std::ostream& out) {
  CLI::App app("Serves a folder over HTTP as the update CDN would, until SIGINT or SIGTERM.",
               "veltra-cdn");
  tools::configureTool(app);
  CdnOptions options;
  std::string port;
  app.add_option("--root", options.root, "folder to serve")->type_name("DIR");
  app.add_option("--port", port, "port to listen on (default: a free one)")->type_name("N");
  app.add_option("--host", options.host, "address to listen on (default: 127.0.0.1)")
      ->type_name("ADDRESS");
  if (!tools::parseCommandLine(app, args, out)) return std::nullopt;
  if (auto extra = tools::unrecognisedArgument(app)) {
    throw UsageError((tools::looksLikeOption(*extra) ? "unknown option " : "unexpected argument ") +
                     *extra);
  }
  if (options.root.empty()) throw UsageError("missing --root");
  if (app.count("--port") != 0) {
    auto number = tools::parseUnsignedDecimal(port, 65535);
    if (!number) throw UsageError("--port must be a number from 0 to 65535, got '" + port + "'");
    options.port = static_cast<int>(*number);
  }
  return options;
}

}  // namespace

CommandLine readCommandLine(const std::vector<std::string>& args, std::ostream& out,
                            std::ostream& err) {
  try {
    return {parseCommandLine(args, out), 0};
  } catch (const UsageError& error) {
    return {std::nullopt, tools::reportUsageError(err, "veltra-cdn", error.what(), kUsage)};
  }
}

}  // namespace veltra::cdn
