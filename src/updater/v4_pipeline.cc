// The update run for artifact format 4.
#include <algorithm>
#include <exception>

#include "artifact_client/v4_manifest.h"
#include "core/json_fields.h"
#include "platform/files.h"
#include "platform/sha256.h"
#include "platform/text_format.h"
#include "updater/install_steps.h"
#include "updater/pipeline_run.h"
#include "updater/pipelines.h"
#include "updater/transport_errors.h"

namespace veltra::updater {

using BlocklistV4Client::V4Manifest;

namespace {

// Returns the digest of the installed artifact. The manifest copy stands for the artifact only
// while the artifact is there with the copy's size; otherwise the artifact's own digest counts,
// so a missing or damaged artifact is downloaded again.
std::optional<std::string> currentV4Digest(const UpdaterContext& context) {
  std::string artifactPath = context.dataPath("blocklist-v4.bin");
  if (auto copy = platform::readFileBoundedIfPresent(context.dataPath("blocklist-v4-manifest.json"),
                                                     json::kMaxDocumentBytes)) {
    try {
      V4Manifest installed = V4Manifest::decode(*copy);
      auto size = platform::fileSize(artifactPath);
      if (size && static_cast<std::int64_t>(*size) == installed.size) return installed.sha256;
    } catch (const json::DecodingError&) {
    }
  }
  try {
    return platform::sha256HexOfFile(artifactPath);
  } catch (const platform::SystemError&) {
    return std::nullopt;
  }
}

void persistV4Manifest(PipelineRun& run, ByteView bytes) {
  try {
    platform::writeFileAtomically(run.context.dataPath("blocklist-v4-manifest.json"), bytes,
                                  {.mode = 0644}, *run.context.fileSystem);
  } catch (const platform::SystemError& error) {
    run.say("Warning: failed to persist V4 manifest: " + error.description());
    run.logger.error("Failed to persist V4 manifest: %s", error.description());
  }
}

AttemptRules v4Rules(PipelineRun& run, const V4Manifest& manifest) {
  AttemptRules rules;
  rules.downloadFailedLog = "V4 download failed (attempt %ld): %s";
  rules.decompressionFailedLog = "V4 decompression failed (attempt %ld): %s";
  rules.finalFailureLog = "V4 blocklist update failed after %ld retries";
  rules.artifactName = "blocklist-v4.bin";
  rules.installFailure = "Failed to install V4 blocklist";
  rules.decompressionLimit = static_cast<std::uint64_t>(
      std::clamp<std::int64_t>(manifest.size, 0, run.context.transport.maxDecompressedBytes));
  rules.limitIsDeclaredSize = true;
  rules.checkDownload =
      [&run, &manifest](int attempt, const DownloadFacts& download) -> std::optional<std::string> {
    if (download.sha256 == manifest.compressedSha256) {
      run.sayVerbose("Compressed SHA256 verified ✓");
      return std::nullopt;
    }
    run.say("Compressed SHA256 mismatch!");
    run.say("  Expected: " + manifest.compressedSha256);
    run.say("  Got:      " + download.sha256);
    run.say("  Download URL: " + manifest.url);
    run.say("  Compressed size: " + std::to_string(download.length) + " bytes (expected " +
            std::to_string(manifest.compressedSize) + ")");
    run.logger.error("V4 compressed SHA256 mismatch (attempt %ld): expected %s, got %s",
                     static_cast<long>(attempt), manifest.compressedSha256, download.sha256);
    return "Compressed SHA-256 mismatch";
  };
  rules.checkResult = [&run, &manifest](
                          int attempt, const DownloadFacts&,
                          const DecompressedFacts& result) -> std::optional<std::string> {
    if (!result.exceedsLimit && result.sha256 == manifest.sha256 && result.length == manifest.size)
      return std::nullopt;
    run.say("SHA256/size mismatch!");
    run.say("  Expected SHA256: " + manifest.sha256);
    run.say("  Got SHA256:      " + result.sha256);
    run.say("  Expected size:   " + std::to_string(manifest.size) + " bytes");
    // Decompression stopped one byte past the declared size: the true size is not known.
    run.say("  Got size:        " +
            (result.exceedsLimit ? "more than " + std::to_string(manifest.size)
                                 : std::to_string(result.length)) +
            " bytes");
    run.logger.error("V4 SHA256/size mismatch (attempt %ld): expected %s, got %s",
                     static_cast<long>(attempt), manifest.sha256, result.sha256);
    return "SHA-256 or size mismatch";
  };
  return rules;
}

}  // namespace

ExitCode runV4Update(bool force, bool verbose, UpdaterStatusReporter& reporter,
                     UpdaterContext& context) {
  PipelineRun run{force, verbose, reporter, context};
  run.sayVerbose("Fetching V4 blocklist manifest from CDN...");

  Bytes manifestBytes;
  try {
    manifestBytes = run.transport.fetchWithCacheBuster(
        context.environment.cdnBase + "/blocklists/v4/blocklist.json", "V4 manifest", verbose);
  } catch (const std::exception& error) {
    std::string description = error.what();
    run.say("Failed to fetch V4 manifest: " + description);
    run.logger.error("Failed to fetch V4 manifest: %s", description);
    reporter.reportFailure(classify(error), description);
    return ExitCode::fetchMetadataFailed;
  }
  V4Manifest manifest;
  try {
    manifest = V4Manifest::decode(manifestBytes);
  } catch (const std::exception& error) {
    std::string description = error.what();
    run.say("Failed to decode V4 manifest: " + description);
    run.logger.error("Failed to decode V4 manifest: %s", description);
    reporter.reportFailure(classify(error), description);
    return ExitCode::fetchMetadataFailed;
  }
  run.sayVerbose("CDN V4 blocklist: v" + manifest.version + ", " +
                 std::to_string(manifest.domainCount) +
                 " domains, SHA256: " + digestPrefix(manifest.sha256) + "...");

  const std::string& bundle = context.environment.appBundle;
  if (auto installed = installedAppVersion(bundle)) {
    if (platform::compareNumeric(manifest.minAppVersion, *installed) > 0) {
      run.say("V4 manifest requires app version " + manifest.minAppVersion + "; installed app is " +
              *installed + " — keeping current V4 artifact");
      run.logger.notice("V4 update skipped: manifest requires %s, installed %s",
                        manifest.minAppVersion, *installed);
      reporter.setPhase(Phase::upToDate);
      return ExitCode::success;
    }
    run.sayVerbose("minAppVersion gate passed: installed " + *installed + " >= required " +
                   manifest.minAppVersion);
  } else {
    run.say("Could not read installed app version at " + bundle +
            " — proceeding without minAppVersion gate (fail-open)");
    run.logger.notice("V4 minAppVersion gate skipped: unable to read app version at %s", bundle);
  }

  if (!force) {
    if (auto current = currentV4Digest(context)) {
      if (*current == manifest.sha256) {
        run.say("V4 blocklist is up-to-date (SHA256 matches)");
        reporter.setPhase(Phase::upToDate);
        return ExitCode::success;
      }
      run.sayVerbose("Current V4 SHA256: " + digestPrefix(*current) + "... differs, updating...");
    }
  }

  run.say("Downloading V4 blocklist (" + platform::formatFileByteCount(manifest.compressedSize) +
          ")...");
  run.sayVerbose("URL: " + manifest.url);
  AttemptRules rules = v4Rules(run, manifest);
  AttemptOutcome outcome = runAttempts(run, manifest.url, rules);
  if (!outcome.artifact) return outcome.exitCode;
  return installAndFinish(
      run, outcome, rules,
      {manifest.domainCount, [&] { persistV4Manifest(run, manifestBytes); },
       "V4 update complete: ", "V4 blocklist update complete: %ld domains from CDN"});
}

}  // namespace veltra::updater
