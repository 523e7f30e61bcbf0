#include "dns_ip_map/random_source.h"

#include <mutex>
#include <random>

namespace veltra::dnsmap {

namespace {

class SystemRandomSource : public RandomSource {
 public:
  std::size_t uniform(std::size_t upperBound) override {
    std::lock_guard<std::mutex> guard(mutex_);
    return std::uniform_int_distribution<std::size_t>(0, upperBound - 1)(generator_);
  }

 private:
  std::mutex mutex_;
  std::mt19937_64 generator_{std::random_device{}()};
};

}  // namespace

RandomSource& RandomSource::system() {
  static SystemRandomSource instance;
  return instance;
}

}  // namespace veltra::dnsmap
