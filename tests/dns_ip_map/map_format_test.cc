#include "dns_ip_map/map_format.h"

#include <zlib.h>

#include <gtest/gtest.h>

#include "core/hex.h"
#include "core/little_endian.h"

namespace veltra::dnsmap {
namespace {

DNSIPMapEntry makeEntry(std::string ip, std::string domain,
                        std::uint32_t recordedAt = 1'800'000'000, std::uint32_t ttl = 300,
                        std::uint8_t flags = 0x5A) {
  return DNSIPMapEntry{flags, recordedAt, ttl, std::move(ip), std::move(domain)};
}

std::uint32_t zlibCrc(ByteView bytes) {
  return static_cast<std::uint32_t>(::crc32(0L, bytes.data(), static_cast<uInt>(bytes.size())));
}

TEST(MapHeader, FreshHeaderBytes) {
  auto bytes = encodeHeader(0, 0x6B49D200, 0, 64);
  EXPECT_EQ(toHex(bytes),
            "504d5049"
            "01000000"
            "00000000"
            "00d2496b"
            "0000000000000000"
            "4000000000000000" +
                std::string(64, '0'));
}

TEST(MapHeader, RoundTripsAndRejectsShortInput) {
  auto bytes = encodeHeader(7, 123, 0x0102030405060708ull, 0x1122334455667788ull);
  auto header = decodeHeader(bytes);
  ASSERT_TRUE(header);
  EXPECT_EQ(*header, (DNSIPMapHeader{kMagic, kVersion, 7, 123, 0x0102030405060708ull,
                                     0x1122334455667788ull}));
  EXPECT_TRUE(header->isValid());
  EXPECT_FALSE(decodeHeader(ByteView(bytes).first(63)));
}

TEST(MapHeader, ValidityNeedsMagicVersionOneAndOffsetAtLeast64) {
  struct Case {
    std::size_t byte;
    std::uint8_t value;
    bool valid;
  };
  const Case cases[] = {{0, 0x51, false},  {3, 0x48, false}, {4, 0x02, false}, {7, 0x01, false},
                        {24, 0x3F, false}, {24, 0x41, true}, {8, 0xFF, true}};
  for (const Case& c : cases) {
    auto bytes = encodeHeader(0, 0, 0, 64);
    bytes[c.byte] = c.value;
    EXPECT_EQ(decodeHeader(bytes)->isValid(), c.valid) << c.byte;
  }
}

TEST(MapEntry, ThirtySixByteEntryLayout) {
  auto bytes = encodeEntry(makeEntry("10.0.0.1", "example.com", 0x01020304, 0x0A0B0C0D, 0x80));
  ASSERT_TRUE(bytes);
  ASSERT_EQ(bytes->size(), 36u);
  EXPECT_EQ(toHex(ByteView(*bytes).first(32)),
            "2400"
            "80"
            "04030201"
            "0d0c0b0a"
            "08" +
                toHex(asBytes("10.0.0.1")) + "0b" + toHex(asBytes("example.com")));
  EXPECT_EQ(le::load32(bytes->data() + 32), zlibCrc(ByteView(*bytes).first(32)));
}

TEST(MapEntry, EncoderLimits) {
  struct Case {
    std::size_t ipLength;
    std::size_t domainLength;
    std::optional<std::size_t> length;
  };
  const Case cases[] = {
      {45, 253, 315}, {46, 1, std::nullopt}, {1, 254, std::nullopt}, {1, 1, 19}, {2, 0, 19},
      {0, 2, 19},     {1, 0, std::nullopt},  {0, 0, std::nullopt}};
  for (const Case& c : cases) {
    auto entry = makeEntry(std::string(c.ipLength, '1'), std::string(c.domainLength, 'd'));
    auto bytes = encodeEntry(entry);
    EXPECT_EQ(encodedEntryLength(entry), c.length) << c.ipLength << "/" << c.domainLength;
    ASSERT_EQ(bytes.has_value(), c.length.has_value());
    if (bytes) {
      EXPECT_EQ(bytes->size(), *c.length);
      auto decoded = decodeEntry(*bytes, 0);
      ASSERT_TRUE(decoded);
      EXPECT_EQ(decoded->entry, entry);
    }
  }
}

TEST(MapEntry, RefusedEntryLeavesBatchUntouched) {
  Bytes batch = {1, 2, 3};
  EXPECT_FALSE(appendEncodedEntry(batch, makeEntry(std::string(46, '1'), "a.b")));
  EXPECT_EQ(batch, (Bytes{1, 2, 3}));
}

TEST(MapEntry, DecodesAtOffsetAndReportsLength) {
  Bytes region = {0xEE, 0xEE};
  ASSERT_TRUE(appendEncodedEntry(region, makeEntry("::1", "localhost")));
  ASSERT_TRUE(appendEncodedEntry(region, makeEntry("2001:db8::1", "ipv6.example")));
  auto first = decodeEntry(region, 2);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->entry.domain, "localhost");
  auto second = decodeEntry(region, 2 + first->length);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->entry.ip, "2001:db8::1");
  EXPECT_FALSE(decodeEntry(region, 2 + first->length + second->length));
  EXPECT_FALSE(decodeEntry(region, region.size() + 5));
}

