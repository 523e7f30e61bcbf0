#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "dns_ip_map/dns_ip_map_reader.h"
#include "dns_ip_map/dns_ip_map_writer.h"
#include "map_test_support.h"
#include "support/fake_time.h"
#include "support/temp_dir.h"

extern char** environ;

namespace veltra::dnsmap::testing {
namespace {

// Runs the writer helper with `args` after the map and notification paths; returns its status.
int runWriterProcess(const std::string& map, const std::string& notify,
                     std::vector<std::string> args) {
  std::vector<std::string> all = {MAP_WRITER_CHILD, map, notify};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid;
  if (posix_spawn(&pid, MAP_WRITER_CHILD, nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CrossProcessReader, FollowsAWriterInAnotherProcessThroughCommitsAndACompaction) {
  veltra::testing::TempDir dir;
  const std::string map = dir.file("dns-ip-map.bin");
  const std::string notify = dir.file("notify");
  veltra::testing::FakeClock clock{
      std::chrono::system_clock::time_point(std::chrono::seconds(kNow))};
  DNSIPMapReader reader(map, &clock);
  const std::string now = std::to_string(kNow);

  ASSERT_EQ(runWriterProcess(map, notify, {now, "commit", "0", "3", "50"}), 0);
  EXPECT_EQ(reader.refresh(), 3u);
  ASSERT_EQ(runWriterProcess(map, notify, {now, "commit", "3", "2", "5000"}), 0);
  EXPECT_EQ(reader.refresh(), 2u);
  EXPECT_EQ(reader.size(), 5u);
  EXPECT_EQ(reader.lookup("10.0.0.4", kNow), std::vector<std::string>{"host4.example.com"});

  // An hour later the first three have expired; the compaction swaps in a new file.
  const std::string later = std::to_string(kNow + 3600);
  clock.advance(std::chrono::hours(1));
  ASSERT_EQ(runWriterProcess(map, notify, {later, "compact"}), 0);
  ASSERT_EQ(runWriterProcess(map, notify, {later, "commit", "5", "1", "5000"}), 0);
  EXPECT_EQ(reader.refresh(), 3u);
  EXPECT_EQ(reader.size(), 3u);
  EXPECT_EQ(reader.lastKnownWriteSequence(), 4u);
  EXPECT_EQ(reader.lookup("10.0.0.0", kNow + 3600), std::vector<std::string>{});
  EXPECT_EQ(reader.lookup("10.0.0.5", kNow + 3600), std::vector<std::string>{"host5.example.com"});

  platform::DarwinNotificationCenter center(notify);
  EXPECT_EQ(center.postCount(kMapUpdatedNotification), 3u);
  EXPECT_EQ(center.postCount(kMapCompactedNotification), 1u);
}

}  // namespace
}  // namespace veltra::dnsmap::testing
