// The shared shape of the format's error types: a case, up to two integers and a text as
// payload, and fixed wording built from them.
#pragma once

#include <cstdint>
#include <exception>
#include <ostream>
#include <string>
#include <utility>

namespace BlocklistV4Format {

// Base of an error enumeration with payload. Value type; equal when the case and every payload
// value are equal (the description follows from them).
template <typename CaseType>
class TypedError : public std::exception {
 public:
  using Case = CaseType;

  Case errorCase() const { return case_; }
  // Returns the first integer payload, 0 when the case has none.
  std::uint64_t first() const { return first_; }
  // Returns the second integer payload, 0 when the case has none.
  std::uint64_t second() const { return second_; }
  // Returns the text payload, empty when the case has none.
  const std::string& text() const { return text_; }

  const std::string& description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

  friend bool operator==(const TypedError& a, const TypedError& b) {
    return a.case_ == b.case_ && a.first_ == b.first_ && a.second_ == b.second_ &&
           a.text_ == b.text_;
  }

  friend std::ostream& operator<<(std::ostream& out, const TypedError& error) {
    return out << error.description_;
  }

 protected:
  TypedError(Case errorCase, std::uint64_t first, std::uint64_t second, std::string text,
             std::string description)
      : case_(errorCase),
        first_(first),
        second_(second),
        text_(std::move(text)),
        description_(std::move(description)) {}

 private:
  Case case_;
  std::uint64_t first_;
  std::uint64_t second_;
  std::string text_;
  std::string description_;
};

}  // namespace BlocklistV4Format
