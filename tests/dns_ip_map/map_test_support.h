// Shared pieces of the DNS-IP map tests: a scripted random source and map files built by hand.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dns_ip_map/map_format.h"
#include "dns_ip_map/random_source.h"

namespace veltra::dnsmap::testing {

inline constexpr std::uint32_t kNow = 1'800'000'000;

// Returns 0, 1, 2, ... modulo the bound, so a sample of n out of n entries probes each once.
class CountingRandom : public RandomSource {
 public:
  std::size_t uniform(std::size_t upperBound) override { return next_++ % upperBound; }

 private:
  std::size_t next_ = 0;
};

// Returns an entry recorded at `recordedAt` with `ttl`, named after `index`.
DNSIPMapEntry makeEntry(int index, std::uint32_t recordedAt = kNow, std::uint32_t ttl = 300);

// Returns the bytes of a map file holding `entries` after a valid header.
Bytes buildMapFile(const std::vector<DNSIPMapEntry>& entries, std::uint64_t writeSequence = 1,
                   std::uint32_t lastCompactedAt = kNow - 1000);

// Writes `bytes` to `path`, replacing it.
void writeBytes(const std::string& path, ByteView bytes);

// Returns the header of the map file at `path` (fails the test when it has none).
DNSIPMapHeader headerOf(const std::string& path);

// Returns the committed entries of the map file at `path`, in file order.
std::vector<DNSIPMapEntry> committedEntries(const std::string& path);

}  // namespace veltra::dnsmap::testing
