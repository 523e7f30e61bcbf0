// The veltra-artifact command line: usage errors, help and version. What a valid command line
// builds or prints is covered with each command.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "run.h"

namespace veltra::artifact_tool {
namespace {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome runTool(const std::vector<std::string>& args) {
  std::istringstream in;
  std::ostringstream out, err;
  int status = run(args, in, out, err);
  return {status, out.str(), err.str()};
}

TEST(ArtifactCommandLine, UsageErrorsNameTheArgumentThenShowTheUsage) {
  const std::vector<std::string> publish = {
      "publish",    "--registry", "r.json",     "--lists",           "lists",
      "--cdn-root", "cdn",        "--base-url", "http://x",          "--version",
      "1",          "--build-id", "../escape",  "--min-app-version", "1.0"};
  const std::vector<std::string> manifest = {
      "build",      "--registry",  "r.json",   "--lists",    "lists",  "-o",
      "a.bin",      "--gzip",      "a.bin.gz", "--manifest", "m.json", "--url",
      "http://x/a", "--version",   "1",        "--build-id", "b",      "--min-app-version",
      "1.0",        "--published", "tomorrow"};
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "missing command"},
      {{"frobnicate"}, "unknown command frobnicate"},
      {{"--bogus", "build"}, "unknown command --bogus"},
      {{"build", "--bogus", "x"}, "unknown option --bogus"},
      {{"build", "stray"}, "unexpected argument stray"},
      {{"build", "--lists", "lists", "--registry"}, "--registry needs a value"},
      {{"build", "--registry", "r.json", "--lists", "lists"}, "missing -o"},
      {{"lookup", "a.bin", "--enable"}, "--enable needs a value"},
      {{"lookup", "a.bin", "--json", "-x"}, "unknown option -x"},
      {{"inspect", "a.bin", "b.bin"}, "unexpected argument b.bin"},
      {{"dump"}, "missing ARTIFACT"},
      {publish, "--build-id may hold only letters, digits, '.', '_' and '-'"},
      {manifest, "--published must be an ISO 8601 date-time, got 'tomorrow'"},
  };
  for (const auto& [args, message] : cases) {
    Outcome outcome = runTool(args);
    EXPECT_EQ(outcome.status, 2) << message;
    EXPECT_EQ(
        outcome.err.rfind("veltra-artifact: " + message + "\nusage: veltra-artifact build ", 0), 0u)
        << outcome.err;
    EXPECT_EQ(outcome.out, "");
  }
}

TEST(ArtifactCommandLine, HelpListsTheOptionsEachCommandUses) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> shown;
    // Accepted by the command, as they always were, but unused by it.
    std::vector<std::string> hidden;
  };
  const Case cases[] = {
      {{"--help"}, {"build", "publish", "lookup", "inspect", "dump", "--version"}, {}},
      {{"build", "--help"},
       {"--registry REGISTRY.json", "--lists DIR", "-o OUT.bin", "--gzip OUT.bin.gz",
        "--manifest OUT.json", "--url URL", "--version V", "--build-id ID", "--min-app-version V",
        "--published ISO8601"},
       {"--cdn-root", "--base-url"}},
      {{"publish", "--help"},
       {"--registry", "--lists", "--cdn-root DIR", "--base-url URL", "--version", "--build-id",
        "--min-app-version", "--published"},
       {"-o OUT.bin", "--gzip", "--manifest", "--url"}},
      {{"lookup", "--help"}, {"ARTIFACT", "DOMAIN", "--enable KEY,KEY...", "--stdin"}, {"--json"}},
      {{"inspect", "-h"}, {"ARTIFACT", "--json"}, {"--enable", "--stdin"}},
      {{"dump", "--help"}, {"ARTIFACT"}, {"--enable", "--stdin", "--json"}},
  };
  for (const Case& c : cases) {
    Outcome outcome = runTool(c.args);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
    for (const std::string& option : c.shown) {
      EXPECT_NE(outcome.out.find(option), std::string::npos) << option << " in\n" << outcome.out;
    }
    for (const std::string& option : c.hidden) {
      EXPECT_EQ(outcome.out.find(option), std::string::npos) << option << " in\n" << outcome.out;
    }
  }
}

TEST(ArtifactCommandLine, VersionIsOneLine) {
  Outcome outcome = runTool({"--version"});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_THAT(outcome.out, ::testing::MatchesRegex("veltra-artifact [0-9]+\\.[0-9]+\\.[0-9]+\n"));
  EXPECT_EQ(outcome.err, "");
}

}  // namespace
}  // namespace veltra::artifact_tool
