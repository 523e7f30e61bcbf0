// Short debug descriptions built from a value's (label, value) summary fields.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace BlocklistV4Format {

// One (label, value) pair of a summary, the value already rendered as text.
struct SummaryField {
  std::string label;
  std::string value;

  friend bool operator==(const SummaryField&, const SummaryField&) = default;
};
using SummaryFields = std::vector<SummaryField>;

// Returns "TypeName(label: value, label: value)".
std::string describe(std::string_view typeName, const SummaryFields& fields);

// Returns the complaints about a description and a summary that are not bounded: a description
// over 400 characters, or more than 16 summary fields. Empty when both are bounded.
std::vector<std::string> boundedDescriptionComplaints(std::string_view label,
                                                      std::string_view description,
                                                      std::size_t fieldCount);

// Returns the complaints for `value`, which offers description() and summaryFields().
template <typename Value>
std::vector<std::string> BoundedDescriptionCheck(const Value& value, std::string_view label) {
  return boundedDescriptionComplaints(label, value.description(), value.summaryFields().size());
}

}  // namespace BlocklistV4Format
