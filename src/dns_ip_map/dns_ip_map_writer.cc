#include "dns_ip_map/dns_ip_map_writer.h"

#include <fcntl.h>

#include <cerrno>

#include "dns_ip_map/positioned_io.h"
#include "dns_ip_map/unix_seconds.h"
#include "platform/environment.h"
#include "platform/file_lock.h"
#include "platform/file_status.h"
#include "platform/files.h"

namespace veltra::dnsmap {

DNSIPMapWriter::DNSIPMapWriter(std::string path, DNSIPMapWriterServices services,
                               FlushPolicy policy)
    : path_(std::move(path)),
      io_(services.io != nullptr ? *services.io : platform::FileIO::real()),
      notificationCenter_(services.notificationCenter != nullptr
                              ? *services.notificationCenter
                              : platform::DarwinNotificationCenter::shared()),
      clock_(services.clock != nullptr ? *services.clock : platform::Clock::system()),
      random_(services.random != nullptr ? *services.random : RandomSource::system()),
      policy_(policy),
      logger_("tessel.Korvel2", "DNSIPMapWriter") {}

DNSIPMapWriter::~DNSIPMapWriter() { stop(); }

std::string DNSIPMapWriter::defaultPath() {
  return platform::joinPath(platform::Environment::current().dataDirectory, kMapFileName);
}

std::optional<std::uint32_t> DNSIPMapWriter::nowSeconds() const { return unixSeconds(clock_); }

bool DNSIPMapWriter::start() {
  MutexLock guard(lock_);
  if (isStarted_) return true;
  fileHandle_ = openExclusively(O_RDWR | O_CREAT);
  if (fileHandle_ < 0) {
    if (errno == EWOULDBLOCK) {
      logger_.error("DNS-IP map is in use by another writer: %s", path_);
    } else {
      logger_.error("Failed to open DNS-IP map: %s",
                    platform::SystemError("open", path_, errno).description());
    }
    return false;
  }
  auto status = platform::statDescriptor(fileHandle_);
  bool ready;
  if (status && status->size == 0) {
    // A file this writer just created: give it an empty header without calling it damaged.
    try {
      io_.fchmod(fileHandle_, 0644);
      writeFreshHeader(nowSeconds().value_or(0));
      // Make the new name durable too, or a crash could take the first commits with it.
      platform::syncDirectory(platform::parentPath(path_), io_);
      ready = true;
    } catch (const platform::SystemError& error) {
      logger_.error("Failed to read header: %s", error.description());
      ready = false;
    }
  } else {
    ready = loadHeader();
  }
  if (!ready) {
    // Unknown mirrors would let the next commit overwrite committed entries.
    closeFile();
    return false;
  }
  startSizeTrigger();
  isStarted_ = true;
  lastFlushTime_ = clock_.now();
  logger_.info("DNS-IP Map Writer started (%u entries, %llu bytes)", currentEntryCount_,
               currentCommittedOffset_);
  return true;
}

void DNSIPMapWriter::stop() {
  MutexLock guard(lock_);
  if (!isStarted_) return;
  flushLocked();
  closeFile();
  isStarted_ = false;
  pendingEntries_.clear();
  logger_.info("DNS-IP Map Writer stopped");
}

bool DNSIPMapWriter::record(DNSIPMapEntry entry) {
  MutexLock guard(lock_);
  if (!isStarted_) return false;
  pendingEntries_.push_back(std::move(entry));
  if (pendingEntries_.size() >= policy_.batchSize ||
      clock_.now() - lastFlushTime_ >= policy_.interval) {
    flushLocked();
  }
  return true;
}

void DNSIPMapWriter::flushIfDue() {
  MutexLock guard(lock_);
  if (!pendingEntries_.empty() && clock_.now() - lastFlushTime_ >= policy_.interval) flushLocked();
}

void DNSIPMapWriter::flush() {
  MutexLock guard(lock_);
  flushLocked();
}

DNSIPMapWriterState DNSIPMapWriter::state() const {
  MutexLock guard(lock_);
  return DNSIPMapWriterState{isStarted_,
                             currentEntryCount_,
                             currentCommittedOffset_,
                             currentWriteSequence_,
                             currentLastCompactedAt_,
                             pendingEntries_.size(),
                             sizeTrigger_};
}

void DNSIPMapWriter::flushLocked() {
  if (pendingEntries_.empty() || fileHandle_ < 0) return;
  Bytes batch;
  std::vector<std::uint64_t> starts;
  std::uint32_t count = 0;
  for (const DNSIPMapEntry& entry : pendingEntries_) {
    const std::size_t start = batch.size();
    if (appendEncodedEntry(batch, entry)) {
      ++count;
      starts.push_back(start);
    }
  }
  pendingEntries_.clear();
  lastFlushTime_ = clock_.now();
  if (count == 0) return;
  if (headerMayDiffer_) {
    if (!loadHeader()) return;
    headerMayDiffer_ = false;
  }

  const std::uint32_t entryCount = currentEntryCount_ + count;
  const std::uint64_t writeSequence = currentWriteSequence_ + 1;
  const std::uint64_t committedOffset = currentCommittedOffset_ + batch.size();
  try {
    writeAllAt(io_, fileHandle_, batch, currentCommittedOffset_, path_);
    syncFile(io_, fileHandle_, path_);
    auto header = encodeHeader(entryCount, currentLastCompactedAt_, writeSequence, committedOffset);
    headerMayDiffer_ = true;
    writeAllAt(io_, fileHandle_, header, 0, path_);
    syncFile(io_, fileHandle_, path_);
    headerMayDiffer_ = false;
  } catch (const platform::SystemError& error) {
    logger_.error("Flush failed: %s", error.description());
    return;
  }
  if (entryStartsKnown_ && entryStartsComplete_) {
    for (std::uint64_t start : starts)
      entryStarts_.push_back(currentCommittedOffset_ - kHeaderSize + start);
  }
  currentEntryCount_ = entryCount;
  currentWriteSequence_ = writeSequence;
  currentCommittedOffset_ = committedOffset;
  notificationCenter_.post(kMapUpdatedNotification);
  checkCompaction();
}

bool DNSIPMapWriter::loadHeader() {
  if (fileHandle_ < 0) return false;
  entryStartsKnown_ = false;
  try {
    auto status = platform::statDescriptor(fileHandle_);
    if (!status) throw platform::SystemError("fstat", path_, errno);
    Bytes bytes = readUpTo(io_, fileHandle_, kHeaderSize, 0, path_);
    auto header = decodeHeader(bytes);
    if (header && header->isValid()) {
      std::uint64_t committedOffset = header->committedOffset;
      if (committedOffset > status->size) {
        logger_.error("committedOffset (%llu) > file size (%llu), clamping", committedOffset,
                      status->size);
        committedOffset = status->size;
      }
      currentEntryCount_ = header->entryCount;
      currentCommittedOffset_ = committedOffset;
      currentWriteSequence_ = header->writeSequence;
      currentLastCompactedAt_ = header->lastCompactedAt;
      return true;
    }
    logger_.error("Invalid header, reinitializing file");
    writeFreshHeader(nowSeconds().value_or(0));
    return true;
  } catch (const platform::SystemError& error) {
    logger_.error("Failed to read header: %s", error.description());
    return false;
  }
}

void DNSIPMapWriter::writeFreshHeader(std::uint32_t createdAt) {
  auto header = encodeHeader(0, createdAt, 0, kHeaderSize);
  writeAllAt(io_, fileHandle_, header, 0, path_);
  if (io_.ftruncate(fileHandle_, static_cast<off_t>(kHeaderSize)) != 0) {
    throw platform::SystemError("ftruncate", path_, errno);
  }
  syncFile(io_, fileHandle_, path_);
  entryStartsKnown_ = false;
  // The mirror takes the creation time written above, so the next commit keeps it on disk.
  currentEntryCount_ = 0;
  currentCommittedOffset_ = kHeaderSize;
  currentWriteSequence_ = 0;
  currentLastCompactedAt_ = createdAt;
}

int DNSIPMapWriter::openExclusively(int flags) {
  // The data folder may hold a link another user planted at the map's name; following it would
  // create, write and re-mode a file outside the folder.
  int fd = io_.open(path_, flags | O_NOFOLLOW, 0644);
  if (fd < 0) return -1;
  // Two writers would commit over each other's entries; the lock goes with the descriptor.
  if (int error = platform::tryLockExclusive(fd)) {
    io_.close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

void DNSIPMapWriter::closeFile() {
  if (fileHandle_ < 0) return;
  io_.close(fileHandle_);
  fileHandle_ = -1;
}

void DNSIPMapWriter::disable() {
  closeFile();
  isStarted_ = false;
  pendingEntries_.clear();
}

}  // namespace veltra::dnsmap
