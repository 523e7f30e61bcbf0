// Follows the DNS-IP map written by another process and answers which domains an IP address
// was resolved from, for as long as those answers are valid.
//
// The reader takes no lock shared with the writer. It relies on the commit order (entries are
// durable before the header that covers them), reads only from 64 up to the header's
// committedOffset, verifies every checksum, and starts over from 64 when the map was compacted
// or reinitialized: a compaction notification, a different file behind the path, or a header
// whose writeSequence or committedOffset no longer fits what was read.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/mutex.h"
#include "dns_ip_map/map_format.h"
#include "platform/clock.h"
#include "platform/darwin_notification_center.h"
#include "platform/file_system.h"
#include "platform/logging.h"

namespace veltra::dnsmap {

// The most (IP, domain) pairs a reader holds unless told otherwise.
inline constexpr std::size_t kDefaultReaderCapacity = 100000;

// Owns the map opened read-only. Thread-safe: one mutex guards all state. Holds only
// unexpired pairs, at most `capacity`; past that the pair taken in (or refreshed) longest ago
// is dropped first. A domain seen again for the same IP is one pair with the later expiry.
class DNSIPMapReader : public std::enable_shared_from_this<DNSIPMapReader> {
 public:
  // One domain an IP address was resolved from, valid until `expiresAt` (seconds since 1970).
  struct DomainEntry {
    std::string domain;
    std::uint32_t expiresAt = 0;
    std::uint64_t sequence = 0;
  };

  // Prepares a reader of the map at `path`; `clock` (default: the system's) decides what has
  // expired while entries are taken in; the map is read through `fileSystem` (default: the OS).
  explicit DNSIPMapReader(std::string path, const platform::Clock* clock = nullptr,
                          std::size_t capacity = kDefaultReaderCapacity,
                          platform::FileSystem* fileSystem = nullptr);
  // Runs `stop`.
  ~DNSIPMapReader();
  DNSIPMapReader(const DNSIPMapReader&) = delete;
  DNSIPMapReader& operator=(const DNSIPMapReader&) = delete;

  // Takes in what is committed and refreshes on every commit and compaction notification of
  // `center`, calling `onChange` after each such refresh. The reader must be owned by a
  // shared_ptr; `center` must outlive `stop`. Registering replaces other handlers of the two
  // names on `center`.
  void start(platform::DarwinNotificationCenter& center, std::function<void()> onChange = {});

  // Stops observing notifications and closes the file.
  void stop();

  // Takes in the entries committed since the last refresh; returns how many were taken in.
  std::size_t refresh();

  // Returns the domains `ip` was resolved from that are still valid at `now`, oldest first.
  std::vector<std::string> lookup(std::string_view ip, std::uint32_t now);

  // Returns how many lookups were served.
  std::int64_t lookupCount() const;
  // Returns how many (IP, domain) pairs are held.
  std::size_t size() const;
  // Returns the offset up to which the current file was read.
  std::uint64_t lastReadOffset() const;
  // Returns the header's writeSequence at the last refresh.
  std::uint64_t lastKnownWriteSequence() const;

 private:
  struct StringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
      return std::hash<std::string_view>{}(text);
    }
  };
  using DomainMap =
      std::unordered_map<std::string, std::vector<DomainEntry>, StringHash, std::equal_to<>>;

  std::optional<std::uint32_t> nowSeconds() const;
  bool ensureCurrentFileLocked() REQUIRES(lock_);
  void closeFileLocked() REQUIRES(lock_);
  void resetLocked() REQUIRES(lock_);
  void insertLocked(const DNSIPMapEntry& entry, std::uint32_t now) REQUIRES(lock_);
  void evictOldestLocked() REQUIRES(lock_);
  void sweepExpiredLocked(std::uint32_t now) REQUIRES(lock_);

  std::string path_;
  const platform::Clock& clock_;
  std::size_t capacity_;
  platform::FileSystem& fileSystem_;
  platform::Logger logger_;
  std::atomic<bool> compactionNoticed_{false};
  platform::DarwinNotificationCenter* center_ GUARDED_BY(lock_) = nullptr;

  mutable Mutex lock_;
  DomainMap ipToDomains_ GUARDED_BY(lock_);
  std::deque<std::pair<std::string, std::uint64_t>> insertionOrder_ GUARDED_BY(lock_);
  std::size_t heldCount_ GUARDED_BY(lock_) = 0;
  std::uint64_t nextSequence_ GUARDED_BY(lock_) = 0;
  std::uint32_t lastSweepAt_ GUARDED_BY(lock_) = 0;
  std::unique_ptr<platform::File> file_ GUARDED_BY(lock_);
  platform::FileStatus openedFile_ GUARDED_BY(lock_);
  std::uint64_t lastReadOffset_ GUARDED_BY(lock_) = kHeaderSize;
  std::uint64_t lastKnownWriteSequence_ GUARDED_BY(lock_) = 0;
  bool isStarted_ GUARDED_BY(lock_) = false;
  std::int64_t lookupCount_ GUARDED_BY(lock_) = 0;
};

}  // namespace veltra::dnsmap
