#include "updater/pipeline_run.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "platform/text_format.h"
#include "updater/install_steps.h"
#include "updater/run_temporaries.h"
#include "updater/transport_errors.h"

namespace veltra::updater {

namespace {

// One attempt's end: the verified artifact, or a failure the loop retries or reports.
struct AttemptResult {
  std::optional<ArtifactFile> artifact;
  // Set when the run must end now with this code (its failure already reported).
  std::optional<ExitCode> final;
  // For a failure to retry: outcome, kind and message of the failure.
  ExitCode outcome = ExitCode::downloadFailed;
  FailureKind kind = FailureKind::other;
  std::string message;
};

AttemptResult attemptOnce(PipelineRun& run, int attempt, const std::string& url,
                          const AttemptRules& rules, bool allowFileURL) {
  const std::string artifactPath = run.context.dataPath(rules.artifactName);
  AttemptResult result;
  std::optional<ArtifactFile> download;
  try {
    download = ArtifactFile::create(temporaryPathFor(artifactPath, ".gz"), *run.context.fileSystem);
    run.transport.downloadBlocklist(
        url, run.verbose,
        [&run](std::int64_t received, std::int64_t expected) {
          run.reporter.reportProgress(received, expected);
        },
        *download, allowFileURL);
  } catch (const platform::SystemError& error) {
    result.final = failInstall(run, rules.installFailure, error);
    return result;
  } catch (const std::exception& error) {
    std::string description = error.what();
    run.say("Download failed: " + description);
    run.logger.error(rules.downloadFailedLog, static_cast<long>(attempt), description);
    result.outcome = ExitCode::downloadFailed;
    result.kind = classify(error);
    result.message = description;
    return result;
  }

  DownloadFacts downloaded{download->size(), download->sha256Hex()};
  run.sayVerbose("Downloaded " + platform::formatFileByteCount(downloaded.length) + " compressed");
  std::optional<std::string> mismatch =
      rules.checkDownload ? rules.checkDownload(attempt, downloaded) : std::nullopt;
  if (!mismatch) {
    run.say("Decompressing...");
    std::optional<DecompressedArtifact> decompressed;
    try {
      decompressed = decompressArtifact(*download, temporaryPathFor(artifactPath),
                                        rules.decompressionLimit, *run.context.fileSystem);
      if (decompressed->exceedsLimit && !rules.limitIsDeclaredSize) {
        throw UpdaterError(3, "gunzip output exceeds the " +
                                  std::to_string(rules.decompressionLimit) + "-byte limit");
      }
    } catch (const platform::SystemError& error) {
      result.final = failInstall(run, rules.installFailure, error);
      return result;
    } catch (const std::exception& error) {
      std::string description = error.what();
      run.say("Decompression failed: " + description);
      run.logger.error(rules.decompressionFailedLog, static_cast<long>(attempt), description);
      run.reporter.reportFailure(FailureKind::integrity, "gunzip failed: " + description);
      result.final = ExitCode::decompressFailed;
      return result;
    }
    download.reset();  // the compressed file is not needed any more
    DecompressedFacts facts{decompressed->file.size(), decompressed->file.sha256Hex(),
                            decompressed->exceedsLimit};
    run.sayVerbose("Decompressed to " +
                   (facts.exceedsLimit
                        ? "more than " + platform::formatFileByteCount(
                                             static_cast<std::int64_t>(rules.decompressionLimit))
                        : platform::formatFileByteCount(facts.length)));
    mismatch = rules.checkResult(attempt, downloaded, facts);
    if (!mismatch) {
      run.sayVerbose("SHA256 verified ✓");
      result.artifact = std::move(decompressed->file);
      return result;
    }
  }
  result.outcome = ExitCode::checksumMismatch;
  result.kind = FailureKind::integrity;
  result.message = *mismatch;
  return result;
}

}  // namespace

std::string PipelineRun::elapsedText() const {
  double seconds = std::chrono::duration<double>(context.clock->now() - startedAt).count();
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", seconds);
  return buffer;
}

std::string digestPrefix(const std::string& digest) { return digest.substr(0, 16); }

ExitCode installAndFinish(PipelineRun& run, AttemptOutcome& outcome, const AttemptRules& rules,
                          const Completion& completion) {
  UpdaterContext& context = run.context;
  const std::string target = context.dataPath(rules.artifactName);
  run.reporter.setPhase(Phase::installing);
  try {
    atomicInstall(outcome.artifact->file(), target, target + ".new", target + ".old", run.verbose,
                  *context.console, *context.fileSystem);
  } catch (const platform::SystemError& error) {
    return failInstall(run, rules.installFailure, error);
  }
  outcome.artifact.reset();
  completion.saveDescription();
  context.config().updateBlocklistMetadata(completion.domainCount);
  context.notifications->post(kBlocklistUpdatedNotification);
  run.reporter.setPhase(Phase::complete);
  run.say(completion.completeLine + std::to_string(completion.domainCount) + " domains in " +
          run.elapsedText() + "s");
  run.logger.info(completion.completeLog, static_cast<long>(completion.domainCount));
  return ExitCode::success;
}

ExitCode failInstall(PipelineRun& run, const std::string& what,
                     const platform::SystemError& error) {
  run.say(what + ": " + error.description());
  run.logger.error(what + ": %s", error.description());
  run.reporter.reportFailure(FailureKind::disk, error.description());
  return ExitCode::writeFailed;
}

AttemptOutcome runAttempts(PipelineRun& run, const std::string& url, const AttemptRules& rules) {
  const TransportSettings& settings = run.context.transport;
  const double delays[] = {settings.firstRetryDelaySeconds, settings.secondRetryDelaySeconds};
  // A file URL names a file of this machine: acceptable from a local CDN folder, never from a
  // document that came over the network.
  const bool allowFileURL = urlScheme(run.context.environment.cdnBase) == "file";

  for (int attempt = 1; attempt <= maxAttempts; ++attempt) {
    run.reporter.setPhase(Phase::downloading);
    AttemptResult result = attemptOnce(run, attempt, url, rules, allowFileURL);
    if (result.artifact) return {std::move(result.artifact), ExitCode::success};
    if (result.final) return {std::nullopt, *result.final};

    if (attempt == maxAttempts) {
      run.say("All " + std::to_string(maxAttempts) + " attempts failed with error: " +
              (result.outcome == ExitCode::downloadFailed ? "downloadFailed" : "checksumMismatch"));
      run.logger.error(rules.finalFailureLog, static_cast<long>(maxAttempts));
      run.reporter.reportFailure(result.kind, result.message);
      return {std::nullopt, result.outcome};
    }
    double delay = delays[attempt - 1];
    run.say("Retry attempt " + std::to_string(attempt + 1) + "/" + std::to_string(maxAttempts) +
            " after " + formatSeconds(delay) + "s delay...");
    run.context.sleeper->sleep(std::chrono::duration<double>(delay));
  }
  return {std::nullopt, ExitCode::downloadFailed};
}

}  // namespace veltra::updater
