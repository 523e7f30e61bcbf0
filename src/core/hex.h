// Lowercase hexadecimal text of bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/bytes.h"

namespace veltra {

// Returns the lowercase hexadecimal text of `bytes`, two digits per byte.
std::string toHex(ByteView bytes);

// Parses hexadecimal text (either case, even length) into bytes, or nothing when malformed.
std::optional<Bytes> fromHex(std::string_view text);

}  // namespace veltra
