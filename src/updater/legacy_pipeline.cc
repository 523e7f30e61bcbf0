// The update run for the legacy (format 3) blocklist.
#include <exception>

#include "core/json_fields.h"
#include "platform/files.h"
#include "platform/sha256.h"
#include "platform/text_format.h"
#include "updater/blocklist_metadata.h"
#include "updater/install_steps.h"
#include "updater/pipeline_run.h"
#include "updater/pipelines.h"
#include "updater/transport_errors.h"

namespace veltra::updater {

namespace {

// Returns the digest of the installed blocklist. The metadata copy stands for the blocklist
// only while "blocklist.bin" exists.
std::optional<std::string> currentLegacyDigest(const UpdaterContext& context) {
  std::string blocklistPath = context.dataPath("blocklist.bin");
  if (auto copy = platform::readFileBoundedIfPresent(context.dataPath("blocklist-metadata.json"),
                                                     json::kMaxDocumentBytes)) {
    try {
      BlocklistMetadata installed = BlocklistMetadata::decode(*copy);
      if (platform::fileExists(blocklistPath)) return installed.sha256;
    } catch (const json::DecodingError&) {
    }
  }
  try {
    return platform::sha256HexOfFile(blocklistPath);
  } catch (const platform::SystemError&) {
    return std::nullopt;
  }
}

void saveLegacyMetadata(const UpdaterContext& context, const BlocklistMetadata& metadata) {
  try {
    platform::writeFileAtomically(context.dataPath("blocklist-metadata.json"),
                                  asBytes(metadata.encode()), {.mode = 0644}, *context.fileSystem);
  } catch (const platform::SystemError&) {
    // The copy only saves a digest computation next time.
  }
}

}  // namespace

ExitCode runLegacyUpdate(bool force, bool verbose, UpdaterStatusReporter& reporter,
                         UpdaterContext& context) {
  PipelineRun run{force, verbose, reporter, context};
  run.sayVerbose("Fetching blocklist metadata from CDN...");
  const std::string metadataURL = context.environment.cdnBase + "/blocklists/blocklist.json";

  BlocklistMetadata metadata;
  try {
    metadata = BlocklistMetadata::decode(
        run.transport.fetchWithCacheBuster(metadataURL, "metadata", verbose));
  } catch (const std::exception& error) {
    std::string description = error.what();
    run.say("Failed to fetch metadata: " + description);
    run.logger.error("Failed to fetch metadata: %s", description);
    reporter.reportFailure(classify(error), description);
    return ExitCode::fetchMetadataFailed;
  }
  run.sayVerbose("CDN blocklist: v" + metadata.version + ", " +
                 std::to_string(metadata.domainCount) +
                 " domains, SHA256: " + digestPrefix(metadata.sha256) + "...");

  if (!force) {
    if (auto current = currentLegacyDigest(context)) {
      if (*current == metadata.sha256) {
        run.say("Blocklist is up-to-date (SHA256 matches)");
        reporter.setPhase(Phase::upToDate);
        return ExitCode::success;
      }
      run.sayVerbose("Current SHA256: " + digestPrefix(*current) + "... differs, updating...");
    }
  }

  run.say("Downloading blocklist (" + platform::formatFileByteCount(metadata.size) + ")...");
  run.sayVerbose("URL: " + metadata.url);
  AttemptRules rules;
  rules.downloadFailedLog = "Download failed (attempt %ld): %s";
  rules.decompressionFailedLog = "Decompression failed (attempt %ld): %s";
  rules.finalFailureLog = "Blocklist update failed after %ld retries";
  rules.artifactName = "blocklist.bin";
  rules.installFailure = "Failed to install blocklist";
  // Lengths never decide here; the fixed limit only keeps a bomb from filling the disk.
  rules.decompressionLimit = static_cast<std::uint64_t>(context.transport.maxDecompressedBytes);
  rules.limitIsDeclaredSize = false;
  rules.checkResult = [&](int attempt, const DownloadFacts& download,
                          const DecompressedFacts& result) -> std::optional<std::string> {
    const std::string& digest = result.sha256;
    if (digest == metadata.sha256) return std::nullopt;
    run.say("SHA256 mismatch!");
    run.say("  Expected:     " + metadata.sha256);
    run.say("  Got:          " + digest);
    run.say("  Metadata URL: " + metadataURL);
    run.say("  Download URL: " + metadata.url);
    run.say("  Compressed size:   " + std::to_string(download.length) + " bytes");
    run.say("  Decompressed size: " + std::to_string(result.length) + " bytes");
    run.say("  Expected size:     " + std::to_string(metadata.size) + " bytes");
    run.logger.error("SHA256 mismatch (attempt %ld): expected %s, got %s",
                     static_cast<long>(attempt), metadata.sha256, digest);
    return "SHA-256 mismatch";
  };
  AttemptOutcome outcome = runAttempts(run, metadata.url, rules);
  if (!outcome.artifact) return outcome.exitCode;
  return installAndFinish(run, outcome, rules,
                          {metadata.domainCount, [&] { saveLegacyMetadata(context, metadata); },
                           "Update complete: ", "Blocklist update complete: %ld domains from CDN"});
}

}  // namespace veltra::updater
