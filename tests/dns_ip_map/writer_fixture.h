// A writer over a temporary map with fake time, a fault-injecting file layer, a private
// notification folder, a counting random source and a recording log sink.
#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "dns_ip_map/dns_ip_map_writer.h"
#include "map_test_support.h"
#include "platform/logging.h"
#include "support/fake_time.h"
#include "support/faulty_file_system.h"
#include "support/temp_dir.h"

namespace veltra::dnsmap::testing {

class WriterTest : public ::testing::Test {
 protected:
  WriterTest()
      : path(dir.file("dns-ip-map.bin")),
        clock(std::chrono::system_clock::time_point(std::chrono::seconds(kNow))),
        center(dir.file("notify")),
        scope(logs) {}

  // Returns a writer over the map; `start` tells whether to start it.
  std::unique_ptr<DNSIPMapWriter> makeWriter(bool start = true,
                                             FlushPolicy policy = {1000, std::chrono::hours(1)}) {
    auto writer = std::make_unique<DNSIPMapWriter>(
        path, DNSIPMapWriterServices{&io, &center, &clock, &random}, policy);
    if (start) {
      EXPECT_TRUE(writer->start());
    }
    return writer;
  }

  std::uint64_t updates() const { return center.postCount(kMapUpdatedNotification); }
  std::uint64_t compactions() const { return center.postCount(kMapCompactedNotification); }

  veltra::testing::TempDir dir;
  std::string path;
  veltra::testing::FakeClock clock;
  veltra::testing::FaultyFileSystem io;
  platform::DarwinNotificationCenter center;
  CountingRandom random;
  platform::RecordingLogSink logs;
  platform::ScopedLogSink scope;
};

}  // namespace veltra::dnsmap::testing
