#include "artifact_client/mapped_region.h"

namespace BlocklistV4Client {

MappedRegion::MappedRegion(const std::string& path, Advice advice)
    : path_(path), file_(veltra::platform::MappedFile::map(path)) {
  advise(advice);
}

void MappedRegion::advise(Advice advice) { file_.advise(advice); }

void MappedRegion::touchAllPages() {
  std::uint64_t sum = 0;
  const volatile std::uint8_t* bytes = file_.data();
  for (std::uint64_t offset = 0; offset < file_.size(); offset += pageSize()) sum += bytes[offset];
  touchSink_ = sum;
}

std::uint64_t MappedRegion::fileCachedPages() const { return file_.residentPages(); }

double MappedRegion::fileCachedFraction() const {
  if (pageCount() < 1) return 0.0;
  return static_cast<double>(fileCachedPages()) / static_cast<double>(pageCount());
}

}  // namespace BlocklistV4Client
