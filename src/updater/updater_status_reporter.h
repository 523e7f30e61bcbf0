// Publishes one update run's progress in "updater-status.json" and announces each write.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "core/mutex.h"
#include "platform/clock.h"
#include "platform/darwin_notification_center.h"
#include "platform/file_system.h"
#include "updater/blocklist_updater_status.h"

namespace veltra::updater {

inline constexpr const char* kStatusChangedNotification =
    "tessel.vevavuvud.blocklistUpdaterStatusChanged";
inline constexpr const char* kBlocklistUpdatedNotification = "tessel.vevavuvud.blocklistUpdated";

// Receives a copy of the record after each write (a seam for tests and embedding processes).
using StatusObserver = std::function<void(const BlocklistUpdaterStatus&)>;

// One per run. Owns the run's status record; every write replaces the file atomically and then
// posts "tessel.vevavuvud.blocklistUpdaterStatusChanged". Thread-safe: one mutex guards the
// record (progress arrives on the transfer's thread). Phase and failure writes are done before
// the call returns; progress writes are handed to a writer thread so that a durable file write
// never stalls the transfer, and a newer record replaces one still waiting. Records reach the
// file in the order they were made; destruction waits for the last one.
class UpdaterStatusReporter {
 public:
  // Starts a record for a run of `formatVersion`, keeping only consecutiveFailures of the file
  // at `statusPath` (0 when it is missing or unreadable). Does not write.
  UpdaterStatusReporter(std::int64_t formatVersion, std::optional<Trigger> trigger,
                        std::string statusPath, const platform::Clock& clock,
                        platform::DarwinNotificationCenter& notifications,
                        platform::FileSystem& fileSystem = platform::FileSystem::real(),
                        StatusObserver observer = nullptr);
  UpdaterStatusReporter(const UpdaterStatusReporter&) = delete;
  UpdaterStatusReporter& operator=(const UpdaterStatusReporter&) = delete;

  // Sets the phase and writes; upToDate and complete clear the failure streak, downloading
  // resets the byte counts and the progress throttle.
  void setPhase(Phase phase);

  // Stores the counts and writes when the whole percentage changed or 0.5 s have passed.
  void reportProgress(std::int64_t bytesReceived, std::int64_t bytesExpected);

  // Records the run's failure (phase failed, one more consecutive failure) and writes.
  void reportFailure(FailureKind kind, const std::string& message);

  // Returns a copy of the record.
  BlocklistUpdaterStatus status() const;

  // Waits until every write made so far is in the file and announced.
  void flush();

  ~UpdaterStatusReporter();

  // Encodes `status` and replaces the file at `path` with mode 0644; never fails the caller.
  static void writeStatusFile(const BlocklistUpdaterStatus& status, const std::string& path,
                              platform::FileSystem& fileSystem = platform::FileSystem::real());

  static constexpr double kProgressInterval = 0.5;

 private:
  // Stamps the record and writes it: at once, or (for progress) through the writer thread.
  void writeLocked(bool deferred = false) REQUIRES(lock_) EXCLUDES(queueMutex_);
  // Writes a record to the file, posts the notification and tells the observer.
  void performWrite(const BlocklistUpdaterStatus& record);
  void writerLoop() EXCLUDES(queueMutex_);

  mutable Mutex lock_;
  BlocklistUpdaterStatus status_ GUARDED_BY(lock_);
  std::chrono::system_clock::time_point lastProgressWrite_ GUARDED_BY(lock_) =
      std::chrono::system_clock::time_point::min();
  std::int64_t lastProgressPercent_ GUARDED_BY(lock_) = -1;
  std::string statusPath_;
  const platform::Clock& clock_;
  platform::DarwinNotificationCenter& notifications_;
  platform::FileSystem& fileSystem_;
  StatusObserver observer_;

  // The writer thread's queue of at most one record, guarded by queueMutex_.
  Mutex queueMutex_;
  CondVar queueChanged_;
  std::optional<BlocklistUpdaterStatus> pending_ GUARDED_BY(queueMutex_);
  bool writing_ GUARDED_BY(queueMutex_) = false;
  bool stopping_ GUARDED_BY(queueMutex_) = false;
  std::thread writer_ GUARDED_BY(queueMutex_);
};

}  // namespace veltra::updater
