// A file of the run that receives an artifact's bytes and hashes them on the way.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/exclusive_file.h"
#include "platform/sha256.h"
#include "updater/download_accumulator.h"

namespace veltra::updater {

// Receives a download, or the decompressor's output, into a file of the run created
// exclusively in the data folder, and computes its SHA-256 from the same bytes as they pass, so
// that nothing is held in memory and nothing is read back. Owns the file (removed when the object
// is destroyed, unless installed). Movable; not thread-safe.
class ArtifactFile : public BodySink {
 public:
  // Creates the file at `path`. Throws platform::SystemError.
  static ArtifactFile create(const std::string& path,
                             platform::FileSystem& fileSystem = platform::FileSystem::real());

  ArtifactFile(ArtifactFile&&) noexcept = default;
  ArtifactFile& operator=(ArtifactFile&&) noexcept = default;

  void append(ByteView chunk) override;
  // Returns the SHA-256 of everything appended as 64 lowercase hexadecimal digits; nothing may be
  // appended afterwards.
  const std::string& sha256Hex();
  std::int64_t size() const { return static_cast<std::int64_t>(file_.size()); }
  platform::ExclusiveFile& file() { return file_; }

 private:
  explicit ArtifactFile(platform::ExclusiveFile file);

  platform::ExclusiveFile file_;
  std::unique_ptr<platform::Sha256> hasher_;
  std::optional<std::string> digest_;
};

}  // namespace veltra::updater
