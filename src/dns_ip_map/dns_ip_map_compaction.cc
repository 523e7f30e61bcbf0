// The writer's compaction: when to compact (size and sampled expiry) and the whole-file rewrite.
#include <algorithm>

#include "core/little_endian.h"
#include "dns_ip_map/dns_ip_map_writer.h"
#include "platform/files.h"

namespace veltra::dnsmap {

namespace {

// Returns the size trigger that follows a compaction which left `committedSize` bytes.
std::uint64_t sizeTriggerAfter(std::uint64_t committedSize) {
  return std::max(kCompactionSizeTrigger, 2 * committedSize);
}

// Calls `keep(offset, length)` for each unexpired entry of `region` (the committed bytes past
// the header) that comes before the first undecodable one: exactly what a compaction at `now`
// copies.
template <typename Keep>
void forEachKeptEntry(ByteView region, std::uint32_t now, Keep&& keep) {
  std::size_t offset = 0;
  while (auto decoded = decodeEntry(region, offset)) {
    if (!isExpired(decoded->entry.recordedAt, decoded->entry.ttl, now))
      keep(offset, decoded->length);
    offset += decoded->length;
  }
}

}  // namespace

void DNSIPMapWriter::compact() {
  MutexLock guard(lock_);
  compactLocked();
}

bool DNSIPMapWriter::sampleExpiredFraction() {
  MutexLock guard(lock_);
  return sampleExpiredFractionLocked();
}

void DNSIPMapWriter::checkCompaction() {
  if (currentCommittedOffset_ > sizeTrigger_) {
    logger_.info("Compaction trigger T1: file size %llu > %llu", currentCommittedOffset_,
                 sizeTrigger_);
    compactLocked();
  } else if (sampleExpiredFractionLocked()) {
    logger_.info("Compaction trigger T2: >40%% entries expired");
    compactLocked();
  }
}

// The file does not record what its last compaction kept, so a writer starting on a map past
// kCompactionSizeTrigger cannot take the trigger a previous writer had. Starting at the plain
// 5 MiB would compact at the first commit after every start, which for a map of live entries
// and a writer started per batch (the command-line tool) is the copy-per-commit this trigger
// exists to prevent; doubling the size found would let every restart push the trigger further
// ahead of the map, so that it never compacts.
// Instead the trigger is set from what a compaction would keep now, as if it had just run:
// a map that compaction would more than halve (one that has just grown past 5 MiB with expired
// entries that the sample missed, or whose compaction failed) still compacts at the first
// commit, and a map of live entries only at its next doubling. Maps at or below 5 MiB start at
// 5 MiB like a new one, so one that grows past it compacts once. The region read here also
// indexes the entry starts, which the first commit's expiry sample would read anyway.
void DNSIPMapWriter::startSizeTrigger() {
  sizeTrigger_ = kCompactionSizeTrigger;
  if (currentCommittedOffset_ <= kCompactionSizeTrigger) return;
  // Without the clock or the entries compaction cannot run either; the first commit tries it,
  // and the failure moves the trigger on.
  auto now = nowSeconds();
  if (!now) return;
  auto region = tryReadCommittedRegion("Compaction size trigger left at its start: %s");
  if (!region) return;
  std::uint64_t kept = kHeaderSize;
  forEachKeptEntry(*region, *now, [&](std::size_t, std::size_t length) { kept += length; });
  sizeTrigger_ = sizeTriggerAfter(kept);
  logger_.info("Compaction size trigger %llu: compaction would keep %llu of %llu bytes",
               sizeTrigger_, kept, currentCommittedOffset_);
  indexEntryStarts(*region);
}

Bytes DNSIPMapWriter::readCommittedRegion() {
  std::uint64_t size =
      currentCommittedOffset_ > kHeaderSize ? currentCommittedOffset_ - kHeaderSize : 0;
  return file_->readUpTo(kHeaderSize, static_cast<std::size_t>(size));
}

std::optional<Bytes> DNSIPMapWriter::tryReadCommittedRegion(std::string_view failureFormat) {
  try {
    return readCommittedRegion();
  } catch (const platform::SystemError& error) {
    logger_.error(failureFormat, error.description());
    return std::nullopt;
  }
}

bool DNSIPMapWriter::indexEntryStarts() {
  auto region = tryReadCommittedRegion("Expiration sampling failed: %s");
  if (!region || region->empty()) return false;
  indexEntryStarts(*region);
  return true;
}

void DNSIPMapWriter::indexEntryStarts(ByteView region) {
  // Entry starts by their length fields alone; checksums are left to compaction.
  entryStarts_.clear();
  std::size_t offset = 0;
  while (region.size() - offset >= 2) {
    std::size_t length = le::load16(region.data() + offset);
    if (length < kMinEntryLength || length > kMaxEntryLength || length > region.size() - offset)
      break;
    entryStarts_.push_back(offset);
    offset += length;
  }
  entryStartsKnown_ = true;
  entryStartsComplete_ = offset == region.size();
}

bool DNSIPMapWriter::sampleExpiredFractionLocked() {
  if (!file_ || currentEntryCount_ == 0) return false;
  std::size_t sampleSize = std::min<std::size_t>(currentEntryCount_, kExpirySampleSize);
  if (!entryStartsKnown_ && !indexEntryStarts()) return false;
  if (entryStarts_.empty()) return false;
  sampleSize = std::min(sampleSize, entryStarts_.size());

  auto now = nowSeconds();
  if (!now) return false;
  std::size_t expired = 0;
  try {
    for (std::size_t i = 0; i < sampleSize; ++i) {
      const std::uint64_t start = entryStarts_[random_.uniform(entryStarts_.size())];
      Bytes fields = file_->readUpTo(kHeaderSize + start + kRecordedAtOffset,
                                     kExpiryFieldsEnd - kRecordedAtOffset);
      if (fields.size() < kExpiryFieldsEnd - kRecordedAtOffset) continue;
      std::uint32_t recordedAt = le::load32(fields.data());
      std::uint32_t ttl = le::load32(fields.data() + (kTtlOffset - kRecordedAtOffset));
      if (isExpired(recordedAt, ttl, *now)) ++expired;
    }
  } catch (const platform::SystemError& error) {
    logger_.error("Expiration sampling failed: %s", error.description());
    return false;
  }
  return static_cast<double>(expired) / static_cast<double>(sampleSize) >
         kCompactionExpiredFraction;
}

void DNSIPMapWriter::compactLocked() {
  rewriteLiveEntries();
  // Whether the rewrite went through or not, the map now holds currentCommittedOffset_ bytes:
  // the next size-triggered attempt waits until that doubles, so a map of live entries is
  // copied once per doubling, and a compaction that keeps failing is retried once per doubling
  // instead of at every commit. (A failure that also leaves the sample above 40% is retried
  // by the sample at the next commit, as before.)
  sizeTrigger_ = sizeTriggerAfter(currentCommittedOffset_);
}

void DNSIPMapWriter::rewriteLiveEntries() {
  if (!file_) return;
  auto now = nowSeconds();
  if (!now) {
    logger_.error("Compaction failed: %s",
                  std::string("the clock is outside the 32-bit time range"));
    return;
  }
  auto read = tryReadCommittedRegion("Compaction read failed: %s");
  if (!read) return;
  const Bytes& region = *read;
  if (region.empty()) {
    logger_.error("Compaction: could not read entries");
    return;
  }

  // Kept entries are copied byte for byte; the first undecodable entry ends the usable data.
  Bytes file(kHeaderSize, 0);
  file.reserve(kHeaderSize + region.size());
  std::uint32_t kept = 0;
  forEachKeptEntry(region, *now, [&](std::size_t offset, std::size_t length) {
    file.insert(file.end(), region.begin() + static_cast<std::ptrdiff_t>(offset),
                region.begin() + static_cast<std::ptrdiff_t>(offset + length));
    ++kept;
  });
  const std::uint64_t writeSequence = currentWriteSequence_ + 1;
  const std::uint64_t committedOffset = file.size();
  auto header = encodeHeader(kept, *now, writeSequence, committedOffset);
  std::copy(header.begin(), header.end(), file.begin());

  const std::string newPath = path_ + kCompactionSuffix;
  try {
    platform::AtomicWriteOptions options;
    options.mode = 0644;
    platform::writeFileAtomically(newPath, file, options, fileSystem_);
    closeFile();
    fileSystem_.rename(newPath, path_);
    fileSystem_.syncDirectory(platform::parentPath(path_));
    file_ = openExclusively(false);
  } catch (const platform::SystemError& error) {
    logger_.error("Compaction failed: %s", error.description());
    fileSystem_.tryRemove(newPath);
    closeFile();
    try {
      file_ = openExclusively(false);
    } catch (const platform::SystemError&) {
    }
    // Without a header read back the mirrors may describe the other file; commits would corrupt it.
    if (!file_ || !loadHeader()) {
      closeFile();
      logger_.error("Failed to recover after compaction — writer disabled");
      disable();
    }
    return;
  }
  entryStartsKnown_ = false;
  currentEntryCount_ = kept;
  currentCommittedOffset_ = committedOffset;
  currentWriteSequence_ = writeSequence;
  currentLastCompactedAt_ = *now;
  logger_.info("Compaction complete: %u entries, %llu bytes", kept, committedOffset);
  notificationCenter_.post(kMapCompactedNotification);
}

}  // namespace veltra::dnsmap
