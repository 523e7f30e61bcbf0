#include "platform/mapping_error.h"

#include "platform/system_error.h"

namespace veltra::platform {
namespace {

std::string describe(MappingError::Case errorCase, const std::string& path, int errorNumber) {
  const std::string text = errorText(errorNumber);
  switch (errorCase) {
    case MappingError::Case::openFailed:
      return "open(" + path + ") failed: " + text;
    case MappingError::Case::statFailed:
      return "fstat(" + path + ") failed: " + text;
    case MappingError::Case::emptyFile:
      return path + " is empty; there is nothing to map";
    case MappingError::Case::mapFailed:
      return "mmap(" + path + ") failed: " + text;
    case MappingError::Case::adviseFailed:
      return "madvise failed: " + text;
    case MappingError::Case::mincoreFailed:
      return "mincore failed: " + text;
  }
  return text;
}

}  // namespace

MappingError::MappingError(Case errorCase, std::string path, int errorNumber)
    : TypedError({errorCase, path, errorNumber}, describe(errorCase, path, errorNumber)) {}

}  // namespace veltra::platform
