#include "platform/gzip.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace veltra::platform {
namespace {

constexpr int kGzipWindowBits = 15 + 16;  // 15-bit window, gzip wrapper
constexpr std::size_t kChunk = 1 << 20;

std::string zlibMessage(const z_stream& stream, int code) {
  return stream.msg != nullptr ? stream.msg : ("zlib error " + std::to_string(code));
}

uInt chunkOf(std::size_t remaining) {
  return static_cast<uInt>(std::min<std::size_t>(remaining, std::numeric_limits<uInt>::max()));
}

}  // namespace

Bytes gzipCompress(ByteView data, int level) {
  z_stream stream{};
  int code = deflateInit2(&stream, level, Z_DEFLATED, kGzipWindowBits, 8, Z_DEFAULT_STRATEGY);
  if (code != Z_OK) throw GzipError("gzip compression failed: " + zlibMessage(stream, code));
  Bytes out;
  out.reserve(deflateBound(&stream, data.size()));
  const Bytef* next = data.data();
  std::size_t inputLeft = data.size();
  int flush = Z_NO_FLUSH;
  while (flush != Z_FINISH) {
    stream.next_in = const_cast<Bytef*>(next);
    stream.avail_in = chunkOf(inputLeft);
    const uInt given = stream.avail_in;
    flush = given == inputLeft ? Z_FINISH : Z_NO_FLUSH;
    do {
      std::size_t produced = out.size();
      out.resize(produced + kChunk);
      stream.next_out = out.data() + produced;
      stream.avail_out = kChunk;
      code = deflate(&stream, flush);
      out.resize(out.size() - stream.avail_out);
    } while (stream.avail_out == 0);
    next += given - stream.avail_in;
    inputLeft -= given - stream.avail_in;
  }
  deflateEnd(&stream);
  if (code != Z_STREAM_END)
    throw GzipError("gzip compression failed: " + zlibMessage(stream, code));
  return out;
}

Bytes gzipDecompress(ByteView data) {
  z_stream stream{};
  int code = inflateInit2(&stream, kGzipWindowBits);
  if (code != Z_OK) throw GzipError("gzip decompression failed: " + zlibMessage(stream, code));
  Bytes out;
  stream.next_in = const_cast<Bytef*>(data.data());
  std::size_t inputLeft = data.size();
  do {
    out.resize(out.size() + kChunk);
    stream.avail_in = chunkOf(inputLeft);
    inputLeft -= stream.avail_in;
    stream.next_out = out.data() + out.size() - kChunk;
    stream.avail_out = kChunk;
    code = inflate(&stream, Z_NO_FLUSH);
    out.resize(out.size() - stream.avail_out);
    inputLeft += stream.avail_in;
    if (code == Z_BUF_ERROR && inputLeft == 0 && stream.avail_out != 0) break;
  } while (code == Z_OK || code == Z_BUF_ERROR);
  inflateEnd(&stream);
  if (code != Z_STREAM_END) {
    throw GzipError("gzip decompression failed: " + (code == Z_OK || code == Z_BUF_ERROR
                                                         ? std::string("unexpected end of data")
                                                         : zlibMessage(stream, code)));
  }
  return out;
}

}  // namespace veltra::platform
