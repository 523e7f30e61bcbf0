#include "dns_ip_map/map_format.h"

#include <string_view>

#include "core/little_endian.h"
#include "dns_ip_map/crc32.h"

namespace veltra::dnsmap {

namespace {

// Tells whether `text` is well-formed UTF-8: shortest forms only, no surrogates, at most U+10FFFF.
bool isValidUtf8(ByteView text) {
  std::size_t i = 0;
  while (i < text.size()) {
    std::uint8_t lead = text[i];
    if (lead < 0x80) {
      ++i;
      continue;
    }
    std::size_t extra;
    std::uint32_t minimum;
    std::uint32_t value;
    if ((lead & 0xE0) == 0xC0) {
      extra = 1, minimum = 0x80, value = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, minimum = 0x800, value = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, minimum = 0x10000, value = lead & 0x07u;
    } else {
      return false;
    }
    if (text.size() - i <= extra) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      std::uint8_t next = text[i + k];
      if ((next & 0xC0) != 0x80) return false;
      value = (value << 6) | (next & 0x3Fu);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

}  // namespace

std::array<std::uint8_t, kHeaderSize> encodeHeader(std::uint32_t entryCount,
                                                   std::uint32_t lastCompactedAt,
                                                   std::uint64_t writeSequence,
                                                   std::uint64_t committedOffset) {
  std::array<std::uint8_t, kHeaderSize> bytes{};
  le::storeUnchecked(bytes.data() + 0, kMagic);
  le::storeUnchecked(bytes.data() + 4, kVersion);
  le::storeUnchecked(bytes.data() + 8, entryCount);
  le::storeUnchecked(bytes.data() + 12, lastCompactedAt);
  le::storeUnchecked(bytes.data() + 16, writeSequence);
  le::storeUnchecked(bytes.data() + 24, committedOffset);
  return bytes;
}

std::optional<DNSIPMapHeader> decodeHeader(ByteView bytes) {
  if (bytes.size() < kHeaderSize) return std::nullopt;
  DNSIPMapHeader header;
  header.magic = le::load32(bytes.data() + 0);
  header.version = le::load32(bytes.data() + 4);
  header.entryCount = le::load32(bytes.data() + 8);
  header.lastCompactedAt = le::load32(bytes.data() + 12);
  header.writeSequence = le::load64(bytes.data() + 16);
  header.committedOffset = le::load64(bytes.data() + 24);
  return header;
}

std::optional<std::size_t> encodedEntryLength(const DNSIPMapEntry& entry) {
  if (entry.ip.size() > kMaxIpLength || entry.domain.size() > kMaxDomainLength) return std::nullopt;
  std::size_t length = kEntryOverhead + entry.ip.size() + entry.domain.size();
  if (length < kMinEntryLength) return std::nullopt;
  return length;
}

bool appendEncodedEntry(Bytes& out, const DNSIPMapEntry& entry) {
  auto length = encodedEntryLength(entry);
  if (!length) return false;
  const std::size_t start = out.size();
  le::append16(out, static_cast<std::uint16_t>(*length));
  out.push_back(entry.flags);
  le::append32(out, entry.recordedAt);
  le::append32(out, entry.ttl);
  out.push_back(static_cast<std::uint8_t>(entry.ip.size()));
  ByteView ip = asBytes(entry.ip);
  out.insert(out.end(), ip.begin(), ip.end());
  out.push_back(static_cast<std::uint8_t>(entry.domain.size()));
  ByteView domain = asBytes(entry.domain);
  out.insert(out.end(), domain.begin(), domain.end());
  le::append32(out, crc32(ByteView(out).subspan(start)));
  return true;
}

std::optional<Bytes> encodeEntry(const DNSIPMapEntry& entry) {
  Bytes out;
  if (!appendEncodedEntry(out, entry)) return std::nullopt;
  return out;
}

std::optional<std::size_t> checkedEntryLength(ByteView region, std::size_t offset) {
  if (offset > region.size() || region.size() - offset < kMinEntryLength) return std::nullopt;
  const std::size_t remaining = region.size() - offset;
  const std::size_t length = le::load16(region.data() + offset);
  if (length < kMinEntryLength || length > kMaxEntryLength || length > remaining)
    return std::nullopt;
  ByteView entry = region.subspan(offset, length);
  if (crc32(entry.first(length - 4)) != le::load32(entry.data() + length - 4)) return std::nullopt;
  return length;
}

std::optional<DecodedEntry> decodeEntry(ByteView region, std::size_t offset) {
  auto length = checkedEntryLength(region, offset);
  if (!length) return std::nullopt;
  ByteView entry = region.subspan(offset, *length);
  const std::size_t checksumStart = *length - 4;
  DecodedEntry decoded;
  decoded.length = *length;
  decoded.entry.flags = entry[2];
  decoded.entry.recordedAt = le::load32(entry.data() + kRecordedAtOffset);
  decoded.entry.ttl = le::load32(entry.data() + kTtlOffset);
  std::size_t at = 11;
  const std::size_t ipLength = entry[at++];
  if (ipLength > checksumStart - at) return std::nullopt;
  ByteView ip = entry.subspan(at, ipLength);
  at += ipLength;
  if (at >= checksumStart) return std::nullopt;
  const std::size_t domainLength = entry[at++];
  if (domainLength > checksumStart - at) return std::nullopt;
  ByteView domain = entry.subspan(at, domainLength);
  if (!isValidUtf8(ip) || !isValidUtf8(domain)) return std::nullopt;
  decoded.entry.ip.assign(asText(ip));
  decoded.entry.domain.assign(asText(domain));
  return decoded;
}

}  // namespace veltra::dnsmap
