#include "dns_ip_map/dns_ip_map_writer.h"

#include "dns_ip_map/unix_seconds.h"
#include "platform/environment.h"
#include "platform/files.h"

namespace veltra::dnsmap {

DNSIPMapWriter::DNSIPMapWriter(std::string path, DNSIPMapWriterServices services,
                               FlushPolicy policy)
    : path_(std::move(path)),
      fileSystem_(services.fileSystem != nullptr ? *services.fileSystem
                                                 : platform::FileSystem::real()),
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
  try {
    file_ = openExclusively(true);
  } catch (const platform::SystemError& error) {
    if (platform::isLockHeldElsewhere(error.errorNumber())) {
      logger_.error("DNS-IP map is in use by another writer: %s", path_);
    } else {
      logger_.error("Failed to open DNS-IP map: %s", error.description());
    }
    return false;
  }
  std::optional<platform::FileStatus> status;
  try {
    status = file_->status();
  } catch (const platform::SystemError&) {
  }
  bool ready;
  if (status && status->size == 0) {
    // A file this writer just created: give it an empty header without calling it damaged.
    try {
      // Best effort: a mode left to the file-creation mask only narrows who may read.
      try {
        file_->setPermissions(0644);
      } catch (const platform::SystemError&) {
      }
      writeFreshHeader(nowSeconds().value_or(0));
      // Make the new name durable too, or a crash could take the first commits with it.
      fileSystem_.syncDirectory(platform::parentPath(path_));
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
  if (pendingEntries_.empty() || !file_) return;
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
    file_->writeAt(currentCommittedOffset_, batch);
    file_->sync();
    auto header = encodeHeader(entryCount, currentLastCompactedAt_, writeSequence, committedOffset);
    headerMayDiffer_ = true;
    file_->writeAt(0, header);
    file_->sync();
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
  if (!file_) return false;
  entryStartsKnown_ = false;
  try {
    auto status = file_->status();
    auto header = decodeHeader(file_->readUpTo(0, kHeaderSize));
    if (header && header->isValid()) {
      std::uint64_t committedOffset = header->committedOffset;
      if (committedOffset > status.size) {
        logger_.error("committedOffset (%llu) > file size (%llu), clamping", committedOffset,
                      status.size);
        committedOffset = status.size;
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
  file_->writeAt(0, header);
  file_->truncate(kHeaderSize);
  file_->sync();
  entryStartsKnown_ = false;
  // The mirror takes the creation time written above, so the next commit keeps it on disk.
  currentEntryCount_ = 0;
  currentCommittedOffset_ = kHeaderSize;
  currentWriteSequence_ = 0;
  currentLastCompactedAt_ = createdAt;
}

std::unique_ptr<platform::File> DNSIPMapWriter::openExclusively(bool create) {
  // The data folder may hold a link another user planted at the map's name; following it would
  // create, write and re-mode a file outside the folder.
  auto file = fileSystem_.open(
      path_, {.mode = create ? platform::OpenMode::createOrOpen : platform::OpenMode::readWrite,
              .names = platform::NamePolicy::noLinks,
              .permissions = 0644});
  // Two writers would commit over each other's entries; the lock goes with the open file.
  if (int error = file->tryLockExclusive()) throw platform::SystemError("open", path_, error);
  return file;
}

void DNSIPMapWriter::closeFile() { file_.reset(); }

void DNSIPMapWriter::disable() {
  closeFile();
  isStarted_ = false;
  pendingEntries_.clear();
}

}  // namespace veltra::dnsmap
