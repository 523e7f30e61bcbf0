#include "support/in_memory_file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/files.h"

namespace veltra::testing {

struct InMemoryFileSystem::Inode {
  std::uint64_t id = 0;
  Bytes data;
  mode_t mode = 0;
  Bytes durableData;
  mode_t durableMode = 0;
  const void* lockHolder = nullptr;
};

namespace {

std::string folderOf(const std::string& path) {
  std::string folder = platform::parentPath(path);
  return folder.empty() ? "." : folder;
}

}  // namespace

// An open file: a position over a shared inode.
class InMemoryFile : public platform::File {
 public:
  InMemoryFile(InMemoryFileSystem& owner, std::shared_ptr<InMemoryFileSystem::Inode> inode,
               std::string path, bool writable)
      : owner_(owner), inode_(std::move(inode)), path_(std::move(path)), writable_(writable) {}
  ~InMemoryFile() override { release(); }

  std::size_t read(void* data, std::size_t size) override {
    std::size_t n = readAt(position_, data, size);
    position_ += n;
    return n;
  }
  std::size_t readAt(std::uint64_t offset, void* data, std::size_t size) override {
    std::lock_guard<std::mutex> guard(owner_.mutex_);
    const Bytes& bytes = openInode()->data;
    if (offset >= bytes.size()) return 0;
    std::size_t n = std::min<std::size_t>(size, bytes.size() - offset);
    if (n != 0) std::memcpy(data, bytes.data() + offset, n);
    return n;
  }
  void append(ByteView bytes) override {
    writeAt(position_, bytes);
    position_ += bytes.size();
  }
  void writeAt(std::uint64_t offset, ByteView bytes) override {
    std::lock_guard<std::mutex> guard(owner_.mutex_);
    auto& inode = *writableInode("write");
    owner_.mutate("write", path_);
    if (inode.data.size() < offset + bytes.size()) inode.data.resize(offset + bytes.size());
    std::copy(bytes.begin(), bytes.end(), inode.data.begin() + static_cast<std::ptrdiff_t>(offset));
  }
  void sync() override {
    std::lock_guard<std::mutex> guard(owner_.mutex_);
    auto& inode = *openInode();
    owner_.mutate("fsync", path_);
    inode.durableData = inode.data;
    inode.durableMode = inode.mode;
  }
  void truncate(std::uint64_t size) override {
    std::lock_guard<std::mutex> guard(owner_.mutex_);
    auto& inode = *writableInode("ftruncate");
    owner_.mutate("ftruncate", path_);
    inode.data.resize(size);
  }
  void setPermissions(mode_t mode) override {
    std::lock_guard<std::mutex> guard(owner_.mutex_);
    auto& inode = *openInode();
    owner_.mutate("fchmod", path_);
    inode.mode = mode & 07777;
  }
  platform::FileStatus status() override {
    std::lock_guard<std::mutex> guard(owner_.mutex_);
    auto& inode = *openInode();
    return platform::FileStatus{1, inode.id, inode.data.size()};
  }
  int tryLockExclusive() override {
    std::lock_guard<std::mutex> guard(owner_.mutex_);
    auto& inode = *openInode();
    if (inode.lockHolder != nullptr && inode.lockHolder != this) return EWOULDBLOCK;
    inode.lockHolder = this;
    return 0;
  }
  void startWriteback(std::uint64_t, std::uint64_t) override {}
  void close() override { release(); }
  int nativeHandle() const override { return -1; }

 private:
  InMemoryFileSystem::Inode* openInode() {
    if (!inode_) throw platform::SystemError("read", path_, EBADF);
    return inode_.get();
  }
  InMemoryFileSystem::Inode* writableInode(const char* operation) {
    if (!inode_ || !writable_) throw platform::SystemError(operation, path_, EBADF);
    return inode_.get();
  }
  void release() {
    if (!inode_) return;
    std::lock_guard<std::mutex> guard(owner_.mutex_);
    if (inode_->lockHolder == this) inode_->lockHolder = nullptr;
    inode_.reset();
  }

  InMemoryFileSystem& owner_;
  std::shared_ptr<InMemoryFileSystem::Inode> inode_;
  std::string path_;
  bool writable_;
  std::uint64_t position_ = 0;
};

InMemoryFileSystem::InMemoryFileSystem() : folders_{"/", "."} {}
InMemoryFileSystem::~InMemoryFileSystem() = default;

void InMemoryFileSystem::crashAfter(std::size_t mutatingCalls) {
  std::lock_guard<std::mutex> guard(mutex_);
  crashAfter_ = mutatingCalls;
}

std::size_t InMemoryFileSystem::mutatingCalls() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return mutatingCalls_;
}

void InMemoryFileSystem::mutate(const char* operation, const std::string& path) {
  if (crashAfter_ && mutatingCalls_ >= *crashAfter_)
    throw platform::SystemError(operation, path, EIO);
  ++mutatingCalls_;
}

