#include "config/uninstall_retention.h"

namespace veltra::config {

const UninstallRetentionProperties& properties(UninstallRetention level) {
  static const std::array<UninstallRetentionProperties, 3> kTable = {{
      {"Complete Removal",
       "Remove all data, settings, and stored credentials",
       false,
       {},
       {},
       false,
       true},
      {"Keep Settings",
       "Keep configuration for quick reinstall",
       true,
       {"config.json", "daemon-config.json"},
       {"trustedNetworks", "hasCompletedSetup", "launchAtLogin"},
       false,
       false},
      {"Keep All Data",
       "Keep blocklist, stats, and settings",
       false,
       {"config.json", "daemon-config.json", "blocklist.bin", "stats.db", "stats.db-shm",
        "stats.db-wal"},
       {},
       true,
       false},
  }};
  return kTable[static_cast<std::size_t>(level)];
}

}  // namespace veltra::config
