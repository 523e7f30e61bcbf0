#include "platform/exclusive_file.h"

namespace veltra::platform {

ExclusiveFile ExclusiveFile::create(const std::string& path, FileSystem& fileSystem, mode_t mode) {
  auto file = fileSystem.open(
      path, {.mode = OpenMode::createExclusive, .names = NamePolicy::noLinks, .permissions = mode});
  return ExclusiveFile(fileSystem, std::move(file), path);
}

ExclusiveFile& ExclusiveFile::operator=(ExclusiveFile&& other) noexcept {
  if (this != &other) {
    release();
    fileSystem_ = other.fileSystem_;
    file_ = std::move(other.file_);
    path_ = std::move(other.path_);
    size_ = other.size_;
    writebackEvery_ = other.writebackEvery_;
    writebackStarted_ = other.writebackStarted_;
    other.path_.clear();
  }
  return *this;
}

ExclusiveFile::~ExclusiveFile() { release(); }

void ExclusiveFile::release() noexcept {
  file_.reset();
  if (!path_.empty()) fileSystem_->tryRemove(path_);
  path_.clear();
}

void ExclusiveFile::append(ByteView bytes) {
  file_->append(bytes);
  size_ += bytes.size();
  if (writebackEvery_ != 0 && size_ - writebackStarted_ >= writebackEvery_) {
    file_->startWriteback(writebackStarted_, size_ - writebackStarted_);
    writebackStarted_ = size_;
  }
}

void ExclusiveFile::publish(mode_t mode) {
  file_->setPermissions(mode);
  file_->sync();
}

void ExclusiveFile::renameTo(const std::string& to) {
  fileSystem_->rename(path_, to);
  path_ = to;
}

void ExclusiveFile::close() {
  if (!file_) return;
  auto file = std::move(file_);
  file->close();
}

}  // namespace veltra::platform
