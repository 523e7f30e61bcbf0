// Read-only memory mappings of whole files, with page advice and residency queries (POSIX).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/mapping_error.h"

namespace veltra::platform {

// Access-pattern hints handed to madvise.
enum class PageAdvice { normal = 0, random = 1, sequential = 2, willNeed = 3 };

// Owns one read-only shared mapping of a whole file; unmaps it when destroyed. The descriptor is
// closed once the mapping exists. Move-only. Reading the bytes is thread-safe.
class MappedFile {
 public:
  // Maps the file at `path`; throws MappingError, leaving no mapping and no descriptor.
  static MappedFile map(const std::string& path);

  MappedFile(MappedFile&& other) noexcept;
  MappedFile& operator=(MappedFile&& other) noexcept;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile();

  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }

  // Applies `advice` to the whole mapping; throws MappingError (adviseFailed).
  void advise(PageAdvice advice) const;
  // Returns the number of the mapping's pages resident in memory; throws MappingError
  // (mincoreFailed).
  std::size_t residentPages() const;

  // Returns the system page size, queried once.
  static std::size_t pageSize();

 private:
  MappedFile(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace veltra::platform
