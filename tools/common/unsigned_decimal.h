// Strict reading of unsigned decimal numbers from command lines and input lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace veltra::tools {

// Parses `text` as digits only (no sign, no spaces, leading zeros allowed, at most 20 of them)
// giving a number no larger than `maximum`; nothing otherwise.
std::optional<std::uint64_t> parseUnsignedDecimal(const std::string& text, std::uint64_t maximum);

}  // namespace veltra::tools
