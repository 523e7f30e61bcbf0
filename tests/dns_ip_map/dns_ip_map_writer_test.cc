#include <filesystem>

#include <gtest/gtest.h>

#include "core/hex.h"
#include "platform/files.h"
#include "writer_fixture.h"

namespace veltra::dnsmap::testing {
namespace {

using veltra::testing::FileCall;

TEST_F(WriterTest, StartCreatesAnEmptyMapStampedWithItsCreationTime) {
  auto writer = makeWriter();
  Bytes file = platform::readFile(path);
  EXPECT_EQ(toHex(file),
            "504d50490100000000000000"
            "00d2496b" +
                std::string(16, '0') + "4000000000000000" + std::string(64, '0'));
  EXPECT_EQ(platform::fileMode(path), 0644u);
  EXPECT_EQ(writer->state().lastCompactedAt, kNow);
  EXPECT_EQ(logs.count("Invalid header"), 0u);
}

// An empty file or a missing path behind the link would be taken for a fresh map and written.
TEST_F(WriterTest, LinkAtTheMapNameIsNotFollowed) {
  const std::string outside = dir.file("outside");
  for (bool present : {true, false}) {
    std::filesystem::remove(outside);
    std::filesystem::remove(path);
    if (present) {
      dir.write("outside", "");
      std::filesystem::permissions(
          outside, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    }
    std::filesystem::create_symlink(outside, path);
    auto writer = makeWriter(/*start=*/false);
    EXPECT_FALSE(writer->start());
    EXPECT_TRUE(logs.contains(platform::LogLevel::error, "Failed to open DNS-IP map: "));
    EXPECT_EQ(std::filesystem::exists(outside), present);
    if (present) {
      EXPECT_EQ(std::filesystem::file_size(outside), 0u);
      EXPECT_EQ(platform::fileMode(outside), 0600u);
    }
  }
}

TEST_F(WriterTest, FlushCommitsEntriesThenHeaderAndPostsOnce) {
  auto writer = makeWriter();
  std::vector<DNSIPMapEntry> entries = {makeEntry(1), makeEntry(2), makeEntry(300)};
  std::size_t size = 0;
  for (const auto& entry : entries) {
    size += *encodedEntryLength(entry);
    writer->record(entry);
  }
  const std::size_t callsBefore = io.calls().size();
  writer->flush();
  EXPECT_EQ(headerOf(path), (DNSIPMapHeader{kMagic, kVersion, 3, kNow, 1, 64 + size}));
  EXPECT_EQ(committedEntries(path), entries);
  EXPECT_EQ(updates(), 1u);
  auto state = writer->state();
  EXPECT_EQ(state.committedOffset, 64 + size);
  EXPECT_EQ(state.entryCount, 3u);
  EXPECT_EQ(state.writeSequence, 1u);
  EXPECT_EQ(state.pendingCount, 0u);
  auto calls = io.calls();
  ASSERT_GE(calls.size(), callsBefore + 4);
  EXPECT_EQ(std::vector<FileCall>(calls.begin() + callsBefore, calls.begin() + callsBefore + 4),
            (std::vector<FileCall>{FileCall::writeAt, FileCall::sync, FileCall::writeAt,
                                   FileCall::sync}));
}

TEST_F(WriterTest, SecondCommitAppendsAfterTheFirst) {
  auto writer = makeWriter();
  writer->record(makeEntry(1));
  writer->flush();
  writer->record(makeEntry(2));
  writer->record(makeEntry(3));
  writer->flush();
  EXPECT_EQ(committedEntries(path),
            (std::vector<DNSIPMapEntry>{makeEntry(1), makeEntry(2), makeEntry(3)}));
  EXPECT_EQ(headerOf(path).writeSequence, 2u);
  EXPECT_EQ(updates(), 2u);
}

TEST_F(WriterTest, BatchOfUnencodableEntriesWritesAndPostsNothing) {
  auto writer = makeWriter();
  writer->record(DNSIPMapEntry{0, kNow, 60, std::string(46, '1'), "a.example"});
  writer->record(DNSIPMapEntry{0, kNow, 60, "10.0.0.1", std::string(254, 'd')});
  writer->record(DNSIPMapEntry{0, kNow, 60, "1", ""});
  const std::size_t callsBefore = io.calls().size();
  writer->flush();
  EXPECT_EQ(writer->state().pendingCount, 0u);
  EXPECT_EQ(io.calls().size(), callsBefore);
  EXPECT_EQ(platform::fileSize(path), 64u);
  EXPECT_EQ(headerOf(path).writeSequence, 0u);
  EXPECT_EQ(updates(), 0u);
}

TEST_F(WriterTest, UnencodableEntriesAreDroppedFromAMixedBatch) {
  auto writer = makeWriter();
  writer->record(makeEntry(1));
  writer->record(DNSIPMapEntry{0, kNow, 60, std::string(46, '1'), "a.example"});
  writer->record(makeEntry(2));
  writer->flush();
  EXPECT_EQ(committedEntries(path), (std::vector<DNSIPMapEntry>{makeEntry(1), makeEntry(2)}));
  EXPECT_EQ(headerOf(path).entryCount, 2u);
}

// A failure at any step of the commit leaves the previous commit in force on disk and in memory.
TEST_F(WriterTest, FailedCommitStepKeepsThePreviousCommit) {
  struct Case {
    FileCall call;
    int nth;
  };
  const Case cases[] = {{FileCall::writeAt, 1}, {FileCall::sync, 1}, {FileCall::writeAt, 2}};
  for (const Case& c : cases) {
    std::filesystem::remove(path);
    auto writer = makeWriter();
    writer->record(makeEntry(1));
    writer->flush();
    const Bytes before = platform::readFile(path);
    const auto postsBefore = updates();
    writer->record(makeEntry(2));
    io.failOn(c.call, c.nth);
    logs.clear();
    writer->flush();
    EXPECT_TRUE(logs.contains(platform::LogLevel::error, "Flush failed: "))
        << static_cast<int>(c.call);
    EXPECT_EQ(writer->state().writeSequence, 1u);
    EXPECT_EQ(writer->state().pendingCount, 0u);
    EXPECT_EQ(updates(), postsBefore);
    const Bytes after = platform::readFile(path);
    EXPECT_EQ(Bytes(after.begin(), after.begin() + 64), Bytes(before.begin(), before.begin() + 64));
    EXPECT_EQ(committedEntries(path), (std::vector<DNSIPMapEntry>{makeEntry(1)}));

    // The lost batch's bytes past the committed offset are overwritten by the next commit,
    // and a new writer on the file agrees.
    writer->record(makeEntry(3));
    writer->flush();
    EXPECT_EQ(committedEntries(path), (std::vector<DNSIPMapEntry>{makeEntry(1), makeEntry(3)}));
    writer.reset();
    auto next = makeWriter();
    EXPECT_EQ(next->state().writeSequence, 2u);
    EXPECT_EQ(next->state().entryCount, 2u);
  }
}

TEST_F(WriterTest, HeaderWrittenButNotSyncedIsReloadedBeforeTheNextCommit) {
  auto writer = makeWriter();
  writer->record(makeEntry(1));
  io.failOn(FileCall::sync, 2);
  writer->flush();
  ASSERT_TRUE(logs.contains(platform::LogLevel::error, "Flush failed: "));
  // Readers may already see this header; the next commit must build on it, not rewind it.
  EXPECT_EQ(headerOf(path).writeSequence, 1u);
  writer->record(makeEntry(2));
  writer->flush();
  EXPECT_EQ(headerOf(path).writeSequence, 2u);
  EXPECT_EQ(committedEntries(path), (std::vector<DNSIPMapEntry>{makeEntry(1), makeEntry(2)}));
}

TEST_F(WriterTest, CrashBetweenTheTwoStepsLeavesAMapTheNextStartAdopts) {
  auto writer = makeWriter();
  writer->record(makeEntry(1));
  writer->flush();
  writer->record(makeEntry(2));
  // The header write never happens: as if the process died after the entries were durable.
  io.failOn(FileCall::writeAt, 2, EIO, true);
  writer->flush();
  io.reset();
  writer.reset();
  EXPECT_GT(*platform::fileSize(path), headerOf(path).committedOffset);
  EXPECT_EQ(committedEntries(path), (std::vector<DNSIPMapEntry>{makeEntry(1)}));
  auto next = makeWriter();
  EXPECT_EQ(next->state().writeSequence, 1u);
  EXPECT_EQ(next->state().committedOffset, headerOf(path).committedOffset);
  EXPECT_EQ(logs.count("Invalid header"), 0u);
}

TEST_F(WriterTest, DamagedFilesAreReinitializedKeepingTheirCreationTime) {
  Bytes foreign = buildMapFile({makeEntry(1)});
  foreign[0] = 'X';
  Bytes wrongVersion = buildMapFile({makeEntry(1)});
  wrongVersion[4] = 2;
  Bytes lowOffset = buildMapFile({});
  lowOffset[24] = 63;
  for (const Bytes& content : {Bytes(40, 0x50), foreign, wrongVersion, lowOffset}) {
    writeBytes(path, content);
    logs.clear();
    auto writer = makeWriter();
    EXPECT_TRUE(logs.contains(platform::LogLevel::error, "Invalid header, reinitializing file"));
    EXPECT_EQ(platform::fileSize(path), 64u);
    EXPECT_EQ(headerOf(path), (DNSIPMapHeader{kMagic, kVersion, 0, kNow, 0, 64}));
    EXPECT_EQ(writer->state().lastCompactedAt, kNow);
    writer->record(makeEntry(1));
    writer->flush();
    EXPECT_EQ(headerOf(path).lastCompactedAt, kNow);
  }
}

TEST_F(WriterTest, CommittedOffsetPastTheEndIsClampedInMemoryOnly) {
  Bytes file = buildMapFile({makeEntry(1)});
  file.resize(9000, 0);
  auto header = encodeHeader(1, kNow, 4, 10000);
  std::copy(header.begin(), header.end(), file.begin());
  writeBytes(path, file);
  auto writer = makeWriter();
  EXPECT_TRUE(logs.contains(platform::LogLevel::error,
                            "committedOffset (10000) > file size (9000), clamping"));
  EXPECT_EQ(writer->state().committedOffset, 9000u);
  EXPECT_EQ(writer->state().writeSequence, 4u);
  EXPECT_EQ(headerOf(path).committedOffset, 10000u);
}

TEST_F(WriterTest, UnreadableHeaderRefusesToStart) {
  writeBytes(path, buildMapFile({makeEntry(1)}));
  io.failOn(FileCall::readAt);
  auto writer = makeWriter(false);
  EXPECT_FALSE(writer->start());
  EXPECT_TRUE(logs.contains(platform::LogLevel::error, "Failed to read header: "));
  EXPECT_FALSE(writer->state().isStarted);
  EXPECT_FALSE(writer->record(makeEntry(2)));
  EXPECT_EQ(committedEntries(path), (std::vector<DNSIPMapEntry>{makeEntry(1)}));
}

TEST_F(WriterTest, SecondWriterOnTheSameMapRefusesToStart) {
  auto first = makeWriter();
  auto second = makeWriter(false);
  EXPECT_FALSE(second->start());
  EXPECT_TRUE(logs.contains(platform::LogLevel::error, "DNS-IP map is in use by another writer"));
  // The lock follows the map through a compaction and is released by stop.
  first->record(makeEntry(1, kNow - 100, 10));
  first->flush();
  EXPECT_EQ(compactions(), 1u);
  EXPECT_FALSE(second->start());
  first->stop();
  EXPECT_TRUE(second->start());
}

TEST_F(WriterTest, StopCommitsWhatIsPendingAndOnlyOnce) {
  auto writer = makeWriter();
  writer->record(makeEntry(1));
  writer->stop();
  EXPECT_TRUE(logs.contains(platform::LogLevel::info, "DNS-IP Map Writer stopped"));
  EXPECT_EQ(committedEntries(path), (std::vector<DNSIPMapEntry>{makeEntry(1)}));
  EXPECT_FALSE(writer->state().isStarted);
  logs.clear();
  const std::size_t callsBefore = io.calls().size();
  writer->stop();
  EXPECT_TRUE(logs.records().empty());
  EXPECT_EQ(io.calls().size(), callsBefore);
  EXPECT_FALSE(writer->record(makeEntry(2)));
}

TEST_F(WriterTest, DestroyingAWriterCommitsPendingEntries) {
  makeWriter()->record(makeEntry(7));
  EXPECT_EQ(committedEntries(path), (std::vector<DNSIPMapEntry>{makeEntry(7)}));
}

TEST_F(WriterTest, FlushPolicyCommitsFullBatchesAndQuietQueues) {
  auto writer = makeWriter(true, FlushPolicy{3, std::chrono::seconds(2)});
  writer->record(makeEntry(1));
  writer->record(makeEntry(2));
  EXPECT_EQ(writer->state().pendingCount, 2u);
  writer->record(makeEntry(3));
  EXPECT_EQ(writer->state().pendingCount, 0u);
  EXPECT_EQ(headerOf(path).entryCount, 3u);

  writer->record(makeEntry(4));
  clock.advance(std::chrono::milliseconds(1999));
  writer->flushIfDue();
  EXPECT_EQ(writer->state().pendingCount, 1u);
  clock.advance(std::chrono::milliseconds(1));
  writer->flushIfDue();
  EXPECT_EQ(headerOf(path).entryCount, 4u);

  clock.advance(std::chrono::seconds(5));
  writer->record(makeEntry(5));
  EXPECT_EQ(headerOf(path).entryCount, 5u);
  EXPECT_EQ(updates(), 3u);
}

}  // namespace
}  // namespace veltra::dnsmap::testing
