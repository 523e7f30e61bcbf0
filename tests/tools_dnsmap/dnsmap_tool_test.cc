#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dns_ip_map/dns_ip_map_writer.h"
#include "dns_ip_map/map_format.h"
#include "platform/files.h"
#include "run.h"
#include "support/fake_time.h"
#include "support/temp_dir.h"

namespace veltra::dnsmap_tool {
namespace {

constexpr std::uint32_t kNow = 1'800'000'000;

class DnsmapToolTest : public ::testing::Test {
 protected:
  DnsmapToolTest()
      : clock(std::chrono::system_clock::time_point(std::chrono::seconds(kNow))),
        center(dir.file("notify")) {
    context.in = &in;
    context.dataDirectory = dir.file("data");
    context.notificationCenter = &center;
    context.clock = &clock;
  }

  int runTool(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return run(args, out, err, context);
  }

  std::string map() const { return dir.file("data/dns-ip-map.bin"); }

  veltra::testing::TempDir dir;
  veltra::testing::FakeClock clock;
  platform::DarwinNotificationCenter center;
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
  ToolContext context;
};

TEST_F(DnsmapToolTest, AddDumpAndLookupOnTheDefaultMap) {
  ASSERT_EQ(runTool({"add", "--ip", "192.0.2.7", "--domain", "a.example", "--ttl", "300", "--flags",
                     "3"}),
            0)
      << err.str();
  EXPECT_EQ(out.str(), "committed 1 entries: entryCount 1, committedOffset 99, writeSequence 1\n");
  EXPECT_EQ(center.postCount("tessel.vevavuvud.dnsIPMapUpdated"), 1u);

  ASSERT_EQ(runTool({"dump"}), 0) << err.str();
  EXPECT_EQ(out.str(),
            "file " + map() +
                " (99 bytes)\nversion 1\nentryCount 1\nlastCompactedAt 1800000000\n"
                "writeSequence 1\ncommittedOffset 99\n"
                "64\tlength 35\tflags 3\trecordedAt 1800000000\tttl 300\texpiresAt 1800000300\t"
                "192.0.2.7\ta.example\n");

  ASSERT_EQ(runTool({"lookup", "192.0.2.7"}), 0);
  EXPECT_EQ(out.str(), "a.example\n");
  EXPECT_EQ(runTool({"lookup", "192.0.2.7", "--at", "1800000301"}), 1);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "veltra-dnsmap: no valid domain for 192.0.2.7\n");
}

TEST_F(DnsmapToolTest, StdinLinesCommitAsOneBatch) {
  in.str("10.0.0.1\tone.example\t60\n\n10.0.0.1\ttwo.example\t600\t7\t1799999990\r\n");
  std::string file = dir.file("custom.bin");
  ASSERT_EQ(runTool({"add", file, "--stdin"}), 0) << err.str();
  EXPECT_EQ(center.postCount("tessel.vevavuvud.dnsIPMapUpdated"), 1u);
  ASSERT_EQ(runTool({"lookup", file, "10.0.0.1"}), 0);
  EXPECT_EQ(out.str(), "one.example\ntwo.example\n");
  ASSERT_EQ(runTool({"dump", file}), 0);
  EXPECT_NE(out.str().find("flags 7\trecordedAt 1799999990\tttl 600"), std::string::npos)
      << out.str();
}

TEST_F(DnsmapToolTest, CompactDropsExpiredEntries) {
  ASSERT_EQ(runTool({"add", "--ip", "10.0.0.1", "--domain", "short.example", "--ttl", "10"}), 0);
  ASSERT_EQ(runTool({"add", "--ip", "10.0.0.2", "--domain", "long.example", "--ttl", "1000"}), 0);
  ASSERT_EQ(runTool({"compact", "--at", std::to_string(kNow + 100)}), 0) << err.str();
  EXPECT_EQ(out.str(),
            "compacted: kept 1 of 2 entries, committedOffset 139 -> 101, writeSequence 3\n");
  EXPECT_EQ(center.postCount("tessel.vevavuvud.dnsIPMapCompacted"), 1u);
  ASSERT_EQ(runTool({"dump"}), 0);
  EXPECT_NE(out.str().find("lastCompactedAt 1800000100\n"), std::string::npos);
  EXPECT_NE(out.str().find("long.example"), std::string::npos);
  EXPECT_EQ(out.str().find("short.example"), std::string::npos);
}

TEST_F(DnsmapToolTest, CompactOfAnEmptyMapChangesNothing) {
  in.str("");
  ASSERT_EQ(runTool({"add", "--stdin"}), 0);
  EXPECT_EQ(out.str(), "nothing to commit\n");
  ASSERT_EQ(runTool({"add", "--ip", "10.0.0.1", "--domain", "x.example", "--ttl", "1"}), 0);
  ASSERT_EQ(runTool({"compact", "--at", std::to_string(kNow + 10)}), 0);
  ASSERT_EQ(runTool({"compact"}), 0);
  EXPECT_EQ(out.str(), "nothing to compact: the map holds no entries\n");
}

TEST_F(DnsmapToolTest, ForeignFilesAreLeftAlone) {
  std::string file =
      dir.write("notes.txt", "these are not DNS answers, and they are longer than 64 bytes......");
  const std::string before = dir.read("notes.txt");
  EXPECT_EQ(runTool({"add", file, "--ip", "10.0.0.1", "--domain", "x.example", "--ttl", "1"}), 1);
  EXPECT_EQ(runTool({"compact", file}), 1);
  EXPECT_EQ(runTool({"dump", file}), 1);
  EXPECT_NE(err.str().find("is not a DNS-IP map"), std::string::npos);
  EXPECT_EQ(dir.read("notes.txt"), before);
  EXPECT_EQ(runTool({"dump", dir.file("missing.bin")}), 1);
  EXPECT_EQ(runTool({"lookup", dir.file("missing.bin"), "10.0.0.1"}), 1);
}

TEST_F(DnsmapToolTest, MapHeldByARunningWriterIsLeftToIt) {
  ASSERT_EQ(runTool({"add", "--ip", "10.0.0.1", "--domain", "x.example", "--ttl", "60"}), 0);
  dnsmap::DNSIPMapWriter daemon(map(),
                                dnsmap::DNSIPMapWriterServices{nullptr, &center, &clock, nullptr});
  ASSERT_TRUE(daemon.start());
  EXPECT_EQ(runTool({"add", "--ip", "10.0.0.2", "--domain", "y.example", "--ttl", "60"}), 1);
  EXPECT_NE(err.str().find("another writer holds it"), std::string::npos);
  EXPECT_EQ(runTool({"compact"}), 1);
  // Reading needs no lock.
  EXPECT_EQ(runTool({"lookup", "10.0.0.1"}), 0);
  EXPECT_EQ(runTool({"dump"}), 0);
}

TEST_F(DnsmapToolTest, UnstorableEntryIsRefused) {
  EXPECT_EQ(runTool({"add", "--ip", std::string(46, '1'), "--domain", "x.example", "--ttl", "1"}),
            1);
  EXPECT_NE(err.str().find("cannot store"), std::string::npos);
  EXPECT_FALSE(platform::fileExists(map()));
}

TEST_F(DnsmapToolTest, BadCommandLinesPrintUsage) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate"},
      {"add", "--ip", "10.0.0.1", "--domain", "x.example"},
      {"add", "--ip", "10.0.0.1", "--domain", "x.example", "--ttl", "-1"},
      {"add", "--ip", "10.0.0.1", "--domain", "x.example", "--ttl", "4294967296"},
      {"add", "--ip", "10.0.0.1", "--domain", "x.example", "--ttl", "5", "--flags", "256"},
      {"add", "--stdin", "--ip", "10.0.0.1"},
      {"add", "--ttl"},
      {"lookup"},
      {"lookup", "a", "b", "c"},
      {"dump", "--at", "5"},
      {"compact", "--ip", "10.0.0.1"},
  };
  for (const auto& args : cases) {
    EXPECT_EQ(runTool(args), kExitUsage) << (args.empty() ? "" : args[0]);
    EXPECT_NE(err.str().find("usage: veltra-dnsmap"), std::string::npos);
  }
  in.str("10.0.0.1\tx.example\n");
  EXPECT_EQ(runTool({"add", "--stdin"}), kExitUsage);
  EXPECT_EQ(err.str(),
            "veltra-dnsmap: line 1: expected \"ip<TAB>domain<TAB>ttl[<TAB>flags[<TAB>at]]\"\n");
  EXPECT_EQ(runTool({"--help"}), 0);
}

