// Where the writer's expiry sampler draws its random entry indices from.
#pragma once

#include <cstddef>

namespace veltra::dnsmap {

// Picks integers uniformly at random. Implementations are used under their owner's lock.
class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // Returns an integer in [0, upperBound); `upperBound` is at least 1.
  virtual std::size_t uniform(std::size_t upperBound) = 0;
  // Returns the process-wide source seeded from the system's random device. Thread-safe.
  static RandomSource& system();
};

}  // namespace veltra::dnsmap
