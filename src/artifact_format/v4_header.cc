#include "artifact_format/v4_header.h"

#include "artifact_format/v4_format_error.h"
#include "core/little_endian.h"

namespace BlocklistV4Format {

namespace le = veltra::le;

V4Header V4Header::decode(veltra::ByteView bytes) {
  if (bytes.size() < kByteCount) throw V4FormatError::truncated(kByteCount, bytes.size());
  const std::uint8_t* p = bytes.data();
  std::uint32_t magic = le::load32(p);
  if (magic != kMagic) throw V4FormatError::badMagic(magic);
  V4Header header;
  header.version = le::load32(p + 4);
  if (header.version != kFormatVersion) throw V4FormatError::unsupportedVersion(header.version);
  header.flags = Flags{le::load32(p + 8)};
  header.encodingDescriptor = le::load32(p + 12);
  header.categoryCount = le::load32(p + 16);
  header.exactDomainCount = le::load32(p + 20);
  header.wildcardDomainCount = le::load32(p + 24);
  header.groupCount = le::load32(p + 28);
  header.exactTrieOffset = le::load64(p + 32);
  header.wildcardTrieOffset = le::load64(p + 40);
  header.groupTableOffset = le::load64(p + 48);
  header.totalFileSize = le::load64(p + 56);
  return header;
}

veltra::Bytes V4Header::encoded() const {
  veltra::Bytes out;
  out.reserve(kByteCount);
  le::append32(out, kMagic);
  le::append32(out, kFormatVersion);
  le::append32(out, flags.rawValue);
  le::append32(out, encodingDescriptor);
  le::append32(out, categoryCount);
  le::append32(out, exactDomainCount);
  le::append32(out, wildcardDomainCount);
  le::append32(out, groupCount);
  le::append64(out, exactTrieOffset);
  le::append64(out, wildcardTrieOffset);
  le::append64(out, groupTableOffset);
  le::append64(out, totalFileSize);
  return out;
}

}  // namespace BlocklistV4Format
