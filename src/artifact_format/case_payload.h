// What identifies an error of the format: a case, up to two integers and a text.
#pragma once

#include <cstdint>
#include <string>

namespace BlocklistV4Format {

// The payload of V4FormatError and V4InputError; a value the case has no use for is 0 or empty.
template <typename Case>
struct CasePayload {
  Case errorCase;
  std::uint64_t first = 0;
  std::uint64_t second = 0;
  std::string text;
  bool operator==(const CasePayload&) const = default;
};

}  // namespace BlocklistV4Format
