#include "updater/pipeline_run.h"

#include <cstdio>
#include <exception>

#include "platform/text_format.h"
#include "updater/install_steps.h"
#include "updater/transport_errors.h"

namespace veltra::updater {

std::string PipelineRun::elapsedText() const {
  double seconds = std::chrono::duration<double>(context.clock->now() - startedAt).count();
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", seconds);
  return buffer;
}

std::string digestPrefix(const std::string& digest) { return digest.substr(0, 16); }

AttemptOutcome runAttempts(PipelineRun& run, const std::string& url, const AttemptRules& rules) {
  const TransportSettings& settings = run.context.transport;
  const double delays[] = {settings.firstRetryDelaySeconds, settings.secondRetryDelaySeconds};
  ExitCode outcome = ExitCode::downloadFailed;
  FailureKind kind = FailureKind::other;
  std::string message;

  for (int attempt = 1; attempt <= maxAttempts; ++attempt) {
    run.reporter.setPhase(Phase::downloading);
    std::optional<Bytes> download;
    try {
      download = run.transport.downloadBlocklist(
          url, run.verbose, [&run](std::int64_t received, std::int64_t expected) {
            run.reporter.reportProgress(received, expected);
          });
    } catch (const std::exception& error) {
      std::string description = describe(error);
      run.say("Download failed: " + description);
      run.logger.error(rules.downloadFailedLog, static_cast<long>(attempt), description);
      outcome = ExitCode::downloadFailed;
      kind = classify(error);
      message = description;
    }
    if (download) {
      run.sayVerbose("Downloaded " +
                     platform::formatFileByteCount(static_cast<std::int64_t>(download->size())) +
                     " compressed");
      std::optional<std::string> mismatch =
          rules.checkDownload ? rules.checkDownload(attempt, *download) : std::nullopt;
      if (!mismatch) {
        run.say("Decompressing...");
        Decompressed result;
        try {
          result = gunzipKeepingOutput(*download, settings.maxDecompressedBytes);
        } catch (const std::exception& error) {
          std::string description = describe(error);
          run.say("Decompression failed: " + description);
          run.logger.error(rules.decompressionFailedLog, static_cast<long>(attempt), description);
          run.reporter.reportFailure(FailureKind::integrity, "gunzip failed: " + description);
          return {std::nullopt, {}, ExitCode::decompressFailed};
        }
        run.sayVerbose("Decompressed to " + platform::formatFileByteCount(
                                                static_cast<std::int64_t>(result.bytes.size())));
        mismatch = rules.checkResult(attempt, *download, result.bytes);
        if (!mismatch) {
          run.sayVerbose("SHA256 verified ✓");
          return {std::move(result.bytes), std::move(result.output), ExitCode::success};
        }
      }
      outcome = ExitCode::checksumMismatch;
      kind = FailureKind::integrity;
      message = *mismatch;
    }

    if (attempt == maxAttempts) {
      run.say("All " + std::to_string(maxAttempts) + " attempts failed with error: " +
              (outcome == ExitCode::downloadFailed ? "downloadFailed" : "checksumMismatch"));
      run.logger.error(rules.finalFailureLog, static_cast<long>(maxAttempts));
      run.reporter.reportFailure(kind, message);
      return {std::nullopt, {}, outcome};
    }
    double delay = delays[attempt - 1];
    run.say("Retry attempt " + std::to_string(attempt + 1) + "/" + std::to_string(maxAttempts) +
            " after " + formatSeconds(delay) + "s delay...");
    run.context.sleeper->sleep(std::chrono::duration<double>(delay));
  }
  return {std::nullopt, {}, outcome};
}

}  // namespace veltra::updater
