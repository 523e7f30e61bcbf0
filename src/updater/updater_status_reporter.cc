#include "updater/updater_status_reporter.h"

#include <algorithm>
#include <limits>

#include "core/json_fields.h"
#include "platform/files.h"

namespace veltra::updater {

UpdaterStatusReporter::UpdaterStatusReporter(std::int64_t formatVersion,
                                             std::optional<Trigger> trigger, std::string statusPath,
                                             const platform::Clock& clock,
                                             platform::DarwinNotificationCenter& notifications,
                                             platform::FileSystem& fileSystem,
                                             StatusObserver observer)
    : statusPath_(std::move(statusPath)),
      clock_(clock),
      notifications_(notifications),
      fileSystem_(fileSystem),
      observer_(std::move(observer)) {
  auto now = clock_.now();
  std::int64_t failures = 0;
  if (auto bytes =
          platform::readFileBoundedIfPresent(statusPath_, json::kMaxDocumentBytes, fileSystem_)) {
    try {
      failures = BlocklistUpdaterStatus::decode(*bytes, now).consecutiveFailures;
    } catch (const json::DecodingError&) {
      failures = 0;
    }
  }
  status_.formatVersion = formatVersion;
  status_.trigger = trigger;
  status_.consecutiveFailures = failures;
  status_.startedAt = now;
  status_.updatedAt = now;
}

void UpdaterStatusReporter::setPhase(Phase phase) {
  MutexLock guard(lock_);
  status_.phase = phase;
  if (phase == Phase::upToDate || phase == Phase::complete) {
    status_.consecutiveFailures = 0;
    status_.failureKind.reset();
    status_.failureMessage.reset();
  } else if (phase == Phase::downloading) {
    status_.bytesReceived = 0;
    status_.bytesExpected = 0;
    lastProgressPercent_ = -1;
  }
  writeLocked();
}

void UpdaterStatusReporter::reportProgress(std::int64_t bytesReceived, std::int64_t bytesExpected) {
  MutexLock guard(lock_);
  status_.bytesReceived = bytesReceived;
  status_.bytesExpected = std::max<std::int64_t>(bytesExpected, 0);
  std::int64_t percent = -1;
  if (bytesExpected >= 1) {
    double fraction = std::min(
        static_cast<double>(bytesReceived) / static_cast<double>(status_.bytesExpected), 1.0);
    percent = static_cast<std::int64_t>(100.0 * fraction);
  }
  auto now = clock_.now();
  bool intervalPassed =
      lastProgressWrite_ == std::chrono::system_clock::time_point::min() ||
      std::chrono::duration<double>(now - lastProgressWrite_).count() >= kProgressInterval;
  if (percent == lastProgressPercent_ && !intervalPassed) return;
  lastProgressPercent_ = percent;
  lastProgressWrite_ = now;
  writeLocked(/*deferred=*/true);
}

void UpdaterStatusReporter::reportFailure(FailureKind kind, const std::string& message) {
  MutexLock guard(lock_);
  status_.phase = Phase::failed;
  status_.failureKind = kind;
  status_.failureMessage = message;
  // The count comes from a file anyone may have written; at the largest value it stays there.
  if (status_.consecutiveFailures < std::numeric_limits<std::int64_t>::max())
    status_.consecutiveFailures += 1;
  writeLocked();
}

BlocklistUpdaterStatus UpdaterStatusReporter::status() const {
  MutexLock guard(lock_);
  return status_;
}

UpdaterStatusReporter::~UpdaterStatusReporter() {
  {
    MutexLock guard(queueMutex_);
    stopping_ = true;
  }
  queueChanged_.notifyAll();
  if (writer_.joinable()) writer_.join();
}

void UpdaterStatusReporter::flush() {
  MutexLock queue(queueMutex_);
  while (pending_ || writing_) queueChanged_.wait(queueMutex_);
}

void UpdaterStatusReporter::writeLocked(bool deferred) {
  status_.updatedAt = clock_.now();
  MutexLock queue(queueMutex_);
  if (deferred) {
    pending_ = status_;  // replaces an older progress record not yet written
    if (!writer_.joinable()) writer_ = std::thread([this] { writerLoop(); });
    queue.unlock();
    queueChanged_.notifyAll();
    return;
  }
  // This record supersedes any waiting one; let a write in flight finish first so that the
  // file never goes back to an older record.
  pending_.reset();
  while (writing_) queueChanged_.wait(queueMutex_);
  queue.unlock();
  performWrite(status_);
}

void UpdaterStatusReporter::writerLoop() {
  MutexLock queue(queueMutex_);
  for (;;) {
    while (!pending_ && !stopping_) queueChanged_.wait(queueMutex_);
    if (!pending_) return;  // stopping with nothing left to write
    BlocklistUpdaterStatus record = std::move(*pending_);
    pending_.reset();
    writing_ = true;
    queue.unlock();
    performWrite(record);
    queue.lock();
    writing_ = false;
    queueChanged_.notifyAll();
  }
}

void UpdaterStatusReporter::performWrite(const BlocklistUpdaterStatus& record) {
  writeStatusFile(record, statusPath_, fileSystem_);
  notifications_.post(kStatusChangedNotification);
  if (observer_) observer_(record);
}

void UpdaterStatusReporter::writeStatusFile(const BlocklistUpdaterStatus& status,
                                            const std::string& path,
                                            platform::FileSystem& fileSystem) {
  std::string text = status.encode();
  try {
    platform::writeFileAtomically(path, asBytes(text), {.mode = 0644, .tempPath = ""}, fileSystem);
  } catch (const platform::SystemError&) {
    try {
      platform::createDirectories(platform::parentPath(path), 0755);
    } catch (const platform::SystemError&) {
    }
    try {
      platform::writeFileAtomically(path, asBytes(text), {.mode = 0644, .tempPath = ""},
                                    fileSystem);
    } catch (const platform::SystemError&) {
    }
  }
  try {
    platform::setMode(path, 0644);
  } catch (const platform::SystemError&) {
  }
}

}  // namespace veltra::updater
