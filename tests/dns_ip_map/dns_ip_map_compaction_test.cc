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

constexpr std::uint64_t kMiB = 1024 * 1024;

// Returns an entry of `length` bytes (26..278: "10.0.0.1" and a domain of 1..253 bytes).
DNSIPMapEntry entryOfLength(std::size_t length, std::uint32_t recordedAt = kNow,
                            std::uint32_t ttl = 300) {
  return DNSIPMapEntry{0, recordedAt, ttl, "10.0.0.1", std::string(length - 25, 'd')};
}

// Returns entries whose encodings total exactly `bytes` (0, or at least 26).
std::vector<DNSIPMapEntry> entriesTotalling(std::uint64_t bytes, std::uint32_t recordedAt = kNow,
                                            std::uint32_t ttl = 300) {
  constexpr std::uint64_t kShortest = 26, kLongest = 278;
  std::vector<DNSIPMapEntry> entries;
  while (bytes > 0) {
    // Split the last stretch in two when one entry cannot hold it and the rest would be too short.
    const std::uint64_t length = bytes <= kLongest              ? bytes
                                 : bytes < kLongest + kShortest ? bytes / 2
                                                                : kLongest;
    entries.push_back(entryOfLength(length, recordedAt, ttl));
    bytes -= length;
  }
  return entries;
}

// Returns the committed size of a map holding `entries`.
std::uint64_t encodedSize(const std::vector<DNSIPMapEntry>& entries) {
  std::uint64_t size = kHeaderSize;
  for (const auto& entry : entries) size += *encodedEntryLength(entry);
  return size;
}

// Appends `entries` to `to`.
void append(std::vector<DNSIPMapEntry>& to, const std::vector<DNSIPMapEntry>& entries) {
  to.insert(to.end(), entries.begin(), entries.end());
}

