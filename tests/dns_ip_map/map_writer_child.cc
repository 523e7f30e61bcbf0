// A writer in its own process for the cross-process reader test.
//   map_writer_child MAP NOTIFY_DIR NOW commit FIRST COUNT TTL
//   map_writer_child MAP NOTIFY_DIR NOW compact
// Entries are makeEntry(FIRST .. FIRST+COUNT-1) recorded at NOW; exits 0 on success.
#include <cstdlib>
#include <string>

#include "dns_ip_map/dns_ip_map_writer.h"
#include "map_test_support.h"
#include "support/fake_time.h"

int main(int argc, char** argv) {
  using namespace veltra::dnsmap;
  if (argc < 5) return 2;
  const std::string command = argv[4];
  veltra::testing::FakeClock clock(
      std::chrono::system_clock::time_point(std::chrono::seconds(std::atoll(argv[3]))));
  veltra::platform::DarwinNotificationCenter center(argv[2]);
  DNSIPMapWriter writer(argv[1], DNSIPMapWriterServices{nullptr, &center, &clock, nullptr},
                        FlushPolicy{100000, std::chrono::hours(1)});
  if (!writer.start()) return 1;
  if (command == "commit" && argc == 8) {
    const int first = std::atoi(argv[5]);
    const int count = std::atoi(argv[6]);
    const auto ttl = static_cast<std::uint32_t>(std::atol(argv[7]));
    const auto now = static_cast<std::uint32_t>(std::atoll(argv[3]));
    for (int i = first; i < first + count; ++i) writer.record(testing::makeEntry(i, now, ttl));
    writer.flush();
  } else if (command == "compact") {
    writer.compact();
  } else {
    return 2;
  }
  writer.stop();
  return 0;
}
