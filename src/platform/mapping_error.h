// The failures of mapping a file and of querying its mapping.
#pragma once

#include <string>

#include "core/typed_error.h"

namespace veltra::platform {

// What identifies a failed mapping call: the step, the path (empty for advice and residency)
// and the errno captured right after the call (0 for an empty file).
struct MappingErrorPayload {
  enum class Case { openFailed, statFailed, emptyFile, mapFailed, adviseFailed, mincoreFailed };
  Case errorCase;
  std::string path;
  int errorNumber;
  bool operator==(const MappingErrorPayload&) const = default;
};

// A failed mapping call. Value type with fixed wording from the system's text for the error
// number: "open(<path>) failed: <text>", "fstat(…)", "mmap(…)", "<path> is empty; there is
// nothing to map", "madvise failed: <text>", "mincore failed: <text>". Equal when case, path and
// errno are equal.
class MappingError : public TypedError<MappingError, MappingErrorPayload> {
 public:
  using Case = MappingErrorPayload::Case;

  MappingError(Case errorCase, std::string path, int errorNumber);
};

}  // namespace veltra::platform
