// Everything an updater run depends on, gathered so that tests can substitute each piece.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "config/shared_config.h"
#include "platform/clock.h"
#include "platform/darwin_notification_center.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "updater/blocklist_updater_status.h"
#include "updater/console.h"
#include "updater/transport_settings.h"

namespace veltra::updater {

// The run's dependencies. Does not own them; they must outlive the run.
struct UpdaterContext {
  platform::Environment environment;
  const platform::Clock* clock;
  platform::Sleeper* sleeper;
  platform::DarwinNotificationCenter* notifications;
  // Null means the process-wide store, created on first use (so a cleanup never creates it).
  config::SharedConfig* sharedConfig;
  Console* console;
  platform::FileSystem* fileSystem;
  TransportSettings transport;
  // Sees every status record the run writes; empty in production.
  std::function<void(const BlocklistUpdaterStatus&)> statusObserver;

  // Returns the production context: process environment, system clock, real sleeper, the
  // shared notification center and configuration store, standard output.
  static UpdaterContext production();

  // Returns the configuration store of the run.
  config::SharedConfig& config() const {
    return sharedConfig ? *sharedConfig : config::SharedConfig::shared();
  }

  // Returns the path of `name` in the data folder.
  std::string dataPath(std::string_view name) const {
    return platform::joinPath(environment.dataDirectory, name);
  }
};

}  // namespace veltra::updater
