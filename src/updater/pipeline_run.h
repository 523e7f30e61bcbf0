// What one update run of either pipeline works with, and the attempt loop they share.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/bytes.h"
#include "platform/logging.h"
#include "platform/system_error.h"
#include "updater/artifact_file.h"
#include "updater/install_steps.h"
#include "updater/korvel_updater.h"
#include "updater/transport.h"
#include "updater/updater_status_reporter.h"

namespace veltra::updater {

inline constexpr int maxAttempts = 3;

// The run's flags, its reporter and its dependencies. Lives for one pipeline call.
struct PipelineRun {
  bool force;
  bool verbose;
  UpdaterStatusReporter& reporter;
  UpdaterContext& context;
  platform::Logger logger{"tessel.Korvel2.updater", "Main"};
  Transport transport{context.transport, *context.clock, *context.console};
  std::chrono::system_clock::time_point startedAt = context.clock->now();

  // Prints "[VeltraUpdater] " + `text`.
  void say(const std::string& text) const { context.console->say(text); }
  // Prints "[VeltraUpdater] " + `text` with --verbose only.
  void sayVerbose(const std::string& text) const {
    if (verbose) context.console->say(text);
  }
  // Returns the seconds since the run started with one decimal ("%.1f").
  std::string elapsedText() const;
};

// What the attempts learnt of one downloaded artifact.
struct DownloadFacts {
  std::int64_t length;
  std::string sha256;
};

// What the attempts learnt of one decompressed artifact.
struct DecompressedFacts {
  std::int64_t length;
  std::string sha256;
  // The output went past the decompression limit (the declared size for a V4 artifact); only
  // its first limit + 1 bytes were kept, and `length` and `sha256` describe those.
  bool exceedsLimit;
};

// How one pipeline's attempts differ from the other's.
struct AttemptRules {
  const char* downloadFailedLog;       // with the attempt and the description
  const char* decompressionFailedLog;  // with the attempt and the description
  const char* finalFailureLog;         // with maxAttempts
  // The installed file's name in the data folder; the run's temporaries carry it.
  const char* artifactName;
  // What the install-failure line and log say before the description ("Failed to install ...").
  const char* installFailure;
  // Output beyond this is not kept; for a V4 artifact its declared size, so that a small
  // download cannot expand into a full disk.
  std::uint64_t decompressionLimit;
  // Whether output beyond the limit is a size mismatch (retried) rather than a failure of the
  // decompression (final).
  bool limitIsDeclaredSize;
  // Checks the compressed download; prints and logs a mismatch and returns its failure message.
  std::function<std::optional<std::string>(int attempt, const DownloadFacts& download)>
      checkDownload;
  // Checks the decompressed result; prints and logs a mismatch and returns its failure message.
  std::function<std::optional<std::string>(int attempt, const DownloadFacts& download,
                                           const DecompressedFacts& result)>
      checkResult;
};

// The outcome of the attempts: the verified artifact, or the exit code of a failed run (whose
// failure has been reported).
struct AttemptOutcome {
  // The verified artifact in a file of the run, ready to be renamed into place.
  std::optional<ArtifactFile> artifact;
  ExitCode exitCode = ExitCode::success;
};

// Downloads, checks and decompresses `url` with up to maxAttempts attempts, 5 then 10 seconds
// apart; a decompression failure ends the run at once, and so does a data folder that cannot
// hold the files (as an install failure).
AttemptOutcome runAttempts(PipelineRun& run, const std::string& url, const AttemptRules& rules);

// How a pipeline records an installed artifact and reports its success.
struct Completion {
  std::int64_t domainCount;
  // Saves the document that describes the installed artifact beside it; reports its own failures.
  std::function<void()> saveDescription;
  // Printed before "<domainCount> domains in <seconds>s".
  const char* completeLine;
  // Logged with the domain count.
  const char* completeLog;
};

// Renames the outcome's verified artifact over rules.artifactName in the data folder (the previous
// one kept as ".old"), then saves its description, records the domain count in the shared
// configuration, posts the updated notification and reports completion. An install the data
// folder refuses is reported as failInstall does.
ExitCode installAndFinish(PipelineRun& run, AttemptOutcome& outcome, const AttemptRules& rules,
                          const Completion& completion);

// Reports an installation that the data folder refused: prints and logs `what` + ": " + the
// description, records a disk failure, returns writeFailed.
ExitCode failInstall(PipelineRun& run, const std::string& what, const platform::SystemError& error);

// Returns the first 16 characters of a digest (all of it when shorter).
std::string digestPrefix(const std::string& digest);

}  // namespace veltra::updater
