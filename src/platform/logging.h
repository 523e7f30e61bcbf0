// Diagnostic records with subsystem, category and level: os_log on macOS, syslog(3) on Linux.
// String arguments are private (shown as "<private>") unless VELTRA_LOG_PRIVATE=1;
// VELTRA_LOG_STDERR=1 also writes every record to standard error, one line each.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/mutex.h"

namespace veltra::platform {

enum class LogLevel { debug, info, defaultLevel, error, fault };

// Returns "debug", "info", "default", "error" or "fault".
std::string_view logLevelName(LogLevel level);

// One argument of a record: strings are private, numbers public.
struct LogArg {
  std::string text;
  bool isPrivate = false;

  LogArg(std::string_view value) : text(value), isPrivate(true) {}
  LogArg(const std::string& value) : text(value), isPrivate(true) {}
  LogArg(const char* value) : text(value), isPrivate(true) {}
  template <typename T, typename = std::enable_if_t<std::is_arithmetic_v<T>>>
  LogArg(T value) : text(std::to_string(value)) {}
};

// One emitted record, as a sink receives it.
struct LogRecord {
  std::string subsystem;
  std::string category;
  LogLevel level = LogLevel::defaultLevel;
  std::string format;
  std::vector<std::string> arguments;
  // The format with every argument filled in.
  std::string message;
  // The format with private arguments shown as "<private>".
  std::string redactedMessage;
};

// Receives records. Implementations must be thread-safe.
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void write(const LogRecord& record) = 0;
};

// Keeps records in memory for tests; thread-safe.
class RecordingLogSink : public LogSink {
 public:
  void write(const LogRecord& record) override;
  // Returns a copy of every record so far.
  std::vector<LogRecord> records() const;
  // Tells whether a record of `level` has a message containing `text`.
  bool contains(LogLevel level, std::string_view text) const;
  // Returns how many records have a message containing `text`.
  std::size_t count(std::string_view text) const;
  void clear();

 private:
  mutable Mutex mutex_;
  std::vector<LogRecord> records_ GUARDED_BY(mutex_);
};

// Routes every record of the process to `sink` while alive (tests); restores the previous one.
class ScopedLogSink {
 public:
  explicit ScopedLogSink(LogSink& sink);
  ~ScopedLogSink();
  ScopedLogSink(const ScopedLogSink&) = delete;
  ScopedLogSink& operator=(const ScopedLogSink&) = delete;

 private:
  LogSink* previous_;
};

// Fills %s, %d, %ld, %lld, %lu, %llu, %f, %@ and %{public}s placeholders in order; "%%" is "%".
std::string renderLogFormat(std::string_view format, const std::vector<std::string>& arguments);

// A logger for one subsystem and category. Cheap to copy; thread-safe.
class Logger {
 public:
  Logger(std::string subsystem, std::string category);

  // Emits a record at `level`.
  void log(LogLevel level, std::string_view format, std::vector<LogArg> arguments) const;

  template <typename... A>
  void debug(std::string_view format, const A&... args) const {
    log(LogLevel::debug, format, {LogArg(args)...});
  }
  template <typename... A>
  void info(std::string_view format, const A&... args) const {
    log(LogLevel::info, format, {LogArg(args)...});
  }
  template <typename... A>
  void notice(std::string_view format, const A&... args) const {
    log(LogLevel::defaultLevel, format, {LogArg(args)...});
  }
  template <typename... A>
  void error(std::string_view format, const A&... args) const {
    log(LogLevel::error, format, {LogArg(args)...});
  }
  template <typename... A>
  void fault(std::string_view format, const A&... args) const {
    log(LogLevel::fault, format, {LogArg(args)...});
  }

  const std::string& subsystem() const { return subsystem_; }
  const std::string& category() const { return category_; }

 private:
  std::string subsystem_;
  std::string category_;
};

}  // namespace veltra::platform
