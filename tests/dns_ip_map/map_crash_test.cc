// A power loss at any point of the writer's commits and compaction leaves a map whose header
// describes only durable entries: readers find a prefix of what was committed, never garbage.
#include <gtest/gtest.h>

#include "dns_ip_map/dns_ip_map_reader.h"
#include "support/crash_sweep.h"
#include "writer_fixture.h"

namespace veltra::dnsmap::testing {
namespace {

TEST_F(WriterTest, EveryCrashPointLeavesAPrefixOfTheCommittedEntries) {
  const std::string map = "/data/dns-ip-map.bin";
  std::vector<DNSIPMapEntry> committed;
  for (int i = 1; i <= 8; ++i) committed.push_back(makeEntry(i, kNow, 86400));
  const std::size_t points = veltra::testing::sweepCrashPoints(
      [](veltra::testing::InMemoryFileSystem& fileSystem) {
        fileSystem.createDirectory("/data", 0755);
      },
      [&](veltra::testing::InMemoryFileSystem& fileSystem) {
        DNSIPMapWriter writer(map, {&fileSystem, &center, &clock, &random},
                              {1000, std::chrono::hours(1)});
        if (!writer.start()) return;
        auto commit = [&](int from, int to) {
          for (int i = from; i < to; ++i) writer.record(committed[i]);
          writer.flush();
        };
        commit(0, 3);
        commit(3, 6);
        writer.compact();
        commit(6, 8);
      },
      [&](veltra::testing::InMemoryFileSystem& recovered, std::size_t k) {
        auto bytes = recovered.contentOf(map);
        if (!bytes) return;  // the crash came before the new map's name was durable
        auto header = decodeHeader(*bytes);
        ASSERT_TRUE(header && header->isValid()) << k;
        ASSERT_LE(header->committedOffset, bytes->size()) << k;
        ByteView region =
            ByteView(*bytes).subspan(kHeaderSize, header->committedOffset - kHeaderSize);
        std::vector<DNSIPMapEntry> found;
        for (std::size_t offset = 0; offset < region.size();) {
          auto decoded = decodeEntry(region, offset);
          ASSERT_TRUE(decoded) << "garbage at " << offset << ", crash point " << k;
          found.push_back(decoded->entry);
          offset += decoded->length;
        }
        ASSERT_LE(found.size(), committed.size()) << k;
        EXPECT_EQ(found,
                  std::vector<DNSIPMapEntry>(committed.begin(),
                                             committed.begin() + static_cast<long>(found.size())))
            << k;
        EXPECT_EQ(header->entryCount, found.size()) << k;
        // The reader takes in exactly those, and a writer carries on from them.
        auto reader =
            std::make_shared<DNSIPMapReader>(map, &clock, kDefaultReaderCapacity, &recovered);
        EXPECT_EQ(reader->refresh(), found.size()) << k;
        DNSIPMapWriter next(map, {&recovered, &center, &clock, &random});
        ASSERT_TRUE(next.start()) << k;
        EXPECT_EQ(next.state().entryCount, found.size()) << k;
      });
  EXPECT_GE(points, 15u);
}

}  // namespace
}  // namespace veltra::dnsmap::testing
