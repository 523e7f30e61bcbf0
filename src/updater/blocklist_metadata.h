// The legacy metadata document published beside the format-3 blocklist.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/bytes.h"

namespace veltra::updater {

// Every key but "filename" is required; unknown keys are ignored. Plain value.
struct BlocklistMetadata {
  std::string version;
  std::string sha256;
  std::int64_t size = 0;
  std::int64_t domainCount = 0;
  std::int64_t categoryCount = 0;
  std::string published;
  std::string url;
  std::optional<std::string> filename;

  // Decodes the document; throws json::DecodingError.
  static BlocklistMetadata decode(ByteView bytes);
  // Returns compact JSON with the same keys ("filename" left out when absent).
  std::string encode() const;

  friend bool operator==(const BlocklistMetadata&, const BlocklistMetadata&) = default;
};

}  // namespace veltra::updater
