#include "updater/artifact_file.h"

#include "core/hex.h"

namespace veltra::updater {

ArtifactFile ArtifactFile::create(const std::string& path, platform::FileSystem& fileSystem) {
  return ArtifactFile(platform::ExclusiveFile::create(path, fileSystem));
}

ArtifactFile::ArtifactFile(platform::ExclusiveFile file)
    : file_(std::move(file)), hasher_(std::make_unique<platform::Sha256>()) {}

void ArtifactFile::append(ByteView chunk) {
  file_.append(chunk);
  hasher_->update(chunk);
}

const std::string& ArtifactFile::sha256Hex() {
  if (!digest_) digest_ = toHex(hasher_->finish());
  return *digest_;
}

}  // namespace veltra::updater
