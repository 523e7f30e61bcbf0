#include "updater/run_temporaries.h"

#include <array>
#include <cctype>
#include <string_view>

#include "platform/files.h"
#include "platform/random.h"

namespace veltra::updater {

namespace {

// The run's own files, whose temporaries carry their name.
constexpr std::array<std::string_view, 7> kTemporaryOwners = {
    "blocklist-v4.bin",           "blocklist.bin",
    "blocklist-v4.bin.old",       "blocklist.bin.old",
    "blocklist-v4-manifest.json", "blocklist-metadata.json",
    "updater-status.json"};

constexpr std::array<std::string_view, 2> kInterruptedInstalls = {"blocklist-v4.bin.new",
                                                                  "blocklist.bin.new"};

// Far more than a run leaves; a folder stuffed with entries costs no more than this.
constexpr std::size_t kMaxEntriesLookedAt = 100000;

// Tells whether `text` is a UUID in its upper-case text form.
bool isUpperCaseUuid(std::string_view text) {
  if (text.size() != 36) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    const char c = text[i];
    if (dash ? c != '-' : !(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F')))
      return false;
  }
  return true;
}

}  // namespace

std::string temporaryPathFor(const std::string& ownerPath, const std::string& extension) {
  return ownerPath + ".tmp-" + platform::randomUuidString() + extension;
}

bool isRunLeftover(const std::string& name) {
  for (std::string_view owner : kInterruptedInstalls) {
    if (name == owner) return true;
  }
  for (std::string_view owner : kTemporaryOwners) {
    if (name.size() > owner.size() + 5 && name.compare(0, owner.size(), owner) == 0 &&
        name.compare(owner.size(), 5, ".tmp-") == 0) {
      return true;
    }
  }
  return false;
}

bool isOldDecompressorFile(const std::string& name) {
  std::string_view rest(name);
  if (rest.substr(0, 10) != "blocklist-") return false;
  rest.remove_prefix(10);
  if (rest.size() < 36 || !isUpperCaseUuid(rest.substr(0, 36))) return false;
  rest.remove_prefix(36);
  return rest == ".bin" || rest == ".bin.gz";
}

std::vector<std::string> reclaimRunLeftovers(const std::string& dataDirectory,
                                             const std::string& temporaryDirectory,
                                             platform::FileSystem& fileSystem) {
  std::vector<std::string> removed;
  auto sweep = [&](const std::string& folder, bool (*matches)(const std::string&)) {
    for (const std::string& name : fileSystem.listDirectory(folder, kMaxEntriesLookedAt)) {
      // unlink removes a link itself, never what it points at, and fails on a folder.
      if (matches(name) && fileSystem.tryRemove(platform::joinPath(folder, name)))
        removed.push_back(name);
    }
  };
  sweep(dataDirectory, isRunLeftover);
  sweep(temporaryDirectory, isOldDecompressorFile);
  return removed;
}

}  // namespace veltra::updater
