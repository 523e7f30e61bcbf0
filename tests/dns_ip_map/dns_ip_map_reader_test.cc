#include "dns_ip_map/dns_ip_map_reader.h"

#include <fcntl.h>

#include <condition_variable>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "writer_fixture.h"

namespace veltra::dnsmap::testing {
namespace {

using Domains = std::vector<std::string>;

class ReaderTest : public WriterTest {
 protected:
  std::shared_ptr<DNSIPMapReader> makeReader(std::size_t capacity = kDefaultReaderCapacity) {
    return std::make_shared<DNSIPMapReader>(path, &clock, capacity);
  }
};

TEST_F(ReaderTest, TakesInCommittedEntriesIncrementally) {
  auto writer = makeWriter();
  auto reader = makeReader();
  EXPECT_EQ(reader->refresh(), 0u);
  writer->record(makeEntry(1));
  writer->record(makeEntry(2));
  writer->flush();
  EXPECT_EQ(reader->refresh(), 2u);
  EXPECT_EQ(reader->lastReadOffset(), writer->state().committedOffset);
  EXPECT_EQ(reader->lastKnownWriteSequence(), 1u);
  EXPECT_EQ(reader->refresh(), 0u);
  writer->record(makeEntry(3));
  writer->flush();
  EXPECT_EQ(reader->refresh(), 1u);
  EXPECT_EQ(reader->size(), 3u);
  EXPECT_EQ(reader->lookup("10.0.0.3", kNow), Domains{"host3.example.com"});
}

TEST_F(ReaderTest, LookupAnswersValidDomainsAndMergesRepeats) {
  writeBytes(path, buildMapFile({
                       DNSIPMapEntry{0, kNow, 60, "192.0.2.1", "a.example"},
                       DNSIPMapEntry{0, kNow, 600, "192.0.2.1", "b.example"},
                       DNSIPMapEntry{0, kNow + 100, 60, "192.0.2.1", "a.example"},
                       DNSIPMapEntry{0, kNow - 100, 10, "192.0.2.1", "gone.example"},
                   }));
  auto reader = makeReader();
  EXPECT_EQ(reader->refresh(), 4u);
  EXPECT_EQ(reader->size(), 2u);
  EXPECT_EQ(reader->lookup("192.0.2.1", kNow), (Domains{"b.example", "a.example"}));
  EXPECT_EQ(reader->lookup("192.0.2.1", kNow + 160), (Domains{"b.example", "a.example"}));
  EXPECT_EQ(reader->lookup("192.0.2.1", kNow + 161), Domains{"b.example"});
  EXPECT_EQ(reader->lookup("192.0.2.1", kNow + 601), Domains{});
  EXPECT_EQ(reader->lookup("192.0.2.9", kNow), Domains{});
  EXPECT_EQ(reader->lookupCount(), 5);
}

TEST_F(ReaderTest, BytesPastTheCommittedOffsetAreIgnored) {
  Bytes file = buildMapFile({makeEntry(1)});
  appendEncodedEntry(file, makeEntry(2));
  writeBytes(path, file);
  auto reader = makeReader();
  EXPECT_EQ(reader->refresh(), 1u);
  EXPECT_EQ(reader->lookup("10.0.0.2", kNow), Domains{});
}

TEST_F(ReaderTest, CorruptEntryEndsTheScanUpToTheCommittedOffset) {
  Bytes file = buildMapFile({makeEntry(1), makeEntry(2), makeEntry(3)});
  file[64 + *encodedEntryLength(makeEntry(1)) + 15] ^= 0x40;
  writeBytes(path, file);
  auto reader = makeReader();
  EXPECT_EQ(reader->refresh(), 1u);
  EXPECT_TRUE(logs.contains(platform::LogLevel::error, "Unreadable entry at offset "));
  EXPECT_EQ(reader->lastReadOffset(), file.size());
  EXPECT_EQ(reader->lookup("10.0.0.3", kNow), Domains{});
  // Later commits are read again.
  auto writer = makeWriter();
  writer->record(makeEntry(4));
  writer->flush();
  EXPECT_EQ(reader->refresh(), 1u);
  EXPECT_EQ(reader->lookup("10.0.0.4", kNow), Domains{"host4.example.com"});
}

TEST_F(ReaderTest, StartsAgainAfterACompaction) {
  auto writer = makeWriter();
  writer->record(makeEntry(1, kNow, 10));
  writer->record(makeEntry(2, kNow, 1000));
  writer->flush();
  auto reader = makeReader();
  reader->refresh();
  clock.advance(std::chrono::seconds(100));
  writer->compact();
  writer->record(makeEntry(3, kNow + 100, 1000));
  writer->flush();
  EXPECT_EQ(reader->refresh(), 2u);
  EXPECT_EQ(reader->lastKnownWriteSequence(), 3u);
  EXPECT_EQ(reader->lastReadOffset(), writer->state().committedOffset);
  EXPECT_EQ(reader->size(), 2u);
  EXPECT_EQ(reader->lookup("10.0.0.1", kNow), Domains{});
}

TEST_F(ReaderTest, StartsAgainWhenTheHeaderNoLongerFits) {
  writeBytes(path, buildMapFile({makeEntry(1), makeEntry(2)}, 5));
  auto reader = makeReader();
  EXPECT_EQ(reader->refresh(), 2u);
  // Rewritten in place with a lower sequence (as a reinitialization followed by a commit does).
  Bytes file = buildMapFile({makeEntry(3)}, 1);
  auto same = platform::FileSystem::real().open(path, {.mode = platform::OpenMode::readWrite});
  same->truncate(0);
  same->writeAt(0, file);
  same->close();
  EXPECT_EQ(reader->refresh(), 1u);
  EXPECT_EQ(reader->size(), 1u);
  EXPECT_EQ(reader->lookup("10.0.0.1", kNow), Domains{});
}

TEST_F(ReaderTest, HeaderClaimingMoreThanTheFileHoldsIsReadSafely) {
  Bytes file = buildMapFile({makeEntry(1)});
  auto header = encodeHeader(1, kNow, 2, 0x7FFFFFFFFFFFFFFFull);
  std::copy(header.begin(), header.end(), file.begin());
  writeBytes(path, file);
  auto reader = makeReader();
  EXPECT_EQ(reader->refresh(), 1u);
}

TEST_F(ReaderTest, MissingOrForeignFileHoldsNothing) {
  auto reader = makeReader();
  EXPECT_EQ(reader->refresh(), 0u);
  writeBytes(path,
             asBytes("not a map at all, not a map at all, not a map at all, not a map at all"));
  EXPECT_EQ(reader->refresh(), 0u);
  EXPECT_EQ(reader->size(), 0u);
}

TEST_F(ReaderTest, CapacityDropsThePairTakenInLongestAgo) {
  writeBytes(path,
             buildMapFile({makeEntry(1), makeEntry(2), makeEntry(3), makeEntry(1), makeEntry(4)}));
  auto reader = makeReader(3);
  EXPECT_EQ(reader->refresh(), 5u);
  EXPECT_EQ(reader->size(), 3u);
  // Entry 2 was the oldest once entry 1 was seen again.
  EXPECT_EQ(reader->lookup("10.0.0.2", kNow), Domains{});
  EXPECT_EQ(reader->lookup("10.0.0.1", kNow), Domains{"host1.example.com"});
  EXPECT_EQ(reader->lookup("10.0.0.4", kNow), Domains{"host4.example.com"});
}

TEST_F(ReaderTest, ExpiredPairsAreSweptOnRefresh) {
  auto writer = makeWriter();
  writer->record(makeEntry(1, kNow, 30));
  writer->record(makeEntry(2, kNow, 3000));
  writer->flush();
  auto reader = makeReader();
  reader->refresh();
  EXPECT_EQ(reader->size(), 2u);
  clock.advance(std::chrono::seconds(120));
  reader->refresh();
  EXPECT_EQ(reader->size(), 1u);
}

TEST_F(ReaderTest, NotificationsDriveRefreshes) {
  auto writer = makeWriter();
  auto reader = makeReader();
  std::mutex mutex;
  std::condition_variable changed;
  int changes = 0;
  reader->start(center, [&] {
    std::lock_guard<std::mutex> guard(mutex);
    ++changes;
    changed.notify_all();
  });
  auto waitFor = [&](auto ready) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(10), ready);
  };
  writer->record(makeEntry(1, kNow, 10));
  writer->flush();
  ASSERT_TRUE(waitFor([&] { return reader->size() == 1; }));
  clock.advance(std::chrono::seconds(20));
  writer->compact();
  ASSERT_TRUE(
      waitFor([&] { return reader->size() == 0 && reader->lastKnownWriteSequence() == 2; }));
  reader->stop();
  EXPECT_GE(changes, 2);
}

}  // namespace
}  // namespace veltra::dnsmap::testing