TEST_F(DnsmapToolTest, UsageErrorsNameTheArgument) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "missing command"},
      {{"frobnicate"}, "unknown command \"frobnicate\""},
      {{"--bogus"}, "unknown command \"--bogus\""},
      {{"add", "--bogus", "--stdin"}, "unknown option --bogus for add"},
      {{"dump", "--at", "5"}, "unknown option --at for dump"},
      {{"dump", "-x"}, "unknown option -x for dump"},
      {{"add", "--stdin", "--ttl"}, "missing value for --ttl"},
      {{"lookup", "10.0.0.1", "--at"}, "missing value for --at"},
      {{"add", "--ip", "1", "--domain", "d", "--ttl", "5m"}, "invalid number for --ttl: \"5m\""},
      {{"compact", "--at", "-5"}, "invalid number for --at: \"-5\""},
      {{"add", "--ip", "1", "--domain", "d", "--ttl", "5", "--flags", "0x1"},
       "invalid number for --flags: \"0x1\""},
      {{"lookup"}, "missing IP"},
      {{"dump", "a.bin", "b.bin"}, "too many arguments"},
      {{"add", "--stdin", "--domain", "d"}, "--stdin does not go with --ip, --domain or --ttl"},
  };
  for (const auto& [args, message] : cases) {
    EXPECT_EQ(runTool(args), kExitUsage) << message;
    EXPECT_EQ(err.str().rfind("veltra-dnsmap: " + message + "\nusage: veltra-dnsmap add ", 0), 0u)
        << err.str();
    EXPECT_EQ(out.str(), "");
  }
  EXPECT_FALSE(platform::fileExists(map()));
}

