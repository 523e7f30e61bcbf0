// Lenient UTF-8 decoding for names and paths read from untrusted bytes.
#pragma once

#include <string>

#include "core/bytes.h"

namespace BlocklistV4Format {

// Returns `bytes` as UTF-8 text with every invalid sequence replaced by U+FFFD.
std::string decodeUTF8Lossy(veltra::ByteView bytes);

}  // namespace BlocklistV4Format
