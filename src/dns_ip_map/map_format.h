// The DNS-IP map file "dns-ip-map.bin": a 64-byte header followed by entries laid back to back,
// no padding, no alignment, all integers little-endian.
//
// clang-format off
// Header (64 bytes):
//             0: magic           (u32, LE)  0x49504D50, on disk "PMPI"
//             4: version         (u32, LE)  1
//             8: entryCount      (u32, LE)  committed entries
//            12: lastCompactedAt (u32, LE)  seconds since 1970; creation time of a fresh file
//            16: writeSequence   (u64, LE)  +1 on every commit and every compaction
//            24: committedOffset (u64, LE)  offset just past the last committed entry, >= 64
//            32: reserved        (32 bytes) zero
// Bytes at or past committedOffset are not part of the map (debris of an interrupted commit).
//
// Entry (19..512 bytes):
//             0: length       (u16, LE)            whole entry, this field and the checksum
//                                                  included = 17 + ipLength + domainLength
//             2: flags        (u8)                 carried for the caller, never interpreted
//             3: recordedAt   (u32, LE)            seconds since 1970
//             7: ttl          (u32, LE)            seconds
//            11: ipLength     (u8)                 at most 45 when encoded
//            12: ip           (ipLength bytes)     UTF-8
// 12 + ipLength: domainLength (u8)                 at most 253 when encoded
// 13 + ipLength: domain       (domainLength bytes) UTF-8
//    length - 4: checksum     (u32, LE)            CRC-32 of every byte before it
// clang-format on
// An entry expires at recordedAt + ttl in u32 arithmetic (wrapping); it is expired when that sum
// is less than now (equal is still valid).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/bytes.h"

namespace veltra::dnsmap {

inline constexpr std::uint32_t kMagic = 0x49504D50u;
inline constexpr std::uint32_t kVersion = 1;
inline constexpr std::size_t kHeaderSize = 64;
inline constexpr std::size_t kMinEntryLength = 19;
inline constexpr std::size_t kMaxEntryLength = 512;
inline constexpr std::size_t kEntryOverhead = 17;
inline constexpr std::size_t kMaxIpLength = 45;
inline constexpr std::size_t kMaxDomainLength = 253;
// Offset of recordedAt and ttl inside an entry, and the bytes needed to read both.
inline constexpr std::size_t kRecordedAtOffset = 3;
inline constexpr std::size_t kTtlOffset = 7;
inline constexpr std::size_t kExpiryFieldsEnd = 11;

// The decoded header; `isValid` tells whether it describes a map.
struct DNSIPMapHeader {
  std::uint32_t magic = kMagic;
  std::uint32_t version = kVersion;
  std::uint32_t entryCount = 0;
  std::uint32_t lastCompactedAt = 0;
  std::uint64_t writeSequence = 0;
  std::uint64_t committedOffset = kHeaderSize;

  // Tells whether magic and version are exactly 0x49504D50 and 1 and committedOffset >= 64.
  bool isValid() const {
    return magic == kMagic && version == kVersion && committedOffset >= kHeaderSize;
  }

  friend bool operator==(const DNSIPMapHeader&, const DNSIPMapHeader&) = default;
};

// One recorded DNS answer: `ip` resolved from `domain`, valid for `ttl` seconds from `recordedAt`.
struct DNSIPMapEntry {
  std::uint8_t flags = 0;
  std::uint32_t recordedAt = 0;
  std::uint32_t ttl = 0;
  std::string ip;
  std::string domain;

  friend bool operator==(const DNSIPMapEntry&, const DNSIPMapEntry&) = default;
};

// An entry read from a file region and the number of bytes it occupies there.
struct DecodedEntry {
  DNSIPMapEntry entry;
  std::size_t length = 0;
};

// Returns the 64 header bytes of a map with magic and version 1.
std::array<std::uint8_t, kHeaderSize> encodeHeader(std::uint32_t entryCount,
                                                   std::uint32_t lastCompactedAt,
                                                   std::uint64_t writeSequence,
                                                   std::uint64_t committedOffset);

// Returns the fields of the first 64 bytes of `bytes`, valid or not, or nothing when fewer than
// 64 bytes are given.
std::optional<DNSIPMapHeader> decodeHeader(ByteView bytes);

// Returns the stored size of `entry`, or nothing when it cannot be stored (IP text over 45
// bytes, domain over 253, or both together under 2).
std::optional<std::size_t> encodedEntryLength(const DNSIPMapEntry& entry);

// Appends the bytes of `entry` to `out` and returns true, or leaves `out` as it is and returns
// false when the entry cannot be stored.
bool appendEncodedEntry(Bytes& out, const DNSIPMapEntry& entry);

// Returns the bytes of `entry`, or nothing when it cannot be stored.
std::optional<Bytes> encodeEntry(const DNSIPMapEntry& entry);

// Returns the length of the entry starting at `offset` of `region` when its length field is in
// 19..512, it fits in the region and its checksum matches; otherwise nothing. Never allocates.
std::optional<std::size_t> checkedEntryLength(ByteView region, std::size_t offset);

// Decodes the entry at `offset` of `region`: nothing when fewer than 19 bytes remain, the length
// is outside 19..512 or past the region, the checksum differs, the IP or domain runs into the
// checksum, or either text is not valid UTF-8.
std::optional<DecodedEntry> decodeEntry(ByteView region, std::size_t offset);

// Returns recordedAt + ttl wrapped to 32 bits.
constexpr std::uint32_t expiresAt(std::uint32_t recordedAt, std::uint32_t ttl) {
  return recordedAt + ttl;
}

// Tells whether an entry recorded at `recordedAt` with `ttl` has expired at `now`.
constexpr bool isExpired(std::uint32_t recordedAt, std::uint32_t ttl, std::uint32_t now) {
  return expiresAt(recordedAt, ttl) < now;
}

}  // namespace veltra::dnsmap
