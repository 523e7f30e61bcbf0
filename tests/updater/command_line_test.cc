#include "updater/command_line.h"

#include <gtest/gtest.h>

#include "pipeline_fixture.h"
#include "platform/files.h"
#include "updater/korvel_updater.h"

namespace veltra::updater {
namespace {

struct RunCase {
  const char* name;
  std::vector<std::string> arguments;
  int exitCode;
  bool printsUsage;
  std::vector<std::string> lines;  // each must appear
  bool writesStatus;
};

class CommandLineRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(CommandLineRun, ExitCodeOutputAndStatusFile) {
  testing::PipelineFixture fixture;
  auto context = fixture.pipelineContext();
  const RunCase& c = GetParam();
  std::vector<std::string> arguments = {"/usr/local/bin/VeltraUpdater"};
  arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
  EXPECT_EQ(KorvelUpdater::run(arguments, context), c.exitCode);
  EXPECT_EQ(fixture.console.contains(KorvelUpdater::usageText()), c.printsUsage);
  for (const auto& line : c.lines) EXPECT_TRUE(fixture.console.contains(line + "\n")) << line;
  EXPECT_EQ(platform::fileExists(fixture.dataPath("updater-status.json")), c.writesStatus);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandLineRun,
    ::testing::Values(
        RunCase{"NoArguments", {}, 6, true, {}, false},
        RunCase{"OnlyVerbose", {"--verbose"}, 6, true, {}, false},
        RunCase{"CleanupBeatsUpdate", {"--update-blocklist", "--cleanup"}, 0, false, {}, false},
        RunCase{"FormatLast",
                {"--update-blocklist", "--format"},
                6,
                true,
                {"[VeltraUpdater] --format requires a value of 3 or 4"},
                false},
        RunCase{"FormatFive",
                {"--update-blocklist", "--format", "5"},
                6,
                true,
                {"[VeltraUpdater] --format requires a value of 3 or 4"},
                false},
        RunCase{"FormatWord",
                {"--update-blocklist", "--format", "four"},
                6,
                true,
                {"[VeltraUpdater] --format requires a value of 3 or 4"},
                false},
        RunCase{"FormatPlusFour",
                {"--update-blocklist", "--verbose", "--format", "+4"},
                0,
                false,
                {"[VeltraUpdater] Target blocklist format: 4"},
                true},
        RunCase{"FirstFormatWins",
                {"--update-blocklist", "--verbose", "--format", "3", "--format", "4"},
                0,
                false,
                {"[VeltraUpdater] Target blocklist format: 3"},
                true},
        RunCase{"FirstBadFormatWins",
                {"--update-blocklist", "--format", "9", "--format", "4"},
                6,
                true,
                {},
                false},
        RunCase{"UnknownTriggerIsIgnored",
                {"--update-blocklist", "--trigger", "cron"},
                0,
                false,
                {},
                true},
        RunCase{"VerboseStartLine",
                {"--cleanup", "--verbose"},
                0,
                false,
                {"[VeltraUpdater] Starting with arguments: [\"/usr/local/bin/VeltraUpdater\", "
                 "\"--cleanup\", "
                 "\"--verbose\"]",
                 "[VeltraUpdater] Running cleanup...", "[VeltraUpdater] Cleanup complete"},
                false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLine, TriggerIsRecordedOnlyForKnownValues) {
  auto parse = [](std::vector<std::string> rest) {
    rest.insert(rest.begin(), "VeltraUpdater");
    return CommandLine::parse(rest).trigger;
  };
  EXPECT_EQ(parse({"--trigger", "daemon"}), Trigger::daemon);
  EXPECT_EQ(parse({"--trigger", "launchd", "--trigger", "daemon"}), Trigger::launchd);
  EXPECT_FALSE(parse({"--trigger"}).has_value());
  EXPECT_FALSE(parse({"--trigger", "Daemon"}).has_value());
}

TEST(CommandLine, DecimalIntegersAreStrict) {
  EXPECT_EQ(parseDecimalInteger("+4"), 4);
  EXPECT_EQ(parseDecimalInteger("-3"), -3);
  EXPECT_EQ(parseDecimalInteger("0004"), 4);
  EXPECT_EQ(parseDecimalInteger("9223372036854775807"), 9223372036854775807LL);
  EXPECT_EQ(parseDecimalInteger("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
  for (const char* text : {"", "+", "4 ", " 4", "4.0", "0x4", "9223372036854775808", "--4"}) {
    EXPECT_FALSE(parseDecimalInteger(text).has_value()) << text;
  }
}

TEST(CommandLine, ConfiguredFormatSelectsPipelineWithoutOption) {
  for (std::int64_t configured : {3, 0, 7, 4}) {
    testing::PipelineFixture fixture;
    config::Config c;
    c.configVersion = 2;
    c.blocklistFormatVersion = configured;
    fixture.sharedConfig.writeConfig(c);
    auto context = fixture.pipelineContext();
    EXPECT_EQ(KorvelUpdater::run({"VeltraUpdater", "--update-blocklist", "--verbose"}, context), 0);
    EXPECT_TRUE(
        fixture.console.contains(configured == 4 ? "V4 update complete" : "] Update complete"));
    EXPECT_TRUE(
        fixture.console.contains("Target blocklist format: " + std::to_string(configured) + "\n"));
    auto status = fixture.dir.read("data/updater-status.json");
    EXPECT_NE(status.find("\"formatVersion\": " + std::to_string(configured)), std::string::npos);
  }
}

}  // namespace
}  // namespace veltra::updater
