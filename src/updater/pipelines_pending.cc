#include "updater/pipelines.h"

namespace veltra::updater {

// The download pipelines are not built yet: a run ends after publishing "checking".
ExitCode runV4Update(bool, bool, UpdaterStatusReporter&, UpdaterContext&) {
  return ExitCode::success;
}

ExitCode runLegacyUpdate(bool, bool, UpdaterStatusReporter&, UpdaterContext&) {
  return ExitCode::success;
}

}  // namespace veltra::updater
