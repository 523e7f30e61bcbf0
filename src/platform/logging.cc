#include "platform/logging.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__APPLE__)
#include <os/log.h>
#else
#include <syslog.h>
#endif

namespace veltra::platform {

namespace {

bool envFlag(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && std::strcmp(value, "1") == 0;
}

// The default destination: the system log, plus standard error when asked.
class SystemLogSink : public LogSink {
 public:
  void write(const LogRecord& record) override {
    static const bool showPrivate = envFlag("VELTRA_LOG_PRIVATE");
    static const bool toStderr = envFlag("VELTRA_LOG_STDERR");
    const std::string& text = showPrivate ? record.message : record.redactedMessage;
#if defined(__APPLE__)
    os_log_t log = os_log_create(record.subsystem.c_str(), record.category.c_str());
    os_log_type_t type = OS_LOG_TYPE_DEFAULT;
    switch (record.level) {
      case LogLevel::debug:
        type = OS_LOG_TYPE_DEBUG;
        break;
      case LogLevel::info:
        type = OS_LOG_TYPE_INFO;
        break;
      case LogLevel::defaultLevel:
        type = OS_LOG_TYPE_DEFAULT;
        break;
      case LogLevel::error:
        type = OS_LOG_TYPE_ERROR;
        break;
      case LogLevel::fault:
        type = OS_LOG_TYPE_FAULT;
        break;
    }
    os_log_with_type(log, type, "%{public}s", text.c_str());
#else
    int priority = LOG_NOTICE;
    switch (record.level) {
      case LogLevel::debug:
        priority = LOG_DEBUG;
        break;
      case LogLevel::info:
        priority = LOG_INFO;
        break;
      case LogLevel::defaultLevel:
        priority = LOG_NOTICE;
        break;
      case LogLevel::error:
        priority = LOG_ERR;
        break;
      case LogLevel::fault:
        priority = LOG_CRIT;
        break;
    }
    syslog(LOG_USER | priority, "[%s:%s] %s", record.subsystem.c_str(), record.category.c_str(),
           text.c_str());
#endif
    if (toStderr) {
      std::string line = "[" + record.subsystem + ":" + record.category + "] " +
                         std::string(logLevelName(record.level)) + ": " + text + "\n";
      std::fwrite(line.data(), 1, line.size(), stderr);
    }
  }
};

SystemLogSink& systemSink() {
  static SystemLogSink sink;
  return sink;
}

std::atomic<LogSink*>& currentSink() {
  static std::atomic<LogSink*> sink{&systemSink()};
  return sink;
}

}  // namespace

std::string_view logLevelName(LogLevel level) {
  switch (level) {
    case LogLevel::debug:
      return "debug";
    case LogLevel::info:
      return "info";
    case LogLevel::defaultLevel:
      return "default";
    case LogLevel::error:
      return "error";
    case LogLevel::fault:
      return "fault";
  }
  return "default";
}

void RecordingLogSink::write(const LogRecord& record) {
  MutexLock guard(mutex_);
  records_.push_back(record);
}

std::vector<LogRecord> RecordingLogSink::records() const {
  MutexLock guard(mutex_);
  return records_;
}

bool RecordingLogSink::contains(LogLevel level, std::string_view text) const {
  MutexLock guard(mutex_);
  for (const auto& r : records_) {
    if (r.level == level && r.message.find(text) != std::string::npos) return true;
  }
  return false;
}

std::size_t RecordingLogSink::count(std::string_view text) const {
  MutexLock guard(mutex_);
  std::size_t n = 0;
  for (const auto& r : records_) n += r.message.find(text) != std::string::npos ? 1 : 0;
  return n;
}

void RecordingLogSink::clear() {
  MutexLock guard(mutex_);
  records_.clear();
}

ScopedLogSink::ScopedLogSink(LogSink& sink) : previous_(currentSink().exchange(&sink)) {}
ScopedLogSink::~ScopedLogSink() { currentSink().store(previous_); }

std::string renderLogFormat(std::string_view format, const std::vector<std::string>& arguments) {
  std::string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c != '%' || i + 1 >= format.size()) {
      out.push_back(c);
      continue;
    }
    if (format[i + 1] == '%') {
      out.push_back('%');
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    if (format[j] == '{') {
      auto close = format.find('}', j);
      if (close == std::string_view::npos) {
        out.push_back(c);
        continue;
      }
      j = close + 1;
    }
    while (j < format.size() &&
           (format[j] == 'l' || format[j] == 'h' || format[j] == 'z' || format[j] == 'q'))
      ++j;
    if (j < format.size() && std::strchr("sdiuxf@", format[j]) != nullptr) {
      out += next < arguments.size() ? arguments[next] : std::string();
      ++next;
      i = j;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

Logger::Logger(std::string subsystem, std::string category)
    : subsystem_(std::move(subsystem)), category_(std::move(category)) {}

void Logger::log(LogLevel level, std::string_view format, std::vector<LogArg> arguments) const {
  LogRecord record;
  record.subsystem = subsystem_;
  record.category = category_;
  record.level = level;
  record.format = std::string(format);
  std::vector<std::string> redacted;
  for (auto& argument : arguments) {
    redacted.push_back(argument.isPrivate ? "<private>" : argument.text);
    record.arguments.push_back(std::move(argument.text));
  }
  record.message = renderLogFormat(format, record.arguments);
  record.redactedMessage = renderLogFormat(format, redacted);
  currentSink().load()->write(record);
}

}  // namespace veltra::platform
