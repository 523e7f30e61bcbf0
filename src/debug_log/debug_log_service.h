// The state of the in-memory debug log service and of the filter loggers.
#pragma once

#include <cstdint>
#include <vector>

#include "core/mutex.h"
#include "debug_log/debug_log_entry.h"
#include "platform/logging.h"

namespace veltra::debuglog {

// Keeps at most `maxLogEntries` debug log entries in memory. The list is guarded by `lock`;
// the service owns its entries. Its operations belong to the daemon and the application.
class DebugLogService {
 public:
  // Creates an empty log keeping at most `maxLogEntries` entries.
  explicit DebugLogService(std::int64_t maxLogEntries)
      : logger_("tessel.Korvel2", "DebugLogService"), maxLogEntries_(maxLogEntries) {}
  DebugLogService(const DebugLogService&) = delete;
  DebugLogService& operator=(const DebugLogService&) = delete;

  std::int64_t maxLogEntries() const { return maxLogEntries_; }

 private:
  platform::Logger logger_;
  std::int64_t maxLogEntries_;
  Mutex lock_;
  std::vector<DebugLogEntry> inMemoryLogs_ GUARDED_BY(lock_);
};

// The interface through which the filter reports its decisions.
class FilterLoggerProtocol {
 public:
  virtual ~FilterLoggerProtocol() = default;
};

// The filter logger of a running daemon; it stores nothing itself.
class FilterLogger final : public FilterLoggerProtocol {};

// A filter logger that discards everything.
class NullFilterLogger final : public FilterLoggerProtocol {};

}  // namespace veltra::debuglog
