// The only writer of the DNS-IP map file (layout in map_format.h).
//
// Commit protocol, which lets readers in other processes go without locks: a batch of entries
// is written at the committed offset and made durable, and only then is the 64-byte header
// rewritten in place (one write) and made durable. A crash in between leaves a header that
// still describes the previous commit. Compaction writes the live entries to
// "dns-ip-map.bin.new", renames it over the map and posts "tessel.vevavuvud.dnsIPMapCompacted";
// readers holding the old file reopen the path.
//
// Flush policy: `record` queues an entry and commits the queue when it holds `batchSize`
// entries or when `interval` has passed since the last flush began; `flushIfDue` lets the
// owner's timer commit a quiet queue, and `stop` commits what is left.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/mutex.h"
#include "dns_ip_map/map_format.h"
#include "dns_ip_map/random_source.h"
#include "platform/clock.h"
#include "platform/darwin_notification_center.h"
#include "platform/file_system.h"
#include "platform/logging.h"

namespace veltra::dnsmap {

inline constexpr char kMapFileName[] = "dns-ip-map.bin";
inline constexpr char kCompactionSuffix[] = ".new";
inline constexpr char kMapUpdatedNotification[] = "tessel.vevavuvud.dnsIPMapUpdated";
inline constexpr char kMapCompactedNotification[] = "tessel.vevavuvud.dnsIPMapCompacted";
// Compaction fires when committed data passes the size trigger (T1): this offset at first, and
// after every compaction twice the committed size the compaction left, never less than this.
// A map whose entries are all live is then copied once each time it doubles, so a byte
// committed costs about two bytes of compaction at most, and a map that empties falls back here.
inline constexpr std::uint64_t kCompactionSizeTrigger = 5242880;
// ... or when more than this fraction of at most kExpirySampleSize probed entries expired (T2).
inline constexpr double kCompactionExpiredFraction = 0.4;
inline constexpr std::size_t kExpirySampleSize = 20;

// When queued entries are committed.
struct FlushPolicy {
  std::size_t batchSize = 100;
  std::chrono::milliseconds interval{2000};
};

// The services a writer uses; null members mean the process-wide ones.
struct DNSIPMapWriterServices {
  platform::FileSystem* fileSystem = nullptr;
  platform::DarwinNotificationCenter* notificationCenter = nullptr;
  const platform::Clock* clock = nullptr;
  RandomSource* random = nullptr;
};

// A snapshot of the writer's mirrors of the header and of its queue.
struct DNSIPMapWriterState {
  bool isStarted = false;
  std::uint32_t entryCount = 0;
  std::uint64_t committedOffset = kHeaderSize;
  std::uint64_t writeSequence = 0;
  std::uint32_t lastCompactedAt = 0;
  std::size_t pendingCount = 0;
  // The committed offset past which the next commit compacts (T1).
  std::uint64_t compactionSizeTrigger = kCompactionSizeTrigger;
};

// Owns the open map file while started, with an exclusive advisory lock (flock) on it so
// that a second writer, in this process or another, refuses to start. Thread-safe: one lock
// serialises every operation, and compaction runs inline on the thread that flushed. No error
// leaves the writer: every failure is logged and absorbed.
class DNSIPMapWriter {
 public:
  // Prepares a writer of the map at `path`; nothing is opened until `start`.
  explicit DNSIPMapWriter(std::string path, DNSIPMapWriterServices services = {},
                          FlushPolicy policy = {});
  // Runs `stop`.
  ~DNSIPMapWriter();
  DNSIPMapWriter(const DNSIPMapWriter&) = delete;
  DNSIPMapWriter& operator=(const DNSIPMapWriter&) = delete;

  // Returns "dns-ip-map.bin" in the configured data folder.
  static std::string defaultPath();

  // Opens or creates the map (a new file gets an empty header; a damaged one is reinitialized)
  // and starts accepting entries. Returns whether the writer is started.
  bool start();

  // Commits what is pending and closes the file; does nothing when stopped.
  void stop();

