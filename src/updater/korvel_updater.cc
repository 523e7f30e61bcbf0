#include "updater/korvel_updater.h"

#include "platform/files.h"
#include "platform/logging.h"
#include "platform/system_error.h"
#include "updater/command_line.h"
#include "updater/exclusive_file_lock.h"
#include "updater/pipelines.h"
#include "updater/run_temporaries.h"
#include "updater/updater_status_reporter.h"

namespace veltra::updater {

const std::string& KorvelUpdater::usageText() {
  static const std::string text =
      "VeltraUpdater - Blocklist update tool for Veltra\n"
      "\n"
      "Usage:\n"
      "  VeltraUpdater --update-blocklist [--force] [--verbose] [--format 3|4] [--trigger "
      "launchd|daemon]\n"
      "  VeltraUpdater --cleanup [--verbose]\n"
      "\n"
      "Options:\n"
      "  --update-blocklist  Download and install latest pre-compiled blocklist from CDN\n"
      "  --force             Force download even if already up-to-date\n"
      "  --format 3|4        Override the blocklist artifact format to fetch\n"
      "                       (default: SharedConfig.blocklistFormatVersion)\n"
      "  --trigger launchd|daemon  Record which scheduler started this run in updater-status.json\n"
      "  --cleanup           Clean up old cache files (removes .old files > 7 days)\n"
      "  --verbose           Enable verbose logging\n"
      "\n"
      "This tool downloads the pre-compiled blocklist from the CDN.\n"
      "No local compilation is performed (that's done server-side).\n";
  return text;
}

int KorvelUpdater::run(const std::vector<std::string>& arguments, UpdaterContext& context) {
  Console& console = *context.console;
  const platform::Logger logger("tessel.Korvel2.updater", "Main");
  CommandLine options = CommandLine::parse(arguments);

  if (options.verbose) console.say("Starting with arguments: " + renderArgumentList(arguments));
  if (options.cleanup) {
    cleanup(options.verbose, context);
    return rawValue(ExitCode::success);
  }
  if (!options.updateBlocklist) {
    console.print(usageText());
    return rawValue(ExitCode::invalidArguments);
  }
  std::int64_t format;
  if (options.formatGiven) {
    if (!options.format) {
      console.say("--format requires a value of 3 or 4");
      console.print(usageText());
      return rawValue(ExitCode::invalidArguments);
    }
    format = *options.format;
  } else {
    format = context.config().readConfig().blocklistFormatVersion;
  }
  if (options.verbose) console.say("Target blocklist format: " + std::to_string(format));

  std::string lockPath = context.dataPath("updater.lock");
  std::optional<ExclusiveFileLock> lock;
  try {
    lock.emplace(lockPath);
  } catch (const platform::SystemError& error) {
    console.say("Cannot open lock file " + lockPath + ": " + error.description());
    return rawValue(ExitCode::writeFailed);
  }
  if (!lock->tryLock()) {
    console.say("Another updater is running; waiting for it to finish...");
    logger.notice("Waiting for the updater lock");
    try {
      lock->lock();
    } catch (const platform::SystemError& error) {
      // Running without the lock could interleave two installs; stop instead.
      std::string reason = platform::errorText(error.errorNumber());
      console.say("Cannot lock " + lockPath + ": " + reason);
      logger.error("Cannot take the updater lock: %s", reason);
      return rawValue(ExitCode::writeFailed);
    }
    console.say("Lock acquired; re-checking whether an update is still needed");
  }

  // Holding the lock, no other run is writing: what a killed run left can go.
  for (const std::string& name :
       reclaimRunLeftovers(context.environment.dataDirectory, platform::temporaryDirectory(),
                           *context.fileSystem)) {
    logger.notice("Removed %s left by an interrupted run", name);
  }

  UpdaterStatusReporter reporter(format, options.trigger, context.dataPath("updater-status.json"),
                                 *context.clock, *context.notifications, *context.fileSystem,
                                 context.statusObserver);
  reporter.setPhase(Phase::checking);
  ExitCode code = format == 4 ? runV4Update(options.force, options.verbose, reporter, context)
                              : runLegacyUpdate(options.force, options.verbose, reporter, context);
  // The lock is held until the process exits; in-process callers drop it here.
  return rawValue(code);
}

}  // namespace veltra::updater
