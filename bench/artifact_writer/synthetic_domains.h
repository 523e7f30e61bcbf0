// Deterministic synthetic domain sets for the artifact benchmarks.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace veltra::bench {

// Returns `count` distinct plausible domain names (2 to 4 labels, common top-level domains).
inline std::vector<std::string> syntheticDomains(std::size_t count, std::uint64_t seed = 42) {
  static const char* const kTlds[] = {"com", "net", "org", "io", "de", "co.uk", "info", "xyz"};
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789-";
  std::mt19937_64 random(seed);
  std::vector<std::string> domains;
  domains.reserve(count);
  auto label = [&](std::size_t minLength, std::size_t maxLength) {
    std::size_t length = minLength + random() % (maxLength - minLength + 1);
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text += kAlphabet[random() % (i == 0 ? 36 : 37)];
    if (text.back() == '-') text.back() = 'x';
    return text;
  };
  for (std::size_t i = 0; i < count; ++i) {
    std::string name = label(4, 14) + std::to_string(i) + "." + kTlds[random() % 8];
    std::size_t extra = random() % 3;
    for (std::size_t k = 0; k < extra; ++k) name = label(2, 8) + "." + name;
    domains.push_back(std::move(name));
  }
  return domains;
}

}  // namespace veltra::bench
