#include "config/shared_config.h"

#include <limits>

#include "config/config_migration.h"
#include "core/json_fields.h"
#include "platform/environment.h"
#include "platform/files.h"

namespace veltra::config {

SharedConfig::SharedConfig(std::string configDirectory, const platform::Clock& clock,
                           platform::FileSystem& fileSystem)
    : configDirectory_(std::move(configDirectory)),
      configPath_(platform::joinPath(configDirectory_, "config.json")),
      clock_(clock),
      fileSystem_(fileSystem),
      logger_("tessel.Korvel2", "SharedConfig") {
  ensureConfigDirectory();
}

SharedConfig& SharedConfig::shared() {
  static SharedConfig instance(platform::Environment::current().dataDirectory);
  return instance;
}

Config SharedConfig::readConfig() {
  MutexLock guard(lock_);
  return readLocked().config;
}

SharedConfig::ReadResult SharedConfig::readLocked() {
  auto now = clock_.now();
  if (cachedConfig_ && lastReadTime_ &&
      std::chrono::duration<double>(now - *lastReadTime_).count() < cacheValiditySeconds) {
    return {*cachedConfig_, cachedFromUndecodableFile_};
  }
  ReadResult result;
  if (platform::fileExists(configPath_)) {
    try {
      result.config = Config::decode(
          platform::readFileBounded(configPath_, json::kMaxDocumentBytes, fileSystem_));
      migrateConfig(result.config, logger_);
    } catch (const json::DecodingError& error) {
      logger_.error("Failed to read config: %s", error.description());
      result = ReadResult{Config{}, true};
    } catch (const platform::SystemError& error) {
      logger_.error("Failed to read config: %s", error.description());
      result = ReadResult{Config{}, true};
    }
  }
  cachedConfig_ = result.config;
  cachedFromUndecodableFile_ = result.fileUndecodable;
  lastReadTime_ = now;
  return result;
}

void SharedConfig::writeConfig(const Config& config) {
  MutexLock guard(lock_);
  writeLocked(config);
}

void SharedConfig::writeLocked(const Config& config) {
  ensureConfigDirectoryLocked();
  logger_.notice("Writing config to: %s", configPath_);
  std::string text = config.encode();
  logger_.notice("Config JSON: %s", text);
  try {
    // The temporary sibling gets mode 0644 before it replaces "config.json" (or becomes it).
    platform::writeFileAtomically(configPath_, asBytes(text),
                                  {.mode = 0644, .tempPath = configPath_ + ".tmp"}, fileSystem_);
  } catch (const platform::SystemError& error) {
    logger_.error("FAILED to write config: %s", error.description());
    return;
  }
  logger_.notice("Config written successfully (atomic)");
  cachedConfig_ = config;
  cachedFromUndecodableFile_ = false;
  lastReadTime_ = clock_.now();
}

void SharedConfig::updateBlocklistMetadata(std::int64_t domainCount) {
  logger_.notice("updateBlocklistMetadata(domainCount: %ld)", static_cast<long>(domainCount));
  MutexLock guard(lock_);
  ReadResult read = readLocked();
  if (read.fileUndecodable) {
    // Writing would replace settings we could not understand (a newer app's file, say) with
    // defaults; keep the file and let its owner repair it.
    logger_.error("Not updating blocklist metadata: %s cannot be decoded and is left untouched",
                  configPath_);
    return;
  }
  Config config = read.config;
  config.lastBlocklistUpdate = clock_.now();
  config.blocklistDomainCount = domainCount;
  if (config.sequenceNumber == std::numeric_limits<std::int64_t>::max()) {
    logger_.error("sequenceNumber is at its largest value (%lld) and cannot be increased",
                  static_cast<long long>(config.sequenceNumber));
  } else {
    config.sequenceNumber += 1;
  }
  writeLocked(config);
  logger_.notice("Blocklist metadata updated (seq=%lld)",
                 static_cast<long long>(config.sequenceNumber));
}

void SharedConfig::ensureConfigDirectory() {
  MutexLock guard(lock_);
  ensureConfigDirectoryLocked();
}

void SharedConfig::ensureConfigDirectoryLocked() {
  if (platform::fileExists(configDirectory_)) return;
  try {
    platform::createDirectories(configDirectory_, 0755);
    platform::setMode(configDirectory_, 0755);
  } catch (const platform::SystemError& error) {
    logger_.error("Failed to create config directory: %s", error.description());
  }
}

}  // namespace veltra::config
