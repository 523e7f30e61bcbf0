// The real updater binary, killed with SIGKILL at moments spread over whole runs, and started
// eight times at once: the installed artifact is always the old or the new file byte for byte,
// a kill leaves at most one run's worth of temporaries, and the next run reclaims them.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "pipeline_fixture.h"
#include "platform/file_system.h"
#include "platform/gzip.h"

extern char** environ;

namespace veltra::updater {
namespace {

// Publishes an artifact large enough that a run spends a while in each step.
void publishLargeArtifact(testing::PipelineFixture& f) {
  std::mt19937 random(11);
  f.artifact.resize(6 << 20);
  for (auto& byte : f.artifact) byte = static_cast<std::uint8_t>(random() % 32);
  f.compressed = platform::gzipCompress(f.artifact, 1);
  f.dir.write("www/artifacts/blocklist.bin.gz", asText(f.compressed));
  f.manifest["size"] = f.artifact.size();
  f.manifest["sha256"] = platform::sha256Hex(f.artifact);
  f.manifest["compressedSize"] = f.compressed.size();
  f.manifest["compressedSha256"] = platform::sha256Hex(f.compressed);
  f.publish();
}

// Starts the updater binary on the fixture's folders; returns its PID.
pid_t startUpdater(testing::PipelineFixture& f) {
  std::vector<std::string> env = {
      "VELTRA_DATA_DIR=" + f.dataDirectory, "VELTRA_CDN_BASE=" + f.server.baseURL(),
      "VELTRA_NOTIFY_DIR=" + f.dir.file("notify"), "VELTRA_APP_BUNDLE=" + f.dir.file("Veltra.app"),
      "TMPDIR=" + f.dir.file("tmp")};
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string_view(*e).rfind("VELTRA_", 0) != 0 && std::string_view(*e).rfind("TMPDIR=", 0))
      env.emplace_back(*e);
  }
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = VELTRA_UPDATER_PATH, flag = "--update-blocklist";
  char* argv[] = {program.data(), flag.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  EXPECT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data()), 0);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int waitForExit(pid_t pid) {
  int status = 0;
  EXPECT_EQ(::waitpid(pid, &status, 0), pid);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::vector<std::string> temporaries(const std::string& folder) {
  std::vector<std::string> found;
  for (const auto& name : platform::FileSystem::real().listDirectory(folder, 1000)) {
    if (name.find(".tmp-") != std::string::npos || name.ends_with(".new")) found.push_back(name);
  }
  return found;
}

TEST(KilledRun, InstalledFileIsOldOrNewAfterAnyKillAndTheNextRunReclaimsWhatWasLeft) {
  testing::PipelineFixture f;
  platform::createDirectories(f.dir.file("tmp"));
  publishLargeArtifact(f);
  const std::string oldArtifact = "the previously installed artifact";
  auto reinstallOld = [&] {
    f.dir.write("data/blocklist-v4.bin", oldArtifact);
    std::filesystem::remove(f.dataPath("blocklist-v4-manifest.json"));
  };
  // A whole run's duration on this machine, so that the kills spread over every step of it.
  reinstallOld();
  auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(waitForExit(startUpdater(f)), 0);
  const auto whole = std::chrono::steady_clock::now() - started;
  constexpr int kKills = 16;
  for (int k = 0; k <= kKills; ++k) {
    const auto delay = whole * k / kKills;
    reinstallOld();
    pid_t pid = startUpdater(f);
    std::this_thread::sleep_for(delay);
    ::kill(pid, SIGKILL);
    waitForExit(pid);

    std::string installed = f.dataFile("blocklist-v4.bin");
    EXPECT_TRUE(installed == oldArtifact || installed == asText(f.artifact)) << k;
    // At most one run's worth: the download, the decompressed file, one status temporary.
    EXPECT_LE(temporaries(f.dataDirectory).size(), 3u) << k;
    EXPECT_TRUE(platform::FileSystem::real().listDirectory(f.dir.file("tmp"), 10).empty()) << k;
  }
  // The next run (up to date or not) holds the lock and removes every leftover.
  EXPECT_EQ(waitForExit(startUpdater(f)), 0);
  EXPECT_EQ(temporaries(f.dataDirectory), std::vector<std::string>{});
  EXPECT_EQ(f.dataFile("blocklist-v4.bin"), asText(f.artifact));
}

TEST(KilledRun, EightUpdatersStartedAtOnceAllSucceedWithOneDownload) {
  testing::PipelineFixture f;
  platform::createDirectories(f.dir.file("tmp"));
  publishLargeArtifact(f);
  std::vector<pid_t> pids;
  for (int i = 0; i < 8; ++i) pids.push_back(startUpdater(f));
  for (pid_t pid : pids) EXPECT_EQ(waitForExit(pid), 0);
  EXPECT_EQ(f.downloads(), 1u);
  EXPECT_EQ(f.dataFile("blocklist-v4.bin"), asText(f.artifact));
  EXPECT_EQ(temporaries(f.dataDirectory), std::vector<std::string>{});
}

}  // namespace
}  // namespace veltra::updater
