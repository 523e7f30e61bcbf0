// The names of an update run's temporary files, and the reclaiming of those a killed run left.
//
// Every temporary file of a run lives in the data folder and is named
// "<owner>.tmp-<random>[.gz]", where <owner> is one of the run's own files below: the download
// and the decompressed artifact ("blocklist-v4.bin.tmp-<UUID>.gz", "blocklist-v4.bin.tmp-<UUID>"),
// the atomic replacements of the status file and the manifest and metadata copies
// ("updater-status.json.tmp-<random>", ...), the copy that stands in for a backup link
// ("blocklist-v4.bin.old.tmp-<UUID>"). A SIGKILL can leave them behind; the next run, once it
// holds the updater lock, and the cleanup, when no run holds it, remove them.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace veltra::updater {

// Returns "<ownerPath>.tmp-<new UUID><extension>".
std::string temporaryPathFor(const std::string& ownerPath, const std::string& extension = "");

// Tells whether `name` (a file name in the data folder) is a temporary of some run, or a
// ".new" file an interrupted install left.
bool isRunLeftover(const std::string& name);

// Tells whether `name` (a file name in the temporary folder) is a decompressor file of an
// earlier version of the updater, which worked there: "blocklist-<UUID>.bin" or ".bin.gz".
bool isOldDecompressorFile(const std::string& name);

// Removes the leftovers of killed runs: temporaries and ".new" files in `dataDirectory`, and the
// old decompressor files in `temporaryDirectory`. Only names directly in those folders are
// looked at (a bounded number), nothing is followed or entered. Call only while no run can be
// writing them, that is while holding the updater lock or having seen it free. Returns the
// names removed.
std::vector<std::string> reclaimRunLeftovers(
    const std::string& dataDirectory, const std::string& temporaryDirectory,
    platform::FileSystem& fileSystem = platform::FileSystem::real());

}  // namespace veltra::updater
