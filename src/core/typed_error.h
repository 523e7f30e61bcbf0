// The one shape of every typed error: a payload that identifies the failure and fixed wording
// built from it once, when the error is made.
#pragma once

#include <exception>
#include <ostream>
#include <string>
#include <utility>

namespace veltra {

// Base of the error type `Derived`. Value type. `Payload` is exactly what equality compares
// (a struct with a defaulted ==, or the description itself); description() and what() return
// the wording the derived type built from it. Immutable, so safe to read from any thread.
template <typename Derived, typename Payload>
class TypedError : public std::exception {
 public:
  const std::string& description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

  // The failure's case, for payloads that name one.
  auto errorCase() const requires requires(const Payload& payload) { payload.errorCase; }
  { return payload_.errorCase; }

  friend bool operator==(const Derived& a, const Derived& b) { return a.payload_ == b.payload_; }
  friend std::ostream& operator<<(std::ostream& out, const Derived& error) {
    return out << error.description_;
  }

 protected:
  TypedError(Payload payload, std::string description)
      : payload_(std::move(payload)), description_(std::move(description)) {}

  const Payload& payload() const { return payload_; }

 private:
  Payload payload_;
  std::string description_;
};

// An error that is its description: equal when the wording is equal.
template <typename Derived>
class DescribedError : public TypedError<Derived, std::string> {
 protected:
  explicit DescribedError(std::string description)
      : TypedError<Derived, std::string>(description, description) {}
};

}  // namespace veltra
