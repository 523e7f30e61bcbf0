#include "platform/system_error.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace veltra::platform {

std::string errorText(int errorNumber) {
  char buffer[256];
  // GNU strerror_r may return a static string instead of filling the buffer.
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
  return strerror_r(errorNumber, buffer, sizeof buffer);
#else
  if (strerror_r(errorNumber, buffer, sizeof buffer) != 0)
    return "Unknown error " + std::to_string(errorNumber);
  return buffer;
#endif
}

SystemError::SystemError(std::string operation, std::string path, int errorNumber)
    : SystemError(std::move(operation), std::move(path), errorNumber, errorText(errorNumber)) {}

SystemError::SystemError(std::string operation, std::string path, int errorNumber,
                         std::string reason)
    : TypedError({operation, path, errorNumber}, operation + "(" + path + ") failed: " + reason) {}

bool SystemError::isStorageRefusal() const {
  static constexpr std::array kStorageRefusals = {ENOSPC, EDQUOT, EFBIG,        EACCES, EPERM,
                                                  EROFS,  EEXIST, ENAMETOOLONG, EIO};
  return std::ranges::find(kStorageRefusals, errorNumber()) != kStorageRefusals.end();
}

}  // namespace veltra::platform
