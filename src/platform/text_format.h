// Text conventions of the platform: file-style byte counts and numeric text ordering.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace veltra::platform {

// Formats a byte count the way the platform's file-style byte-count formatter does, in decimal
// units: "Zero KB", "1 byte", "999 bytes", "12 KB", "12.3 MB", "1.23 GB".
std::string formatFileByteCount(std::int64_t byteCount);

// Compares two texts with numeric ordering: runs of ASCII digits compare by value, everything
// else by character. Returns a negative number, 0 or a positive number.
int compareNumeric(std::string_view a, std::string_view b);

}  // namespace veltra::platform
