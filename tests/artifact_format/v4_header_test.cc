#include "artifact_format/v4_header.h"

#include <gtest/gtest.h>

#include "artifact_format/v4_format_error.h"
#include "core/little_endian.h"

namespace BlocklistV4Format {
namespace {

V4Header sampleHeader() {
  V4Header header;
  header.flags =
      V4Header::Flags::of({V4Header::Flags::hasExactTrie(), V4Header::Flags::hasGroupTable()});
  header.categoryCount = 9;
  header.exactDomainCount = 1000;
  header.wildcardDomainCount = 20;
  header.groupCount = 37;
  header.exactTrieOffset = 0x1122334455;
  header.wildcardTrieOffset = 0x2233445566;
  header.groupTableOffset = 100;
  header.totalFileSize = 0x3344556677;
  return header;
}

std::string decodeError(const veltra::Bytes& bytes) {
  try {
    V4Header::decode(bytes);
  } catch (const V4FormatError& error) {
    return error.description();
  }
  return "no error";
}

TEST(V4Header, EncodesFieldsLittleEndianAtTheirOffsets) {
  veltra::Bytes bytes = sampleHeader().encoded();
  ASSERT_EQ(bytes.size(), 64u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "LBVK");
  EXPECT_EQ(veltra::le::load32(bytes.data() + 4), 4u);
  EXPECT_EQ(veltra::le::load32(bytes.data() + 8), 5u);
  EXPECT_EQ(veltra::le::load32(bytes.data() + 12), 1u);
  EXPECT_EQ(veltra::le::load32(bytes.data() + 16), 9u);
  EXPECT_EQ(veltra::le::load32(bytes.data() + 28), 37u);
  EXPECT_EQ(veltra::le::load64(bytes.data() + 32), 0x1122334455u);
  EXPECT_EQ(veltra::le::load64(bytes.data() + 56), 0x3344556677u);
}

TEST(V4Header, DecodingThenEncodingGivesTheSameBytes) {
  veltra::Bytes bytes = sampleHeader().encoded();
  bytes[12] = 7;  // encodingDescriptor is kept as found
  V4Header decoded = V4Header::decode(bytes);
  EXPECT_EQ(decoded.encodingDescriptor, 7u);
  EXPECT_EQ(decoded.encoded(), bytes);
  bytes.resize(100, 0xAA);  // a whole file may be passed
  EXPECT_EQ(V4Header::decode(bytes), decoded);
}

TEST(V4Header, EncodingAlwaysWritesVersionFour) {
  V4Header header = sampleHeader();
  header.version = 9;
  EXPECT_EQ(veltra::le::load32(header.encoded().data() + 4), 4u);
}

TEST(V4Header, DecodingErrorsHaveTheirMessages) {
  veltra::Bytes valid = sampleHeader().encoded();
  veltra::Bytes short63(valid.begin(), valid.begin() + 63);
  veltra::Bytes zeros(64, 0);
  veltra::Bytes version3 = valid;
  version3[4] = 3;
  veltra::Bytes otherMagic = valid;
  otherMagic[0] = 0xAB;
  EXPECT_EQ(decodeError(short63), "truncated artifact: needed 64 bytes, have 63");
  EXPECT_EQ(decodeError({}), "truncated artifact: needed 64 bytes, have 0");
  EXPECT_EQ(decodeError(zeros), "bad magic 0x00000000, expected 0x4B56424C (\"KVBL\")");
  EXPECT_EQ(decodeError(otherMagic), "bad magic 0x4B5642AB, expected 0x4B56424C (\"KVBL\")");
  EXPECT_EQ(decodeError(version3), "unsupported format version 3, expected 4");
}

TEST(V4Header, GroupRowWidthHoldsOneBitPerSlot) {
  for (auto [count, width] : {std::pair{0u, 0u}, {1u, 1u}, {8u, 1u}, {9u, 2u}, {256u, 32u}}) {
    V4Header header;
    header.categoryCount = count;
    EXPECT_EQ(header.groupRowWidth(), width) << count;
  }
}

TEST(V4HeaderFlags, SetOperations) {
  using Flags = V4Header::Flags;
  Flags exactAndWildcard = Flags::of({Flags::hasExactTrie(), Flags::hasWildcardTrie()});
  EXPECT_EQ(exactAndWildcard.rawValue, 3u);
  EXPECT_TRUE(exactAndWildcard.contains(Flags::hasWildcardTrie()));
  EXPECT_FALSE(exactAndWildcard.contains(Flags::hasGroupTable()));
  EXPECT_EQ(exactAndWildcard.intersection(Flags{6}).rawValue, 2u);
  EXPECT_EQ(exactAndWildcard.symmetricDifference(Flags{6}).rawValue, 5u);
  EXPECT_EQ(exactAndWildcard.unionWith(Flags{4}).rawValue, 7u);
  EXPECT_TRUE(Flags::hasExactTrie().isSubset(exactAndWildcard));
  EXPECT_TRUE(Flags::hasGroupTable().isDisjoint(exactAndWildcard));
  Flags flags;
  flags.insert(Flags::hasGroupTable());
  flags.insert(Flags::hasExactTrie());
  flags.remove(Flags::hasGroupTable());
  EXPECT_EQ(flags, Flags::hasExactTrie());
}

TEST(V4FormatError, DescriptionsAndEquality) {
  EXPECT_EQ(V4FormatError::groupCountExceedsFormat(65536).description(),
            "group count 65536 exceeds the u16 group-id ceiling of 65535. 0xFFFF is reserved and "
            "never emitted. Widen groupId before proceeding.");
  EXPECT_EQ(V4FormatError::fanoutExceedsFormat("ab", 128).description(),
            "node ab has 128 children; flags bits 1-7 hold at most 127");
  EXPECT_EQ(V4FormatError::fragmentTooLong(256).description(),
            "path fragment of 256 bytes exceeds the u8 fragLen field");
  EXPECT_EQ(V4FormatError::corruptTrie("x").description(), "corrupt trie: x");
  EXPECT_EQ(V4FormatError::truncated(1, 2), V4FormatError::truncated(1, 2));
  EXPECT_FALSE(V4FormatError::truncated(1, 2) == V4FormatError::truncated(2, 1));
  EXPECT_FALSE(V4FormatError::badMagic(4) == V4FormatError::unsupportedVersion(4));
  EXPECT_FALSE(V4FormatError::corruptTrie("a") == V4FormatError::corruptTrie("b"));
}

}  // namespace
}  // namespace BlocklistV4Format
