#include "dns_ip_map/random_source.h"

#include <random>

#include "core/mutex.h"

namespace veltra::dnsmap {

namespace {

class SystemRandomSource : public RandomSource {
 public:
  std::size_t uniform(std::size_t upperBound) override {
    MutexLock guard(mutex_);
    return std::uniform_int_distribution<std::size_t>(0, upperBound - 1)(generator_);
  }

 private:
  Mutex mutex_;
  std::mt19937_64 generator_ GUARDED_BY(mutex_){std::random_device{}()};
};

}  // namespace

RandomSource& RandomSource::system() {
  static SystemRandomSource instance;
  return instance;
}

}  // namespace veltra::dnsmap
