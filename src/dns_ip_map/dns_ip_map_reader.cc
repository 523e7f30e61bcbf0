#include "dns_ip_map/dns_ip_map_reader.h"

#include <algorithm>

#include "dns_ip_map/dns_ip_map_writer.h"
#include "dns_ip_map/unix_seconds.h"

namespace veltra::dnsmap {

namespace {

// How often, in seconds, a refresh drops every expired pair rather than only lookups' ones.
constexpr std::uint32_t kSweepInterval = 60;

}  // namespace

DNSIPMapReader::DNSIPMapReader(std::string path, const platform::Clock* clock, std::size_t capacity,
                               platform::FileSystem* fileSystem)
    : path_(std::move(path)),
      clock_(clock != nullptr ? *clock : platform::Clock::system()),
      capacity_(std::max<std::size_t>(capacity, 1)),
      fileSystem_(fileSystem != nullptr ? *fileSystem : platform::FileSystem::real()),
      logger_("tessel.Korvel2", "DNSIPMapReader") {}

DNSIPMapReader::~DNSIPMapReader() { stop(); }

void DNSIPMapReader::start(platform::DarwinNotificationCenter& center,
                           std::function<void()> onChange) {
  std::weak_ptr<DNSIPMapReader> weak = weak_from_this();
  {
    MutexLock guard(lock_);
    if (isStarted_) return;
    isStarted_ = true;
    center_ = &center;
  }
  auto handler = [weak, onChange](bool compacted) {
    if (auto reader = weak.lock()) {
      if (compacted) reader->compactionNoticed_ = true;
      reader->refresh();
      if (onChange) onChange();
    }
  };
  center.addObserver(kMapUpdatedNotification, [handler] { handler(false); });
  center.addObserver(kMapCompactedNotification, [handler] { handler(true); });
  refresh();
}

void DNSIPMapReader::stop() {
  platform::DarwinNotificationCenter* center;
  {
    MutexLock guard(lock_);
    center = center_;
    center_ = nullptr;
    isStarted_ = false;
    closeFileLocked();
  }
  if (center != nullptr) {
    center->removeObserver(kMapUpdatedNotification);
    center->removeObserver(kMapCompactedNotification);
  }
}

std::optional<std::uint32_t> DNSIPMapReader::nowSeconds() const { return unixSeconds(clock_); }

void DNSIPMapReader::closeFileLocked() { file_.reset(); }

void DNSIPMapReader::resetLocked() {
  ipToDomains_.clear();
  insertionOrder_.clear();
  heldCount_ = 0;
  lastReadOffset_ = kHeaderSize;
  lastKnownWriteSequence_ = 0;
}

bool DNSIPMapReader::ensureCurrentFileLocked() {
  const bool compacted = compactionNoticed_.exchange(false);
  auto atPath = fileSystem_.status(path_);
  if (file_ && atPath && atPath->isSameFile(openedFile_) && !compacted) return true;
  // A new file behind the path (compaction), a notification of one, or no file yet.
  closeFileLocked();
  resetLocked();
  if (!atPath) return false;
  try {
    auto file = fileSystem_.open(path_, {});
    openedFile_ = file->status();
    file_ = std::move(file);
    return true;
  } catch (const platform::SystemError&) {
    return false;
  }
}

std::size_t DNSIPMapReader::refresh() {
  MutexLock guard(lock_);
  if (!ensureCurrentFileLocked()) return 0;
  auto now = nowSeconds();
  if (!now) return 0;
  try {
    auto header = decodeHeader(file_->readUpTo(0, kHeaderSize));
    if (!header || !header->isValid()) return 0;
    const bool rewound = header->writeSequence < lastKnownWriteSequence_ ||
                         header->committedOffset < lastReadOffset_ ||
                         (header->writeSequence == lastKnownWriteSequence_ &&
                          header->committedOffset != lastReadOffset_);
    if (rewound) {
      // Rewritten in place (reinitialized): what was read no longer describes this file.
      resetLocked();
    }
    if (*now - lastSweepAt_ >= kSweepInterval) {
      sweepExpiredLocked(*now);
      lastSweepAt_ = *now;
    }
    // Never trust the header for how much to read: a damaged one may claim any size.
    std::uint64_t size = 0;
    try {
      size = file_->status().size;
    } catch (const platform::SystemError&) {
    }
    const std::uint64_t end = std::min(header->committedOffset, size);
    Bytes region =
        end > lastReadOffset_
            ? file_->readUpTo(lastReadOffset_, static_cast<std::size_t>(end - lastReadOffset_))
            : Bytes{};
    // Grow the table once for the whole catch-up rather than rehashing along the way.
    ipToDomains_.reserve(std::min(capacity_, ipToDomains_.size() + region.size() / 32));
    std::size_t taken = 0;
    std::size_t offset = 0;
    while (offset < region.size()) {
      auto decoded = decodeEntry(region, offset);
      if (!decoded) {
        logger_.error("Unreadable entry at offset %llu, skipping to %llu", lastReadOffset_ + offset,
                      header->committedOffset);
        break;
      }
      insertLocked(decoded->entry, *now);
      offset += decoded->length;
      ++taken;
    }
    lastReadOffset_ = header->committedOffset;
    lastKnownWriteSequence_ = header->writeSequence;
    return taken;
  } catch (const platform::SystemError& error) {
    logger_.error("Failed to read DNS-IP map: %s", error.description());
    return 0;
  }
}

void DNSIPMapReader::insertLocked(const DNSIPMapEntry& entry, std::uint32_t now) {
  if (isExpired(entry.recordedAt, entry.ttl, now)) return;
  const std::uint32_t expiry = expiresAt(entry.recordedAt, entry.ttl);
  const std::uint64_t sequence = ++nextSequence_;
  auto& domains = ipToDomains_[entry.ip];
  auto existing = std::find_if(domains.begin(), domains.end(), [&](const DomainEntry& held) {
    return held.domain == entry.domain;
  });
  if (existing != domains.end()) {
    existing->expiresAt = std::max(existing->expiresAt, expiry);
    existing->sequence = sequence;
  } else {
    domains.push_back(DomainEntry{entry.domain, expiry, sequence});
    ++heldCount_;
  }
  insertionOrder_.emplace_back(entry.ip, sequence);
  while (heldCount_ > capacity_) evictOldestLocked();
  // Refreshed pairs leave stale marks behind; rebuild the order once they dominate it.
  if (insertionOrder_.size() > 2 * heldCount_ + 1024) {
    std::vector<std::pair<std::uint64_t, std::string>> live;
    for (const auto& [ip, held] : ipToDomains_) {
      for (const auto& domain : held) live.emplace_back(domain.sequence, ip);
    }
    std::sort(live.begin(), live.end());
    insertionOrder_.clear();
    for (auto& [seq, ip] : live) insertionOrder_.emplace_back(std::move(ip), seq);
  }
}

void DNSIPMapReader::evictOldestLocked() {
  while (!insertionOrder_.empty()) {
    const std::string ip = std::move(insertionOrder_.front().first);
    const std::uint64_t sequence = insertionOrder_.front().second;
    insertionOrder_.pop_front();
    auto it = ipToDomains_.find(ip);
    if (it == ipToDomains_.end()) continue;
    auto& domains = it->second;
    auto held = std::find_if(domains.begin(), domains.end(),
                             [&](const DomainEntry& entry) { return entry.sequence == sequence; });
    if (held == domains.end()) continue;
    domains.erase(held);
    --heldCount_;
    if (domains.empty()) ipToDomains_.erase(it);
    return;
  }
}

void DNSIPMapReader::sweepExpiredLocked(std::uint32_t now) {
  for (auto it = ipToDomains_.begin(); it != ipToDomains_.end();) {
    auto& domains = it->second;
    std::size_t before = domains.size();
    std::erase_if(domains, [now](const DomainEntry& entry) { return entry.expiresAt < now; });
    heldCount_ -= before - domains.size();
    it = domains.empty() ? ipToDomains_.erase(it) : std::next(it);
  }
}

std::vector<std::string> DNSIPMapReader::lookup(std::string_view ip, std::uint32_t now) {
  MutexLock guard(lock_);
  ++lookupCount_;
  std::vector<std::string> domains;
  auto it = ipToDomains_.find(ip);
  if (it == ipToDomains_.end()) return domains;
  std::vector<const DomainEntry*> valid;
  for (const auto& entry : it->second) {
    if (entry.expiresAt >= now) valid.push_back(&entry);
  }
  std::sort(valid.begin(), valid.end(),
            [](const DomainEntry* a, const DomainEntry* b) { return a->sequence < b->sequence; });
  for (const DomainEntry* entry : valid) domains.push_back(entry->domain);
  return domains;
}

std::int64_t DNSIPMapReader::lookupCount() const {
  MutexLock guard(lock_);
  return lookupCount_;
}

std::size_t DNSIPMapReader::size() const {
  MutexLock guard(lock_);
  return heldCount_;
}

std::uint64_t DNSIPMapReader::lastReadOffset() const {
  MutexLock guard(lock_);
  return lastReadOffset_;
}

std::uint64_t DNSIPMapReader::lastKnownWriteSequence() const {
  MutexLock guard(lock_);
  return lastKnownWriteSequence_;
}

}  // namespace veltra::dnsmap
