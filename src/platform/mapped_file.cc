#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace veltra::platform {
namespace {

int adviceValue(PageAdvice advice) {
  switch (advice) {
    case PageAdvice::normal:
      return MADV_NORMAL;
    case PageAdvice::random:
      return MADV_RANDOM;
    case PageAdvice::sequential:
      return MADV_SEQUENTIAL;
    case PageAdvice::willNeed:
      return MADV_WILLNEED;
  }
  return MADV_NORMAL;
}

}  // namespace

MappedFile MappedFile::map(const std::string& path) {
  using Case = MappingError::Case;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    int error = errno;
    throw MappingError(Case::openFailed, path, error);
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0) {
    int error = errno;
    ::close(fd);
    throw MappingError(Case::statFailed, path, error);
  }
  if (status.st_size < 1) {
    ::close(fd);
    throw MappingError(Case::emptyFile, path, 0);
  }
  const std::size_t size = static_cast<std::size_t>(status.st_size);
  void* address = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
  if (address == MAP_FAILED || address == nullptr) {
    int error = errno;
    ::close(fd);
    throw MappingError(Case::mapFailed, path, error);
  }
  ::close(fd);
  return MappedFile(static_cast<const std::uint8_t*>(address), size);
}

MappedFile::MappedFile(MappedFile&& other) noexcept : data_(other.data_), size_(other.size_) {
  other.data_ = nullptr;
  other.size_ = 0;
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    if (data_ != nullptr) ::munmap(const_cast<std::uint8_t*>(data_), size_);
    data_ = other.data_;
    size_ = other.size_;
    other.data_ = nullptr;
    other.size_ = 0;
  }
  return *this;
}

MappedFile::~MappedFile() {
  if (data_ != nullptr) ::munmap(const_cast<std::uint8_t*>(data_), size_);
}

void MappedFile::advise(PageAdvice advice) const {
  if (::madvise(const_cast<std::uint8_t*>(data_), size_, adviceValue(advice)) != 0) {
    int error = errno;
    throw MappingError(MappingError::Case::adviseFailed, "", error);
  }
}

std::size_t MappedFile::residentPages() const {
  const std::size_t pageCount = (size_ + pageSize() - 1) / pageSize();
#if defined(__APPLE__)
  std::vector<char> vector(pageCount, 0);
#else
  std::vector<unsigned char> vector(pageCount, 0);
#endif
  if (::mincore(const_cast<std::uint8_t*>(data_), size_, vector.data()) != 0) {
    int error = errno;
    throw MappingError(MappingError::Case::mincoreFailed, "", error);
  }
  std::size_t pages = 0;
  for (auto entry : vector) pages += (entry & 1) != 0;
  return pages;
}

std::size_t MappedFile::pageSize() {
  static const std::size_t size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  return size;
}

}  // namespace veltra::platform
