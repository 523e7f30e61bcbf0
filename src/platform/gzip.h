// Gzip (RFC 1952) compression and decompression of whole buffers through zlib.
#pragma once

#include <string>

#include "core/bytes.h"
#include "core/typed_error.h"

namespace veltra::platform {

// A zlib failure: the operation and zlib's message. Value type with fixed wording.
class GzipError : public DescribedError<GzipError> {
 public:
  explicit GzipError(std::string description) : DescribedError(std::move(description)) {}
};

// Returns `data` as one gzip member at `level` (0 to 9). Throws GzipError.
Bytes gzipCompress(ByteView data, int level = 9);

// Returns the content of the gzip stream `data`. Throws GzipError on damaged or cut input.
Bytes gzipDecompress(ByteView data);

}  // namespace veltra::platform
