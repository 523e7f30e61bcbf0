// SHA-256 digests (OpenSSL EVP on Linux, CommonCrypto on macOS).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "core/bytes.h"
#include "platform/file_system.h"

namespace veltra::platform {

using Sha256Digest = std::array<std::uint8_t, 32>;

// Incremental SHA-256. Owns its hashing context; not thread-safe.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  // Feeds `bytes` into the digest.
  void update(ByteView bytes);
  // Returns the digest of everything fed; the object must not be updated afterwards.
  Sha256Digest finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Returns the SHA-256 digest of `bytes`.
Sha256Digest sha256(ByteView bytes);

// Returns the SHA-256 of `bytes` as 64 lowercase hexadecimal digits.
std::string sha256Hex(ByteView bytes);

// Returns the SHA-256 of the regular file at `path` as lowercase hex, read in chunks; a symbolic
// link at `path` is not followed. Throws SystemError.
std::string sha256HexOfFile(const std::string& path, FileSystem& fileSystem = FileSystem::real());

}  // namespace veltra::platform
