#include "command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

namespace veltra::cdn {
namespace {

constexpr char kUsageLine[] = "usage: veltra-cdn --root DIR [--port N] [--host ADDRESS]\n";

struct Read {
  CommandLine commandLine;
  std::string out;
  std::string err;
};

Read read(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  CommandLine commandLine = readCommandLine(args, out, err);
  return {commandLine, out.str(), err.str()};
}

TEST(CdnCommandLine, ValidLinesGiveTheOptions) {
  struct Case {
    std::vector<std::string> args;
    std::string root, host;
    int port;
  };
  const Case cases[] = {
      {{"--root", "www"}, "www", "127.0.0.1", 0},
      {{"--host", "::1", "--port", "8080", "--root", "www"}, "www", "::1", 8080},
      // Decimal as atoi read it, never octal; leading zeros and the ends of the range are fine.
      {{"--root", "www", "--port", "080"}, "www", "127.0.0.1", 80},
      {{"--root", "www", "--port", "65535"}, "www", "127.0.0.1", 65535},
      {{"--root", "www", "--port", "0"}, "www", "127.0.0.1", 0},
      // A repeated option keeps its last value; a value may look like an option.
      {{"--root", "a", "--root", "b"}, "b", "127.0.0.1", 0},
      {{"--root", "--host"}, "--host", "127.0.0.1", 0},
  };
  for (const Case& c : cases) {
    Read result = read(c.args);
    ASSERT_TRUE(result.commandLine.options) << c.args[0] << " " << c.args[1] << ": " << result.err;
    EXPECT_EQ(result.commandLine.options->root, c.root);
    EXPECT_EQ(result.commandLine.options->host, c.host);
    EXPECT_EQ(result.commandLine.options->port, c.port);
    EXPECT_EQ(result.out + result.err, "");
  }
}

TEST(CdnCommandLine, UsageErrorsNameTheArgumentAndExitTwo) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "missing --root"},
      {{"--root", ""}, "missing --root"},
      {{"--root"}, "--root needs a value"},
      {{"--root", "www", "--port"}, "--port needs a value"},
      {{"--root", "www", "--bogus"}, "unknown option --bogus"},
      {{"--root", "www", "stray"}, "unexpected argument stray"},
      {{"--root", "www", "--port", "http"}, "--port must be a number from 0 to 65535, got 'http'"},
      {{"--root", "www", "--port", "65536"},
       "--port must be a number from 0 to 65535, got '65536'"},
      {{"--root", "www", "--port", "-1"}, "--port must be a number from 0 to 65535, got '-1'"},
      {{"--root", "www", "--port", "0x50"}, "--port must be a number from 0 to 65535, got '0x50'"},
      {{"--root", "www", "--port", "80abc"},
       "--port must be a number from 0 to 65535, got '80abc'"},
  };
  for (const auto& [args, message] : cases) {
    Read result = read(args);
    EXPECT_FALSE(result.commandLine.options) << message;
    EXPECT_EQ(result.commandLine.exitStatus, 2) << message;
    EXPECT_EQ(result.err, "veltra-cdn: " + message + "\n" + kUsageLine);
    EXPECT_EQ(result.out, "");
  }
}

TEST(CdnCommandLine, HelpAndVersionEndAtOnceWithStatusZero) {
  Read help = read({"--help"});
  EXPECT_FALSE(help.commandLine.options);
  EXPECT_EQ(help.commandLine.exitStatus, 0);
  for (const char* option : {"--root DIR", "--port N", "--host ADDRESS", "--version", "--help"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option << " in\n" << help.out;
  }
  EXPECT_EQ(help.err, "");

  Read version = read({"--version"});
  EXPECT_FALSE(version.commandLine.options);
  EXPECT_EQ(version.commandLine.exitStatus, 0);
  EXPECT_THAT(version.out, ::testing::MatchesRegex("veltra-cdn [0-9]+\\.[0-9]+\\.[0-9]+\n"));
}

}  // namespace
}  // namespace veltra::cdn