// Rewrites the length field and the checksum so that only the tested field is wrong.
void setLengthAndReseal(Bytes& bytes, std::uint16_t length) {
  bytes.resize(length, 0);
  le::storeUnchecked(bytes.data(), length);
  le::storeUnchecked(bytes.data() + length - 4, zlibCrc(ByteView(bytes).first(length - 4u)));
}

TEST(MapEntry, LengthOutsideRangeIsRejected) {
  for (std::uint16_t length : {18, 513}) {
    Bytes bytes = *encodeEntry(makeEntry("10.0.0.1", "example.com"));
    setLengthAndReseal(bytes, length);
    bytes.resize(600, 0);
    EXPECT_FALSE(decodeEntry(bytes, 0)) << length;
  }
  Bytes bytes = *encodeEntry(makeEntry("10.0.0.1", "example.com"));
  EXPECT_FALSE(decodeEntry(ByteView(bytes).first(35), 0));
  EXPECT_FALSE(decodeEntry(ByteView(bytes).first(18), 0));
}

TEST(MapEntry, EveryFlippedBitIsRejected) {
  const Bytes original = *encodeEntry(makeEntry("192.168.1.20", "flip.example.org"));
  for (std::size_t bit = 0; bit < original.size() * 8; ++bit) {
    Bytes bytes = original;
    bytes[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
    bytes.resize(bytes.size() + 600, 0);
    ASSERT_FALSE(decodeEntry(bytes, 0)) << "bit " << bit;
  }
}

TEST(MapEntry, InnerLengthsMustStayBeforeTheChecksum) {
  // length 19: ipLength 1 ("1"), domainLength byte, then the checksum.
  Bytes fits = *encodeEntry(makeEntry("1", "d"));
  ASSERT_TRUE(decodeEntry(fits, 0));
  Bytes ipTooLong = fits;
  ipTooLong[11] = 5;
  setLengthAndReseal(ipTooLong, 19);
  EXPECT_FALSE(decodeEntry(ipTooLong, 0));
  Bytes domainTooLong = fits;
  domainTooLong[13] = 2;
  setLengthAndReseal(domainTooLong, 19);
  EXPECT_FALSE(decodeEntry(domainTooLong, 0));
  Bytes noRoomForDomainLength = fits;
  noRoomForDomainLength[11] = 3;
  setLengthAndReseal(noRoomForDomainLength, 19);
  EXPECT_FALSE(decodeEntry(noRoomForDomainLength, 0));
}

TEST(MapEntry, DecoderAcceptsOverLimitTextsAndIgnoresTrailingBytes) {
  // An entry another writer made: 60-byte IP text and two spare bytes before the checksum.
  Bytes bytes = {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 60};
  bytes.insert(bytes.end(), 60, '7');
  bytes.push_back(3);
  for (char c : std::string("a.b")) bytes.push_back(static_cast<std::uint8_t>(c));
  bytes.push_back(0xAB);
  bytes.push_back(0xCD);
  setLengthAndReseal(bytes, static_cast<std::uint16_t>(bytes.size() + 4));
  auto decoded = decodeEntry(bytes, 0);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->entry.ip, std::string(60, '7'));
  EXPECT_EQ(decoded->entry.domain, "a.b");
  EXPECT_EQ(decoded->length, bytes.size());
}

TEST(MapEntry, InvalidUtf8IsRejected) {
  for (std::string bad : {std::string("\xC3"), std::string("\xC0\xAF"), std::string("\xED\xA0\x80"),
                          std::string("\xF4\x90\x80\x80"), std::string("\xFF")}) {
    Bytes bytes = *encodeEntry(makeEntry("10.0.0.1", "x" + bad + "y"));
    EXPECT_FALSE(decodeEntry(bytes, 0));
  }
  Bytes good = *encodeEntry(makeEntry("10.0.0.1",
                                      "b\xC3\xBC"
                                      "cher.de"));
  EXPECT_TRUE(decodeEntry(good, 0));
}

TEST(MapEntry, ExpiryWrapsAt32Bits) {
  EXPECT_EQ(expiresAt(0xFFFFFFFAu, 10), 4u);
  EXPECT_TRUE(isExpired(0xFFFFFFFAu, 10, 1'800'000'000));
  EXPECT_FALSE(isExpired(100, 50, 150));
  EXPECT_TRUE(isExpired(100, 50, 151));
}

}  // namespace
}  // namespace veltra::dnsmap
