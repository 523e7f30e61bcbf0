#include <filesystem>

#include <gtest/gtest.h>

#include "platform/file_status.h"
#include "platform/files.h"
#include "writer_fixture.h"

namespace veltra::dnsmap::testing {
namespace {

using veltra::testing::FileCall;

// Twenty entries of which the first `expired` have expired at kNow.
std::vector<DNSIPMapEntry> twentyWithExpired(int expired) {
  std::vector<DNSIPMapEntry> entries;
  for (int i = 0; i < 20; ++i) entries.push_back(makeEntry(i, kNow - 100, i < expired ? 99 : 100));
  return entries;
}

TEST_F(WriterTest, ExpirySampleFiresAboveFortyPercentOnly) {
  struct Case {
    int expired;
    bool fires;
  };
  for (Case c : {Case{0, false}, Case{8, false}, Case{9, true}, Case{20, true}}) {
    writeBytes(path, buildMapFile(twentyWithExpired(c.expired)));
    auto writer = makeWriter();
    EXPECT_EQ(writer->sampleExpiredFraction(), c.fires) << c.expired;
  }
}

TEST_F(WriterTest, EntryExpiringExactlyNowCountsAsLive) {
  writeBytes(path, buildMapFile({makeEntry(1, kNow - 10, 10)}));
  EXPECT_FALSE(makeWriter()->sampleExpiredFraction());
  writeBytes(path, buildMapFile({makeEntry(1, kNow - 11, 10)}));
  EXPECT_TRUE(makeWriter()->sampleExpiredFraction());
}

TEST_F(WriterTest, SampleWalksLengthsOnlyAndStopsAtABadLength) {
  // Three entries whose checksums are wrong still count; a zero length ends the walk.
  Bytes file =
      buildMapFile({makeEntry(1, kNow - 100, 1), makeEntry(2, kNow - 100, 1), makeEntry(3)});
  file[64 + 30] ^= 0xFF;
  file.resize(file.size() + 40, 0);
  auto header = encodeHeader(20, kNow, 1, file.size());
  std::copy(header.begin(), header.end(), file.begin());
  writeBytes(path, file);
  EXPECT_TRUE(makeWriter()->sampleExpiredFraction());
}

TEST_F(WriterTest, FailedSampleReadAnswersNo) {
  writeBytes(path, buildMapFile(twentyWithExpired(20)));
  auto writer = makeWriter();
  io.failOn(FileCall::pread);
  EXPECT_FALSE(writer->sampleExpiredFraction());
  EXPECT_TRUE(logs.contains(platform::LogLevel::error, "Expiration sampling failed: "));
  EXPECT_TRUE(writer->sampleExpiredFraction());
  // Once the entry starts are known, a failing probe read answers no as well.
  logs.clear();
  io.failOn(FileCall::pread);
  EXPECT_FALSE(writer->sampleExpiredFraction());
  EXPECT_TRUE(logs.contains(platform::LogLevel::error, "Expiration sampling failed: "));
}

TEST_F(WriterTest, SampleReachesEntriesOfLaterCommits) {
  auto writer = makeWriter();
  for (int i = 0; i < 11; ++i) writer->record(makeEntry(i, kNow, 1000));
  writer->flush();
  EXPECT_EQ(compactions(), 0u);
  // Nine entries that expired long ago: 9 of 20 probes, one per entry, find them.
  for (int i = 11; i < 20; ++i) writer->record(makeEntry(i, kNow - 1000, 10));
  writer->flush();
  EXPECT_EQ(compactions(), 1u);
  EXPECT_EQ(headerOf(path).entryCount, 11u);
}

TEST_F(WriterTest, CommitPastFiveMebibytesCompacts) {
  for (std::uint64_t extra : {0u, 1u}) {
    // An empty, zero-filled committed region sized so the next 36-byte entry ends at the limit
    // (or one byte past it).
    const DNSIPMapEntry entry{0, kNow, 300, "10.0.0.1", "example.com"};
    const std::uint64_t before = kCompactionSizeTrigger + extra - 36;
    Bytes file(before, 0);
    auto header = encodeHeader(0, kNow, 7, before);
    std::copy(header.begin(), header.end(), file.begin());
    writeBytes(path, file);
    logs.clear();
    auto writer = makeWriter();
    writer->record(entry);
    writer->flush();
    const bool fired =
        logs.contains(platform::LogLevel::info, "Compaction trigger T1: file size " +
                                                    std::to_string(before + 36) + " > 5242880");
    EXPECT_EQ(fired, extra == 1);
    if (extra == 1) {
      // Compaction keeps nothing: the zero bytes end the decodable data at once.
      EXPECT_EQ(headerOf(path), (DNSIPMapHeader{kMagic, kVersion, 0, kNow, 9, 64}));
      EXPECT_EQ(compactions(), 1u);
    } else {
      EXPECT_EQ(headerOf(path).committedOffset, kCompactionSizeTrigger);
      EXPECT_EQ(compactions(), 0u);
    }
  }
}

TEST_F(WriterTest, CommitOverMostlyExpiredMapCompacts) {
  writeBytes(path, buildMapFile(twentyWithExpired(12), 3));
  auto writer = makeWriter();
  writer->record(makeEntry(50));
  writer->flush();
  EXPECT_TRUE(
      logs.contains(platform::LogLevel::info, "Compaction trigger T2: >40% entries expired"));
  auto kept = twentyWithExpired(12);
  kept.erase(kept.begin(), kept.begin() + 12);
  kept.push_back(makeEntry(50));
  EXPECT_EQ(committedEntries(path), kept);
  EXPECT_EQ(headerOf(path).writeSequence, 5u);
  EXPECT_EQ(updates(), 1u);
  EXPECT_EQ(compactions(), 1u);
}

TEST_F(WriterTest, CompactingAnAllExpiredMapLeavesAnEmptyHeader) {
  writeBytes(path, buildMapFile(twentyWithExpired(20), 6, 1234));
  auto before = platform::statPath(path);
  auto writer = makeWriter();
  clock.advance(std::chrono::seconds(30));
  writer->compact();
  EXPECT_EQ(platform::readFile(path).size(), 64u);
  EXPECT_EQ(headerOf(path), (DNSIPMapHeader{kMagic, kVersion, 0, kNow + 30, 7, 64}));
  EXPECT_TRUE(logs.contains(platform::LogLevel::info, "Compaction complete: 0 entries, 64 bytes"));
  EXPECT_EQ(compactions(), 1u);
  EXPECT_FALSE(platform::fileExists(path + ".new"));
  EXPECT_EQ(platform::fileMode(path), 0644u);
  EXPECT_FALSE(platform::statPath(path)->isSameFile(*before));
  auto state = writer->state();
  EXPECT_EQ(state.lastCompactedAt, kNow + 30);
  EXPECT_EQ(state.writeSequence, 7u);
  // The writer goes on committing into the new file.
  writer->record(makeEntry(1));
  writer->flush();
  EXPECT_EQ(committedEntries(path), (std::vector<DNSIPMapEntry>{makeEntry(1)}));
  EXPECT_EQ(headerOf(path).lastCompactedAt, kNow + 30);
}

TEST_F(WriterTest, CompactionCopiesLiveEntriesAndStopsAtTheFirstCorruptOne) {
  std::vector<DNSIPMapEntry> entries = {makeEntry(1), makeEntry(2, kNow - 500, 5), makeEntry(3),
                                        makeEntry(4), makeEntry(5)};
  Bytes file = buildMapFile(entries);
  const std::size_t fourth = 64 + *encodedEntryLength(entries[0]) +
                             *encodedEntryLength(entries[1]) + *encodedEntryLength(entries[2]);
  file[fourth + 20] ^= 0x01;
  writeBytes(path, file);
  auto writer = makeWriter();
  writer->compact();
  EXPECT_EQ(committedEntries(path), (std::vector<DNSIPMapEntry>{makeEntry(1), makeEntry(3)}));
  Bytes expected = *encodeEntry(makeEntry(1));
  appendEncodedEntry(expected, makeEntry(3));
  Bytes compacted = platform::readFile(path);
  EXPECT_EQ(Bytes(compacted.begin() + 64, compacted.end()), expected);
  EXPECT_EQ(headerOf(path).entryCount, 2u);
}

TEST_F(WriterTest, CompactionReadFailureChangesNothing) {
  writeBytes(path, buildMapFile(twentyWithExpired(20)));
  auto writer = makeWriter();
  const Bytes before = platform::readFile(path);
  io.failOn(FileCall::pread);
  writer->compact();
  EXPECT_TRUE(logs.contains(platform::LogLevel::error, "Compaction read failed: "));
  EXPECT_EQ(platform::readFile(path), before);
  EXPECT_EQ(compactions(), 0u);
  EXPECT_TRUE(writer->state().isStarted);
}

TEST_F(WriterTest, CompactionOfAnEmptyMapHasNothingToRead) {
  auto writer = makeWriter();
  writer->compact();
  EXPECT_TRUE(logs.contains(platform::LogLevel::error, "Compaction: could not read entries"));
  EXPECT_EQ(headerOf(path).writeSequence, 0u);
}

TEST_F(WriterTest, FailedSwapRecoversOnTheOldFile) {
  struct Case {
    FileCall call;
    int nth;
  };
  // The first write of the new file, its rename into ".new", and the swap over the map.
  for (Case c : {Case{FileCall::write, 1}, Case{FileCall::rename, 1}, Case{FileCall::rename, 2}}) {
    const auto compactionsBefore = compactions();
    writeBytes(path, buildMapFile(twentyWithExpired(20), 4));
    const Bytes before = platform::readFile(path);
    logs.clear();
    auto writer = makeWriter();
    io.failOn(c.call, c.nth);
    writer->compact();
    EXPECT_TRUE(logs.contains(platform::LogLevel::error, "Compaction failed: "));
    EXPECT_FALSE(platform::fileExists(path + ".new"));
    EXPECT_EQ(platform::readFile(path), before);
    EXPECT_TRUE(writer->state().isStarted);
    EXPECT_EQ(writer->state().writeSequence, 4u);
    EXPECT_EQ(compactions(), compactionsBefore) << static_cast<int>(c.call);
    writer->record(makeEntry(99));
    writer->flush();
    EXPECT_EQ(committedEntries(path).back(), makeEntry(99));
    std::filesystem::remove(path);
  }
}

TEST_F(WriterTest, ReopenFailureAfterTheSwapDisablesTheWriter) {
  writeBytes(path, buildMapFile(twentyWithExpired(20), 4));
  auto writer = makeWriter();
  // Opens: the temporary sibling, its folder, the folder after the swap, then the map twice.
  io.failOn(FileCall::open, 4, EIO, true);
  writer->compact();
  EXPECT_TRUE(logs.contains(platform::LogLevel::error, "Compaction failed: "));
  EXPECT_TRUE(logs.contains(platform::LogLevel::error,
                            "Failed to recover after compaction — writer disabled"));
  EXPECT_FALSE(writer->state().isStarted);
  EXPECT_FALSE(writer->record(makeEntry(1)));
  io.reset();
  // The swap itself went through: the map on disk is the compacted one.
  EXPECT_EQ(headerOf(path), (DNSIPMapHeader{kMagic, kVersion, 0, kNow, 5, 64}));
}

}  // namespace
}  // namespace veltra::dnsmap::testing
