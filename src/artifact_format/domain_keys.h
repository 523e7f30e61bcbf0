// Builds the wildcard trie key of a domain ("." + domain, last byte first) without allocating
// for names that fit a DNS name.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/bytes.h"

namespace BlocklistV4Format {

// Holds the reversed dotted key of one domain; stack storage up to 256 bytes.
class ReversedDottedKey {
 public:
  explicit ReversedDottedKey(std::string_view domain) {
    std::uint8_t* out = domain.size() < sizeof(inline_) ? inline_ : heapFor(domain.size() + 1);
    const std::size_t n = domain.size();
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(domain[n - 1 - i]);
    out[n] = '.';
    view_ = veltra::ByteView(out, n + 1);
  }
  ReversedDottedKey(const ReversedDottedKey&) = delete;
  ReversedDottedKey& operator=(const ReversedDottedKey&) = delete;

  veltra::ByteView bytes() const { return view_; }

 private:
  std::uint8_t* heapFor(std::size_t size) {
    heap_.resize(size);
    return heap_.data();
  }

  std::uint8_t inline_[256];
  std::vector<std::uint8_t> heap_;
  veltra::ByteView view_;
};

}  // namespace BlocklistV4Format
