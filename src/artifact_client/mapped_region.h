// A read-only mapping of a whole file, kept for the life of the object, with page advice,
// pre-faulting and residency measurement.
#pragma once

#include <cstdint>
#include <string>

#include "core/bytes.h"
#include "platform/mapped_file.h"

namespace BlocklistV4Client {

// A failed mapping call, with the errno captured right after it; see platform::MappingError.
using RegionError = veltra::platform::MappingError;

// Owns one read-only mapping (at least 1 byte); unmaps it when destroyed. Not copyable. Reading
// buffer() from many threads is safe; touchAllPages() must not run concurrently on one region.
class MappedRegion {
 public:
  // Access-pattern hint, handed to madvise unchanged.
  using Advice = veltra::platform::PageAdvice;

  // Maps the file at `path` and applies `advice`; throws RegionError, leaving nothing open.
  MappedRegion(const std::string& path, Advice advice);
  MappedRegion(const MappedRegion&) = delete;
  MappedRegion& operator=(const MappedRegion&) = delete;

  // Applies `advice` to the whole mapping; throws RegionError (adviseFailed).
  void advise(Advice advice);
  // Reads one byte of every page so that each is faulted in once.
  void touchAllPages();
  // Returns the number of the mapping's pages resident in memory; throws RegionError.
  std::uint64_t fileCachedPages() const;
  // Returns resident pages / pageCount, 0.0 to 1.0; throws RegionError.
  double fileCachedFraction() const;

  veltra::ByteView buffer() const { return {file_.data(), file_.size()}; }
  std::int64_t count() const { return static_cast<std::int64_t>(file_.size()); }
  const std::string& path() const { return path_; }
  std::uint64_t pageCount() const { return (file_.size() + pageSize() - 1) / pageSize(); }
  static std::uint64_t pageSize() { return veltra::platform::MappedFile::pageSize(); }
  std::uint64_t touchSink() const { return touchSink_; }

 private:
  std::string path_;
  veltra::platform::MappedFile file_;
  std::uint64_t touchSink_ = 0;
};

}  // namespace BlocklistV4Client
