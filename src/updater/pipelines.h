// The two update pipelines: the V4 artifact and the legacy (format 3) blocklist.
#pragma once

#include "updater/korvel_updater.h"
#include "updater/updater_status_reporter.h"

namespace veltra::updater {

// Brings "blocklist-v4.bin" up to date. Reports its own failures; never throws.
ExitCode runV4Update(bool force, bool verbose, UpdaterStatusReporter& reporter,
                     UpdaterContext& context);

// Brings "blocklist.bin" up to date. Reports its own failures; never throws.
ExitCode runLegacyUpdate(bool force, bool verbose, UpdaterStatusReporter& reporter,
                         UpdaterContext& context);

}  // namespace veltra::updater