std::unique_ptr<InMemoryFileSystem> InMemoryFileSystem::afterPowerLoss() const {
  std::lock_guard<std::mutex> guard(mutex_);
  auto after = std::make_unique<InMemoryFileSystem>();
  after->folders_ = folders_;
  after->nextInode_ = nextInode_;
  // Names linked to one inode stay linked to one.
  std::map<const Inode*, std::shared_ptr<Inode>> copies;
  for (const auto& [path, inode] : durableFiles_) {
    auto& copy = copies[inode.get()];
    if (!copy) {
      copy = std::make_shared<Inode>();
      copy->id = inode->id;
      copy->data = copy->durableData = inode->durableData;
      copy->mode = copy->durableMode = inode->durableMode;
    }
    after->files_[path] = copy;
    after->durableFiles_[path] = copy;
  }
  return after;
}

std::optional<Bytes> InMemoryFileSystem::contentOf(const std::string& path) const {
  std::lock_guard<std::mutex> guard(mutex_);
  auto inode = findLocked(path);
  if (!inode) return std::nullopt;
  return inode->data;
}

std::shared_ptr<InMemoryFileSystem::Inode> InMemoryFileSystem::findLocked(
    const std::string& path) const {
  auto it = files_.find(path);
  return it == files_.end() ? nullptr : it->second;
}

void InMemoryFileSystem::requireFolderLocked(const std::string& path) const {
  if (!folders_.contains(folderOf(path))) throw platform::SystemError("open", path, ENOENT);
}

std::unique_ptr<platform::File> InMemoryFileSystem::open(const std::string& path,
                                                         const platform::OpenOptions& options) {
  using platform::OpenMode;
  std::lock_guard<std::mutex> guard(mutex_);
  requireFolderLocked(path);
  if (folders_.contains(path)) throw platform::SystemError("open", path, EISDIR);
  auto inode = findLocked(path);
  const bool creates = options.mode == OpenMode::createExclusive ||
                       (options.mode == OpenMode::createOrOpen && !inode);
  if (inode && options.mode == OpenMode::createExclusive)
    throw platform::SystemError("open", path, EEXIST);
  if (!inode && !creates) throw platform::SystemError("open", path, ENOENT);
  if (creates) {
    mutate("open", path);
    inode = std::make_shared<Inode>();
    inode->id = nextInode_++;
    inode->mode = options.permissions & 07777;
    files_[path] = inode;
  }
  return std::make_unique<InMemoryFile>(*this, std::move(inode), path,
                                        options.mode != OpenMode::read);
}

void InMemoryFileSystem::rename(const std::string& from, const std::string& to) {
  std::lock_guard<std::mutex> guard(mutex_);
  auto inode = findLocked(from);
  if (!inode) throw platform::SystemError("rename", to, ENOENT);
  if (folders_.contains(to)) throw platform::SystemError("rename", to, EISDIR);
  if (!folders_.contains(folderOf(to))) throw platform::SystemError("rename", to, ENOENT);
  mutate("rename", to);
  files_.erase(from);
  files_[to] = inode;
}

void InMemoryFileSystem::link(const std::string& from, const std::string& to) {
  std::lock_guard<std::mutex> guard(mutex_);
  auto inode = findLocked(from);
  if (!inode) throw platform::SystemError("link", to, ENOENT);
  if (files_.contains(to) || folders_.contains(to)) throw platform::SystemError("link", to, EEXIST);
  if (!folders_.contains(folderOf(to))) throw platform::SystemError("link", to, ENOENT);
  mutate("link", to);
  files_[to] = inode;
}

void InMemoryFileSystem::remove(const std::string& path) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (folders_.contains(path)) throw platform::SystemError("unlink", path, EISDIR);
  if (!files_.contains(path)) throw platform::SystemError("unlink", path, ENOENT);
  mutate("unlink", path);
  files_.erase(path);
}

void InMemoryFileSystem::syncDirectory(const std::string& path) {
  std::lock_guard<std::mutex> guard(mutex_);
  const std::string folder = path.empty() ? "." : path;
  if (!folders_.contains(folder)) throw platform::SystemError("open", folder, ENOENT);
  mutate("fsync", folder);
  std::erase_if(durableFiles_, [&](const auto& entry) { return folderOf(entry.first) == folder; });
  for (const auto& [name, inode] : files_) {
    if (folderOf(name) == folder) durableFiles_[name] = inode;
  }
}

void InMemoryFileSystem::createDirectory(const std::string& path, mode_t) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (folders_.contains(path) || files_.contains(path))
    throw platform::SystemError("mkdir", path, EEXIST);
  if (!folders_.contains(folderOf(path))) throw platform::SystemError("mkdir", path, ENOENT);
  mutate("mkdir", path);
  folders_.insert(path);
}

std::vector<std::string> InMemoryFileSystem::listDirectory(const std::string& path,
                                                           std::size_t maxEntries) {
  std::lock_guard<std::mutex> guard(mutex_);
  std::vector<std::string> names;
  auto take = [&](const std::string& entry) {
    if (names.size() < maxEntries && entry != path && folderOf(entry) == path)
      names.push_back(platform::fileName(entry));
  };
  for (const auto& [name, inode] : files_) take(name);
  for (const std::string& folder : folders_) take(folder);
  return names;
}

std::optional<platform::FileStatus> InMemoryFileSystem::status(const std::string& path) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (folders_.contains(path)) return platform::FileStatus{1, 0, 0};
  auto inode = findLocked(path);
  if (!inode) return std::nullopt;
  return platform::FileStatus{1, inode->id, inode->data.size()};
}

}  // namespace veltra::testing
