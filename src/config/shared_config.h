// The one access path of a process to "config.json".
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "config/config.h"
#include "core/mutex.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/logging.h"

namespace veltra::config {

// Reads and writes "config.json" in the data folder, serving reads from a one-second cache.
// Thread-safe: one mutex makes each read and each write atomic within the process. Between
// processes only the temporary-file-and-rename write protects readers; the last writer wins.
class SharedConfig {
 public:
  // Creates the store for "config.json" in `configDirectory` and ensures the folder exists.
  explicit SharedConfig(std::string configDirectory,
                        const platform::Clock& clock = platform::Clock::system(),
                        platform::FileSystem& fileSystem = platform::FileSystem::real());
  SharedConfig(const SharedConfig&) = delete;
  SharedConfig& operator=(const SharedConfig&) = delete;

  // Returns the process-wide store over the configured data folder.
  static SharedConfig& shared();

  // Returns the record: cached if read less than a second ago, else read, decoded and migrated;
  // the fresh record when the file is missing or undecodable. Never fails.
  Config readConfig();

  // Writes the record atomically with mode 0644; failures are logged, never reported. A link
  // planted at "config.json" or "config.json.tmp" is replaced, never written through.
  void writeConfig(const Config& config);

  // Stamps the update time and `domainCount` and increases the sequence number. A file that
  // exists but cannot be decoded is left untouched (it may come from a newer version).
  void updateBlocklistMetadata(std::int64_t domainCount);

  // Creates the data folder with mode 0755 when missing; failures are logged.
  void ensureConfigDirectory();

  const std::string& configPath() const { return configPath_; }
  const std::string& configDirectory() const { return configDirectory_; }

  static constexpr double cacheValiditySeconds = 1.0;

 private:
  struct ReadResult {
    Config config;
    bool fileUndecodable = false;
  };
  ReadResult readLocked() REQUIRES(lock_);
  void ensureConfigDirectoryLocked() REQUIRES(lock_);
  void writeLocked(const Config& config) REQUIRES(lock_);

  std::string configDirectory_;
  std::string configPath_;
  const platform::Clock& clock_;
  platform::FileSystem& fileSystem_;
  platform::Logger logger_;
  Mutex lock_;
  std::optional<Config> cachedConfig_ GUARDED_BY(lock_);
  std::optional<std::chrono::system_clock::time_point> lastReadTime_ GUARDED_BY(lock_);
  // Whether the cached record stands in for a file that exists but could not be decoded.
  bool cachedFromUndecodableFile_ GUARDED_BY(lock_) = false;
};

}  // namespace veltra::config
