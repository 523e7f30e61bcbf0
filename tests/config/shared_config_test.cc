#include "config/shared_config.h"

#include <sys/stat.h>

#include <limits>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/fake_time.h"
#include "support/faulty_file_system.h"
#include "support/temp_dir.h"

namespace veltra::config {
namespace {

using platform::LogLevel;

class SharedConfigTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::FakeClock clock;
  platform::RecordingLogSink sink;
  platform::ScopedLogSink scope{sink};
  std::string folder = dir.file("data");

  std::string configText() const { return dir.read("data/config.json"); }
};

TEST_F(SharedConfigTest, MissingFileGivesFreshRecordWithoutWriting) {
  SharedConfig store(folder, clock);
  EXPECT_EQ(store.readConfig(), Config{});
  EXPECT_FALSE(platform::fileExists(store.configPath()));
}

TEST_F(SharedConfigTest, FirstWriteCreatesFolder0755AndFile0644) {
  mode_t saved = ::umask(077);
  SharedConfig store(folder, clock);
  platform::removeFile(folder);
  ::rmdir(folder.c_str());
  store.writeConfig(Config{});
  ::umask(saved);
  EXPECT_EQ(platform::fileMode(folder), 0755u);
  EXPECT_EQ(platform::fileMode(store.configPath()), 0644u);
  EXPECT_EQ(Config::decode(asBytes(configText())), Config{});
  EXPECT_FALSE(platform::fileExists(store.configPath() + ".tmp"));
  EXPECT_TRUE(sink.contains(LogLevel::defaultLevel, "Config written successfully (atomic)"));
}

TEST_F(SharedConfigTest, ReadsAreCachedForOneSecond) {
  SharedConfig store(folder, clock);
  dir.write("data/config.json", R"({"sequenceNumber": 1})");
  EXPECT_EQ(store.readConfig().sequenceNumber, 1);
  dir.write("data/config.json", R"({"sequenceNumber": 2})");
  clock.advance(std::chrono::milliseconds(999));
  EXPECT_EQ(store.readConfig().sequenceNumber, 1);
  clock.advance(std::chrono::milliseconds(1));
  EXPECT_EQ(store.readConfig().sequenceNumber, 2);
}

TEST_F(SharedConfigTest, ReadAppliesMigrations) {
  SharedConfig store(folder, clock);
  dir.write("data/config.json", "{}");
  Config c = store.readConfig();
  EXPECT_EQ(c.configVersion, 2);
  EXPECT_EQ(c.blocklistFormatVersion, 4);
}

TEST_F(SharedConfigTest, UndecodableFileGivesFreshRecordAndErrorLog) {
  const char* cases[] = {R"({"sequenceNumber": "x"})", R"({"loggingLevel": 3})",
                         R"({"lastBlocklistUpdate": "2026-01-01T00:00:00.5Z"})", "not json"};
  for (const char* text : cases) {
    sink.clear();
    SharedConfig store(folder, clock);
    dir.write("data/config.json", text);
    EXPECT_EQ(store.readConfig(), Config{}) << text;
    EXPECT_TRUE(sink.contains(LogLevel::error, "Failed to read config: ")) << text;
    EXPECT_EQ(configText(), text);
  }
}

TEST_F(SharedConfigTest, MetadataUpdateStampsCountTimeAndSequence) {
  SharedConfig store(folder, clock);
  dir.write("data/config.json",
            R"({"sequenceNumber": 41, "configVersion": 2, "blocklistFormatVersion": 3,
                                    "basePresetId": "family", "futureKey": true})");
  store.updateBlocklistMetadata(123456);
  Config written = Config::decode(asBytes(configText()));
  EXPECT_EQ(written.sequenceNumber, 42);
  EXPECT_EQ(written.blocklistDomainCount, 123456);
  EXPECT_EQ(written.blocklistFormatVersion, 3);
  EXPECT_EQ(written.basePresetId, "family");
  EXPECT_NE(configText().find("\"lastBlocklistUpdate\": \"" + platform::formatIso8601(clock.now()) +
                              "\""),
            std::string::npos);
  EXPECT_TRUE(
      sink.contains(LogLevel::defaultLevel, "updateBlocklistMetadata(domainCount: 123456)"));
  EXPECT_TRUE(sink.contains(LogLevel::defaultLevel, "Blocklist metadata updated (seq=42)"));
}

TEST_F(SharedConfigTest, MetadataUpdateLeavesUndecodableFileUntouched) {
  SharedConfig store(folder, clock);
  const char* text = R"({"loggingLevel": 3, "sequenceNumber": 9})";
  dir.write("data/config.json", text);
  store.updateBlocklistMetadata(5);
  EXPECT_EQ(configText(), text);
  EXPECT_TRUE(sink.contains(LogLevel::error, "cannot be decoded and is left untouched"));
  EXPECT_EQ(store.readConfig(), Config{});
}

TEST_F(SharedConfigTest, SequenceNumberAtLargestValueStaysThere) {
  SharedConfig store(folder, clock);
  dir.write("data/config.json", R"({"sequenceNumber": 9223372036854775807})");
  store.updateBlocklistMetadata(1);
  EXPECT_EQ(Config::decode(asBytes(configText())).sequenceNumber,
            std::numeric_limits<std::int64_t>::max());
  EXPECT_TRUE(sink.contains(LogLevel::error, "cannot be increased"));
}

TEST_F(SharedConfigTest, FailedWriteIsLoggedAndKeepsOldFileAndCache) {
  testing::FaultyFileSystem io;
  SharedConfig store(folder, clock, io);
  dir.write("data/config.json", R"({"sequenceNumber": 3})");
  EXPECT_EQ(store.readConfig().sequenceNumber, 3);
  io.failOn(testing::FileCall::rename, 1, EACCES);
  Config next;
  next.sequenceNumber = 4;
  store.writeConfig(next);
  EXPECT_TRUE(sink.contains(LogLevel::error, "FAILED to write config: "));
  EXPECT_EQ(store.readConfig().sequenceNumber, 3);
  EXPECT_EQ(configText(), R"({"sequenceNumber": 3})");
}

TEST_F(SharedConfigTest, FolderThatCannotBeCreatedIsLogged) {
  SharedConfig store("/proc/veltra-no/data", clock);
  EXPECT_TRUE(sink.contains(LogLevel::error, "Failed to create config directory: "));
  store.writeConfig(Config{});
  EXPECT_TRUE(sink.contains(LogLevel::error, "FAILED to write config: "));
}

}  // namespace
}  // namespace veltra::config
