#include "platform/sha256.h"

#include <gtest/gtest.h>

#include "core/hex.h"
#include "support/temp_dir.h"

namespace veltra::platform {
namespace {

TEST(Sha256, KnownVectorsInLowercaseHex) {
  EXPECT_EQ(sha256Hex(asBytes("")),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(sha256Hex(asBytes("abc")),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(Sha256, IncrementalAndFileDigestsAgree) {
  std::string text(3'000'000, 'q');
  Sha256 hasher;
  hasher.update(asBytes(std::string_view(text).substr(0, 12345)));
  hasher.update(asBytes(std::string_view(text).substr(12345)));
  testing::TempDir dir;
  dir.write("f", text);
  EXPECT_EQ(toHex(hasher.finish()), sha256Hex(asBytes(text)));
  EXPECT_EQ(sha256HexOfFile(dir.file("f")), sha256Hex(asBytes(text)));
}

}  // namespace
}  // namespace veltra::platform
