#include "updater/updater_context.h"

namespace veltra::updater {

UpdaterContext UpdaterContext::production() {
  return UpdaterContext{
      .environment = platform::Environment::current(),
      .clock = &platform::Clock::system(),
      .sleeper = &platform::Sleeper::real(),
      .notifications = &platform::DarwinNotificationCenter::shared(),
      .sharedConfig = nullptr,
      .console = &Console::standardOutput(),
      .fileSystem = &platform::FileSystem::real(),
      .transport = {},
      .statusObserver = nullptr,
  };
}

}  // namespace veltra::updater