// Commits `entries` (in batches of at most the fixture's 1000) and returns the committed offset.
std::uint64_t commit(DNSIPMapWriter& writer, const std::vector<DNSIPMapEntry>& entries) {
  for (const auto& entry : entries) writer.record(entry);
  writer.flush();
  return writer.state().committedOffset;
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
  io.failOn(FileCall::readAt);
  EXPECT_FALSE(writer->sampleExpiredFraction());
  EXPECT_TRUE(logs.contains(platform::LogLevel::error, "Expiration sampling failed: "));
  EXPECT_TRUE(writer->sampleExpiredFraction());
  // Once the entry starts are known, a failing probe read answers no as well.
  logs.clear();
  io.failOn(FileCall::readAt);
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
  auto before = platform::FileSystem::real().status(path);
  auto writer = makeWriter();
  clock.advance(std::chrono::seconds(30));
  writer->compact();
  EXPECT_EQ(platform::readFile(path).size(), 64u);
  EXPECT_EQ(headerOf(path), (DNSIPMapHeader{kMagic, kVersion, 0, kNow + 30, 7, 64}));
  EXPECT_TRUE(logs.contains(platform::LogLevel::info, "Compaction complete: 0 entries, 64 bytes"));
  EXPECT_EQ(compactions(), 1u);
  EXPECT_FALSE(platform::fileExists(path + ".new"));
  EXPECT_EQ(platform::fileMode(path), 0644u);
  EXPECT_FALSE(platform::FileSystem::real().status(path)->isSameFile(*before));
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
  io.failOn(FileCall::readAt);
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
  // Opens: the temporary sibling, then the map twice (after the swap and to recover).
  io.failOn(FileCall::open, 2, EIO, true);
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

// After a compaction that leaves K committed bytes, the next one by size comes only past 2 K,
// and never before the 5 MiB it started at.
TEST_F(WriterTest, SizeTriggerMovesToTwiceWhatCompactionKept) {
  struct Case {
    std::uint64_t kept;
    std::uint64_t trigger;
  };
  const std::uint64_t halfStart = kCompactionSizeTrigger / 2;
  // Just under half the start, twice the kept size would be below it; just over, above it.
  for (Case c : {Case{halfStart - 26, kCompactionSizeTrigger},
                 Case{halfStart + 26, kCompactionSizeTrigger + 52}}) {
    std::vector<DNSIPMapEntry> entries = entriesTotalling(c.kept - kHeaderSize);
    append(entries, entriesTotalling(100'000, kNow - 1000, 10));
    writeBytes(path, buildMapFile(entries));
    logs.clear();
    auto writer = makeWriter();
    const auto compactionsBefore = compactions();
    writer->compact();
    ASSERT_EQ(writer->state().committedOffset, c.kept);
    EXPECT_EQ(writer->state().compactionSizeTrigger, c.trigger) << c.kept;
    // Up to the trigger exactly nothing compacts; one entry past it does.
    EXPECT_EQ(commit(*writer, entriesTotalling(c.trigger - c.kept)), c.trigger);
    EXPECT_EQ(compactions(), compactionsBefore + 1) << c.kept;
    EXPECT_EQ(commit(*writer, {entryOfLength(26)}), c.trigger + 26);
    EXPECT_EQ(compactions(), compactionsBefore + 2) << c.kept;
    EXPECT_TRUE(logs.contains(platform::LogLevel::info, "Compaction trigger T1: file size " +
                                                            std::to_string(c.trigger + 26) + " > " +
                                                            std::to_string(c.trigger)));
    EXPECT_EQ(writer->state().compactionSizeTrigger, 2 * (c.trigger + 26));
    writer.reset();
    std::filesystem::remove(path);
  }
}

TEST_F(WriterTest, SizeTriggerReturnsToItsStartWhenTheMapEmpties) {
  writeBytes(path, buildMapFile(entriesTotalling(3 * kMiB, kNow, 100)));
  auto writer = makeWriter();
  writer->compact();
  EXPECT_EQ(writer->state().compactionSizeTrigger, 6 * kMiB + 2 * kHeaderSize);
  // Everything expires; the expiry sample compacts the map down to the one new entry.
  clock.advance(std::chrono::seconds(101));
  writer->record(makeEntry(1, kNow + 101));
  writer->flush();
  EXPECT_TRUE(
      logs.contains(platform::LogLevel::info, "Compaction trigger T2: >40% entries expired"));
  EXPECT_EQ(committedEntries(path), (std::vector<DNSIPMapEntry>{makeEntry(1, kNow + 101)}));
  EXPECT_EQ(writer->state().compactionSizeTrigger, kCompactionSizeTrigger);
}

// A map of live entries cannot shrink: commits into it compact once each time it doubles.
TEST_F(WriterTest, CommitsIntoALiveMapCompactOncePerDoubling) {
  writeBytes(path, buildMapFile(entriesTotalling(5 * kMiB + kMiB / 2), 10));
  const std::uint64_t start = 5 * kMiB + kMiB / 2 + kHeaderSize;
  auto writer = makeWriter();
  EXPECT_EQ(writer->state().compactionSizeTrigger, 2 * start);
  // 50 commits take the map just past twice its size at the start.
  const auto batch = entriesTotalling(120'000);
  std::uint64_t firstPast = 0;
  for (int i = 0; i < 50; ++i) {
    const std::uint64_t committed = start + (i + 1) * 120'000ull;
    if (firstPast == 0 && committed > 2 * start) firstPast = committed;
    commit(*writer, batch);
  }
  ASSERT_NE(firstPast, 0u);
  EXPECT_EQ(compactions(), 1u);
  EXPECT_EQ(updates(), 50u);
  EXPECT_EQ(writer->state().writeSequence, 10u + 50 + 1);
  EXPECT_TRUE(logs.contains(platform::LogLevel::info, "Compaction trigger T1: file size " +
                                                          std::to_string(firstPast) + " > " +
                                                          std::to_string(2 * start)));
  EXPECT_EQ(writer->state().compactionSizeTrigger, 2 * firstPast);
  EXPECT_EQ(headerOf(path).entryCount,
            entriesTotalling(5 * kMiB + kMiB / 2).size() + 50 * batch.size());
}

// A writer starting on a map past 5 MiB takes the trigger a compaction would leave now, so a
// writer started for each commit neither copies a map of live entries every time nor leaves a
// map that compaction would more than halve.
TEST_F(WriterTest, StartPastFiveMebibytesTakesTheTriggerCompactionWouldLeave) {
  // Four of every ten entries expired (the sample's limit, so only size can fire), holding most
  // of the bytes.
  std::vector<DNSIPMapEntry> mostlyExpiredBytes;
  for (std::uint64_t size = kHeaderSize; size <= kCompactionSizeTrigger; size += 4 * 278 + 6 * 26) {
    for (int i = 0; i < 10; ++i)
      mostlyExpiredBytes.push_back(i < 4 ? entryOfLength(278, kNow - 1000, 10) : entryOfLength(26));
  }
  const std::vector<DNSIPMapEntry> live = entriesTotalling(5 * kMiB + kMiB / 2);
  struct Case {
    const char* name;
    const std::vector<DNSIPMapEntry>& entries;
    bool failRegionRead;
    std::uint64_t trigger;
    bool compactsAtFirstCommit;
  };
  const Case cases[] = {
      {"live", live, false, 2 * encodedSize(live), false},
      {"mostly expired bytes", mostlyExpiredBytes, false, kCompactionSizeTrigger, true},
      // Unmeasured, it starts at 5 MiB; the compaction that follows moves it.
      {"unreadable", live, true, kCompactionSizeTrigger, true},
  };
  for (const Case& c : cases) {
    writeBytes(path, buildMapFile(c.entries));
    logs.clear();
    const auto compactionsBefore = compactions();
    // The header read, then the entries.
    if (c.failRegionRead) io.failOn(FileCall::readAt, 2);
    auto writer = makeWriter();
    EXPECT_EQ(writer->state().compactionSizeTrigger, c.trigger) << c.name;
    EXPECT_EQ(logs.contains(platform::LogLevel::error, "Compaction size trigger left at its start"),
              c.failRegionRead)
        << c.name;
    for (int restart = 0; restart < 2; ++restart) {
      writer->record(makeEntry(restart));
      writer.reset();
      writer = makeWriter();
    }
    EXPECT_EQ(compactions() - compactionsBefore, c.compactsAtFirstCommit ? 1u : 0u) << c.name;
    EXPECT_EQ(headerOf(path).writeSequence, 1u + 2 + (c.compactsAtFirstCommit ? 1 : 0)) << c.name;
    writer.reset();
    std::filesystem::remove(path);
  }
}

// A size-triggered compaction that keeps failing is tried again only once the map has doubled.
TEST_F(WriterTest, FailingCompactionIsRetriedOncePerDoubling) {
  writeBytes(path, buildMapFile(entriesTotalling(kCompactionSizeTrigger - kHeaderSize)));
  auto writer = makeWriter();
  // Commits go through pwrite; only the compacted file is written with write.
  io.failOn(FileCall::write, 1, ENOSPC, true);
  const std::uint64_t failedAt = commit(*writer, {entryOfLength(26)});
  EXPECT_EQ(io.count(FileCall::write), 1);
  EXPECT_EQ(writer->state().compactionSizeTrigger, 2 * failedAt);
  for (int i = 0; i < 49; ++i) commit(*writer, {entryOfLength(26)});
  EXPECT_EQ(io.count(FileCall::write), 1);
  EXPECT_EQ(logs.count("Compaction failed: "), 1u);
  const std::uint64_t committed = writer->state().committedOffset;
  commit(*writer, entriesTotalling(2 * failedAt - committed));
  EXPECT_EQ(io.count(FileCall::write), 1);
  commit(*writer, {entryOfLength(26)});
  EXPECT_EQ(io.count(FileCall::write), 2);
  EXPECT_EQ(compactions(), 0u);
  EXPECT_TRUE(writer->state().isStarted);
}

}  // namespace
}  // namespace veltra::dnsmap::testing
