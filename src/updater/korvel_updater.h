// The updater program: command line, cleanup, the cross-process lock and the run sequence.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/raw_value_table.h"
#include "updater/blocklist_updater_status.h"
#include "updater/updater_context.h"

namespace veltra::updater {

class KorvelUpdater {
 public:
  // The process exit status of a run.
  enum class ExitCode : std::int32_t {
    success = 0,
    fetchMetadataFailed = 1,
    downloadFailed = 2,
    decompressFailed = 3,
    checksumMismatch = 4,
    writeFailed = 5,
    invalidArguments = 6,
  };

  // Returns the usage text, one line per item, each ending in a newline.
  static const std::string& usageText();

  // Runs the program on `arguments` (program path first) and returns the process exit status.
  static int run(const std::vector<std::string>& arguments, UpdaterContext& context);

  // Removes ".old" blocklists older than 7 days and stale ".new" files; never fails.
  static void cleanup(bool verbose, UpdaterContext& context);
};

using ExitCode = KorvelUpdater::ExitCode;

inline constexpr auto kExitCodeRawValues =
    rawValueTable<ExitCode, std::int64_t>({0, 1, 2, 3, 4, 5, 6});

// Returns the raw value of `code`.
constexpr int rawValue(ExitCode code) { return static_cast<int>(kExitCodeRawValues.toRaw(code)); }

// Returns the exit code with raw value `raw` (0 to 6), or nothing.
constexpr std::optional<ExitCode> exitCodeFromRawValue(std::int64_t raw) {
  return kExitCodeRawValues.fromRaw(raw);
}

}  // namespace veltra::updater
