// Read-only memory mappings of whole files, with page advice and residency queries (POSIX).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>

namespace veltra::platform {

// The step of mapping a file that failed, with errno captured right after the failing call
// (0 for an empty file).
struct MapFailure {
  enum class Step { open, stat, empty, map };
  Step step;
  int errorNumber;
};

// Access-pattern hints handed to madvise.
enum class PageAdvice { normal = 0, random = 1, sequential = 2, willNeed = 3 };

// Owns one read-only shared mapping of a whole file; unmaps it when destroyed. The descriptor is
// closed once the mapping exists. Move-only. Reading the bytes is thread-safe.
class MappedFile {
 public:
  // Maps the file at `path`; on failure no mapping and no descriptor is left.
  static std::variant<MappedFile, MapFailure> map(const std::string& path);

  MappedFile(MappedFile&& other) noexcept;
  MappedFile& operator=(MappedFile&& other) noexcept;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile();

  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }

  // Applies `advice` to the whole mapping; returns 0 or errno.
  int advise(PageAdvice advice) const;
  // Stores the number of resident pages in `pages`; returns 0 or errno.
  int residentPages(std::size_t& pages) const;

  // Returns the system page size, queried once.
  static std::size_t pageSize();

 private:
  MappedFile(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace veltra::platform
