#include "artifact_client/mapped_region.h"

#include <cstring>
#include <variant>

#include "platform/system_error.h"

namespace BlocklistV4Client {
namespace {

std::string describe(RegionError::Case errorCase, const std::string& path, int errorNumber) {
  const std::string text = veltra::platform::errorText(errorNumber);
  switch (errorCase) {
    case RegionError::Case::openFailed:
      return "open(" + path + ") failed: " + text;
    case RegionError::Case::statFailed:
      return "fstat(" + path + ") failed: " + text;
    case RegionError::Case::emptyFile:
      return path + " is empty; there is nothing to map";
    case RegionError::Case::mapFailed:
      return "mmap(" + path + ") failed: " + text;
    case RegionError::Case::adviseFailed:
      return "madvise failed: " + text;
    case RegionError::Case::mincoreFailed:
      return "mincore failed: " + text;
  }
  return text;
}

veltra::platform::PageAdvice pageAdvice(MappedRegion::Advice advice) {
  return static_cast<veltra::platform::PageAdvice>(static_cast<int>(advice));
}

}  // namespace

RegionError::RegionError(Case errorCase, std::string path, int errorNumber)
    : case_(errorCase),
      path_(std::move(path)),
      errorNumber_(errorNumber),
      description_(describe(case_, path_, errorNumber_)) {}

veltra::platform::MappedFile MappedRegion::mapOrThrow(const std::string& path) {
  auto mapped = veltra::platform::MappedFile::map(path);
  if (auto* failure = std::get_if<veltra::platform::MapFailure>(&mapped)) {
    using Step = veltra::platform::MapFailure::Step;
    switch (failure->step) {
      case Step::open:
        throw RegionError(RegionError::Case::openFailed, path, failure->errorNumber);
      case Step::stat:
        throw RegionError(RegionError::Case::statFailed, path, failure->errorNumber);
      case Step::empty:
        throw RegionError(RegionError::Case::emptyFile, path, 0);
      case Step::map:
        throw RegionError(RegionError::Case::mapFailed, path, failure->errorNumber);
    }
  }
  return std::move(std::get<veltra::platform::MappedFile>(mapped));
}

MappedRegion::MappedRegion(const std::string& path, Advice advice)
    : path_(path), file_(mapOrThrow(path)) {
  advise(advice);
}

void MappedRegion::advise(Advice advice) {
  if (int error = file_.advise(pageAdvice(advice)); error != 0) {
    throw RegionError(RegionError::Case::adviseFailed, "", error);
  }
}

void MappedRegion::touchAllPages() {
  std::uint64_t sum = 0;
  const volatile std::uint8_t* bytes = file_.data();
  for (std::uint64_t offset = 0; offset < file_.size(); offset += pageSize()) sum += bytes[offset];
  touchSink_ = sum;
}

std::uint64_t MappedRegion::fileCachedPages() const {
  std::size_t pages = 0;
  if (int error = file_.residentPages(pages); error != 0) {
    throw RegionError(RegionError::Case::mincoreFailed, "", error);
  }
  return pages;
}

double MappedRegion::fileCachedFraction() const {
  if (pageCount() < 1) return 0.0;
  return static_cast<double>(fileCachedPages()) / static_cast<double>(pageCount());
}

}  // namespace BlocklistV4Client