TEST_F(DnsmapToolTest, HelpAndVersion) {
  // The tool's help is its usage text, however asked for.
  for (const char* help : {"--help", "-h", "help"}) {
    ASSERT_EQ(runTool({help}), 0) << help;
    EXPECT_EQ(out.str().rfind("usage: veltra-dnsmap add [FILE] --ip IP", 0), 0u) << out.str();
    EXPECT_NE(out.str().find("FILE defaults to \"dns-ip-map.bin\""), std::string::npos);
  }
  const std::pair<const char*, std::vector<std::string>> commands[] = {
      {"add",
       {"FILE", "--ip IP", "--domain DOMAIN", "--ttl SECONDS", "--flags N", "--stdin",
        "--at UNIXSECONDS"}},
      {"dump", {"FILE"}},
      {"lookup", {"FILE", "IP", "--at UNIXSECONDS"}},
      {"compact", {"FILE", "--at UNIXSECONDS"}},
  };
  for (const auto& [command, options] : commands) {
    ASSERT_EQ(runTool({command, "--help"}), 0) << command;
    for (const std::string& option : options) {
      EXPECT_NE(out.str().find(option), std::string::npos) << option << " in\n" << out.str();
    }
  }
  ASSERT_EQ(runTool({"dump", "--help"}), 0);
  EXPECT_EQ(out.str().find("--at"), std::string::npos) << out.str();
  ASSERT_EQ(runTool({"--version"}), 0);
  EXPECT_THAT(out.str(), ::testing::MatchesRegex("veltra-dnsmap [0-9]+\\.[0-9]+\\.[0-9]+\n"));
  EXPECT_FALSE(platform::fileExists(map()));
}

}  // namespace
}  // namespace veltra::dnsmap_tool
