// A failed operating-system call, as a typed error value.
#pragma once

#include <string>

#include "core/typed_error.h"

namespace veltra::platform {

// What identifies a failed call; the reason text is not part of it.
struct SystemErrorPayload {
  std::string operation;
  std::string path;
  int errorNumber;
  bool operator==(const SystemErrorPayload&) const = default;
};

// A failed OS call: the call's name, the path it was about and errno.
// Value type; description() is fixed wording: "<operation>(<path>) failed: <reason>", the
// reason being the system text for errno unless the caller knows a clearer one. Equal when
// operation, path and errno are equal.
class SystemError : public TypedError<SystemError, SystemErrorPayload> {
 public:
  SystemError(std::string operation, std::string path, int errorNumber);
  // For a refusal the system text would not explain (ELOOP for a link that is not followed).
  SystemError(std::string operation, std::string path, int errorNumber, std::string reason);

  const std::string& operation() const { return payload().operation; }
  const std::string& path() const { return payload().path; }
  int errorNumber() const { return payload().errorNumber; }

  // Tells whether the storage refused the call (full, over quota, read-only, not permitted, a
  // name taken or too long, an I/O error) rather than the call failing for another reason.
  bool isStorageRefusal() const;
};

// Returns the system's text for an errno value.
std::string errorText(int errorNumber);

}  // namespace veltra::platform
