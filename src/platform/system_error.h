// A failed operating-system call, as a typed error value.
#pragma once

#include <exception>
#include <string>

namespace veltra::platform {

// A failed OS call: the call's name, the path it was about and errno.
// Value type; description() is fixed wording: "<operation>(<path>) failed: <reason>", the
// reason being the system text for errno unless the caller knows a clearer one.
class SystemError : public std::exception {
 public:
  SystemError(std::string operation, std::string path, int errorNumber);
  // For a refusal the system text would not explain (ELOOP for a link that is not followed).
  SystemError(std::string operation, std::string path, int errorNumber, std::string reason);

  // Returns "<operation>(<path>) failed: <reason>".
  const std::string& description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

  const std::string& operation() const { return operation_; }
  const std::string& path() const { return path_; }
  int errorNumber() const { return errorNumber_; }

  friend bool operator==(const SystemError& a, const SystemError& b) {
    return a.operation_ == b.operation_ && a.path_ == b.path_ && a.errorNumber_ == b.errorNumber_;
  }

 private:
  std::string operation_;
  std::string path_;
  int errorNumber_;
  std::string description_;
};

// Returns the system's text for an errno value.
std::string errorText(int errorNumber);

}  // namespace veltra::platform
