#include "platform/sha256.h"

#include <stdexcept>

#include "core/hex.h"

#if defined(__APPLE__)
#include <CommonCrypto/CommonDigest.h>
#else
#include <openssl/evp.h>
#endif

namespace veltra::platform {

#if defined(__APPLE__)
struct Sha256::State {
  CC_SHA256_CTX context;
};
Sha256::Sha256() : state_(std::make_unique<State>()) { CC_SHA256_Init(&state_->context); }
Sha256::~Sha256() = default;
void Sha256::update(ByteView bytes) {
  // CC_SHA256_Update takes a 32-bit length; feed large inputs in pieces.
  while (!bytes.empty()) {
    std::size_t n = std::min<std::size_t>(bytes.size(), 1u << 30);
    CC_SHA256_Update(&state_->context, bytes.data(), static_cast<CC_LONG>(n));
    bytes = bytes.subspan(n);
  }
}
Sha256Digest Sha256::finish() {
  Sha256Digest digest{};
  CC_SHA256_Final(digest.data(), &state_->context);
  return digest;
}
#else
struct Sha256::State {
  EVP_MD_CTX* context = nullptr;
  ~State() { EVP_MD_CTX_free(context); }
};
Sha256::Sha256() : state_(std::make_unique<State>()) {
  state_->context = EVP_MD_CTX_new();
  if (state_->context == nullptr ||
      EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr) != 1) {
    throw std::runtime_error("SHA-256 context cannot be created");
  }
}
Sha256::~Sha256() = default;
void Sha256::update(ByteView bytes) {
  if (!bytes.empty()) EVP_DigestUpdate(state_->context, bytes.data(), bytes.size());
}
Sha256Digest Sha256::finish() {
  Sha256Digest digest{};
  unsigned int length = 0;
  EVP_DigestFinal_ex(state_->context, digest.data(), &length);
  return digest;
}
#endif

Sha256Digest sha256(ByteView bytes) {
  Sha256 hasher;
  hasher.update(bytes);
  return hasher.finish();
}

std::string sha256Hex(ByteView bytes) { return toHex(sha256(bytes)); }

std::string sha256HexOfFile(const std::string& path, FileSystem& fileSystem) {
  // Neither a link planted at the name nor a FIFO or device is read.
  auto file = fileSystem.open(path, {.names = NamePolicy::regularOnly});
  Sha256 hasher;
  std::vector<std::uint8_t> buffer(1 << 20);
  while (std::size_t n = file->read(buffer.data(), buffer.size()))
    hasher.update(ByteView(buffer.data(), n));
  return toHex(hasher.finish());
}

}  // namespace veltra::platform
