// What one update run of either pipeline works with, and the attempt loop they share.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/bytes.h"
#include "platform/logging.h"
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

// How one pipeline's attempts differ from the other's.
struct AttemptRules {
  const char* downloadFailedLog;       // with the attempt and the description
  const char* decompressionFailedLog;  // with the attempt and the description
  const char* finalFailureLog;         // with maxAttempts
  // Checks the compressed download; prints and logs a mismatch and returns its failure message.
  std::function<std::optional<std::string>(int attempt, ByteView download)> checkDownload;
  // Checks the decompressed result; prints and logs a mismatch and returns its failure message.
  std::function<std::optional<std::string>(int attempt, ByteView download, ByteView result)>
      checkResult;
};

// The outcome of the attempts: the verified artifact, or the exit code of a failed run (whose
// failure has been reported).
struct AttemptOutcome {
  std::optional<Bytes> artifact;
  // The decompressor's output file holding the same bytes, for the install to link.
  TemporaryFile artifactFile;
  ExitCode exitCode = ExitCode::success;
};

// Downloads, checks and decompresses `url` with up to maxAttempts attempts, 5 then 10 seconds
// apart; a decompression failure ends the run at once.
AttemptOutcome runAttempts(PipelineRun& run, const std::string& url, const AttemptRules& rules);

// Returns the first 16 characters of a digest (all of it when shorter).
std::string digestPrefix(const std::string& digest);

}  // namespace veltra::updater
