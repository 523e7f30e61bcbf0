// Gzip (RFC 1952) compression and decompression of whole buffers through zlib.
#pragma once

#include <exception>
#include <string>

#include "core/bytes.h"

namespace veltra::platform {

// A zlib failure: the operation and zlib's message. Value type with fixed wording.
class GzipError : public std::exception {
 public:
  explicit GzipError(std::string description) : description_(std::move(description)) {}
  const std::string& description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  std::string description_;
};

// Returns `data` as one gzip member at `level` (0 to 9). Throws GzipError.
Bytes gzipCompress(ByteView data, int level = 9);

// Returns the content of the gzip stream `data`. Throws GzipError on damaged or cut input.
Bytes gzipDecompress(ByteView data);

}  // namespace veltra::platform
