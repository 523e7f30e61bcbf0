// The writer's compaction: when to compact (size and sampled expiry) and the whole-file rewrite.
#include <fcntl.h>

#include <cerrno>

#include "core/little_endian.h"
#include "dns_ip_map/dns_ip_map_writer.h"
#include "dns_ip_map/positioned_io.h"
#include "platform/files.h"

namespace veltra::dnsmap {

void DNSIPMapWriter::compact() {
  std::lock_guard<std::mutex> guard(lock_);
  compactLocked();
}

bool DNSIPMapWriter::sampleExpiredFraction() {
  std::lock_guard<std::mutex> guard(lock_);
  return sampleExpiredFractionLocked();
}

void DNSIPMapWriter::checkCompaction() {
  if (currentCommittedOffset_ > kCompactionSizeTrigger) {
    logger_.info("Compaction trigger T1: file size %llu > %llu", currentCommittedOffset_,
                 kCompactionSizeTrigger);
    compactLocked();
  } else if (sampleExpiredFractionLocked()) {
    logger_.info("Compaction trigger T2: >40%% entries expired");
    compactLocked();
  }
}

Bytes DNSIPMapWriter::readCommittedRegion() {
  std::uint64_t size =
      currentCommittedOffset_ > kHeaderSize ? currentCommittedOffset_ - kHeaderSize : 0;
  return readUpTo(io_, fileHandle_, size, kHeaderSize, path_);
}

bool DNSIPMapWriter::indexEntryStarts() {
  Bytes region;
  try {
    region = readCommittedRegion();
  } catch (const platform::SystemError& error) {
    logger_.error("Expiration sampling failed: %s", error.description());
    return false;
  }
  if (region.empty()) return false;
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
  return true;
}

bool DNSIPMapWriter::sampleExpiredFractionLocked() {
  if (fileHandle_ < 0 || currentEntryCount_ == 0) return false;
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
      Bytes fields = readUpTo(io_, fileHandle_, kExpiryFieldsEnd - kRecordedAtOffset,
                              kHeaderSize + start + kRecordedAtOffset, path_);
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
  if (fileHandle_ < 0) return;
  auto now = nowSeconds();
  if (!now) {
    logger_.error("Compaction failed: %s",
                  std::string("the clock is outside the 32-bit time range"));
    return;
  }
  Bytes region;
  try {
    region = readCommittedRegion();
  } catch (const platform::SystemError& error) {
    logger_.error("Compaction read failed: %s", error.description());
    return;
  }
  if (region.empty()) {
    logger_.error("Compaction: could not read entries");
    return;
  }

  // Kept entries are copied byte for byte; the first undecodable entry ends the usable data.
  Bytes file(kHeaderSize, 0);
  file.reserve(kHeaderSize + region.size());
  std::uint32_t kept = 0;
  std::size_t offset = 0;
  while (auto decoded = decodeEntry(region, offset)) {
    if (!isExpired(decoded->entry.recordedAt, decoded->entry.ttl, *now)) {
      file.insert(file.end(), region.begin() + static_cast<std::ptrdiff_t>(offset),
                  region.begin() + static_cast<std::ptrdiff_t>(offset + decoded->length));
      ++kept;
    }
    offset += decoded->length;
  }
  const std::uint64_t writeSequence = currentWriteSequence_ + 1;
  const std::uint64_t committedOffset = file.size();
  auto header = encodeHeader(kept, *now, writeSequence, committedOffset);
  std::copy(header.begin(), header.end(), file.begin());

  const std::string newPath = path_ + kCompactionSuffix;
  try {
    platform::AtomicWriteOptions options;
    options.mode = 0644;
    platform::writeFileAtomically(newPath, file, options, io_);
    closeFile();
    if (io_.rename(newPath, path_) != 0) throw platform::SystemError("rename", path_, errno);
    platform::syncDirectory(platform::parentPath(path_), io_);
    fileHandle_ = openExclusively(O_RDWR);
    if (fileHandle_ < 0) throw platform::SystemError("open", path_, errno);
  } catch (const platform::SystemError& error) {
    logger_.error("Compaction failed: %s", error.description());
    io_.unlink(newPath);
    closeFile();
    fileHandle_ = openExclusively(O_RDWR);
    // Without a header read back the mirrors may describe the other file; commits would corrupt it.
    if (fileHandle_ < 0 || !loadHeader()) {
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