  // Queues `entry` and commits the queue when the flush policy says so. Returns false, dropping
  // the entry, when the writer is stopped.
  bool record(DNSIPMapEntry entry);

  // Commits the queue when it is not empty and the policy's interval has passed.
  void flushIfDue();

  // Commits the queued entries now.
  void flush();

  // Rewrites the map with only its unexpired entries now.
  void compact();

  // Tells whether more than 40% of a random sample of committed entries expired.
  bool sampleExpiredFraction();

  // Returns a snapshot of the mirrors and the queue length.
  DNSIPMapWriterState state() const;

  const std::string& path() const { return path_; }

 private:
  std::optional<std::uint32_t> nowSeconds() const;
  void flushLocked() REQUIRES(lock_);
  void checkCompaction() REQUIRES(lock_);
  void startSizeTrigger() REQUIRES(lock_);
  bool sampleExpiredFractionLocked() REQUIRES(lock_);
  void compactLocked() REQUIRES(lock_);
  void rewriteLiveEntries() REQUIRES(lock_);
  bool loadHeader() REQUIRES(lock_);
  void writeFreshHeader(std::uint32_t createdAt) REQUIRES(lock_);
  Bytes readCommittedRegion() REQUIRES(lock_);
  // Returns the committed region, or nothing after logging `failureFormat` with the error.
  std::optional<Bytes> tryReadCommittedRegion(std::string_view failureFormat) REQUIRES(lock_);
  bool indexEntryStarts() REQUIRES(lock_);
  void indexEntryStarts(ByteView region) REQUIRES(lock_);
  // Opens the map (creating it when `create`) and takes its lock. Throws SystemError("open"),
  // with EWOULDBLOCK while another writer holds the lock.
  std::unique_ptr<platform::File> openExclusively(bool create);
  void closeFile() REQUIRES(lock_);
  void disable() REQUIRES(lock_);

  std::string path_;
  platform::FileSystem& fileSystem_;
  platform::DarwinNotificationCenter& notificationCenter_;
  const platform::Clock& clock_;
  RandomSource& random_;
  FlushPolicy policy_;
  platform::Logger logger_;

  mutable Mutex lock_;
  std::unique_ptr<platform::File> file_ GUARDED_BY(lock_);
  std::vector<DNSIPMapEntry> pendingEntries_ GUARDED_BY(lock_);
  std::chrono::system_clock::time_point lastFlushTime_ GUARDED_BY(lock_);
  std::uint32_t currentEntryCount_ GUARDED_BY(lock_) = 0;
  std::uint64_t currentCommittedOffset_ GUARDED_BY(lock_) = kHeaderSize;
  std::uint64_t currentWriteSequence_ GUARDED_BY(lock_) = 0;
  std::uint32_t currentLastCompactedAt_ GUARDED_BY(lock_) = 0;
  bool isStarted_ GUARDED_BY(lock_) = false;
  // The committed offset past which a commit compacts (T1); see kCompactionSizeTrigger and
  // startSizeTrigger for where it stands before this process has compacted.
  std::uint64_t sizeTrigger_ GUARDED_BY(lock_) = kCompactionSizeTrigger;
  // Set when a commit failed after it began rewriting the header: what readers see on disk may
  // then be the new header, so the next commit reloads the header before building on it.
  bool headerMayDiffer_ GUARDED_BY(lock_) = false;
  // Where each committed entry starts, relative to offset 64, found by walking the length
  // fields once and then extended by every commit, so the expiry sample reads ~20 small probes
  // instead of the whole committed region on every commit. `entryStartsComplete_` is false when
  // the walk stopped before committedOffset: later entries are then out of the sample's reach.
  std::vector<std::uint64_t> entryStarts_ GUARDED_BY(lock_);
  bool entryStartsKnown_ GUARDED_BY(lock_) = false;
  bool entryStartsComplete_ GUARDED_BY(lock_) = false;
};

}  // namespace veltra::dnsmap
