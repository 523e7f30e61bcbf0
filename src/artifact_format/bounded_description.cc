#include "artifact_format/bounded_description.h"

namespace BlocklistV4Format {

namespace {
constexpr std::size_t kMaxDescriptionLength = 400;
constexpr std::size_t kMaxSummaryFields = 16;
}  // namespace

std::string describe(std::string_view typeName, const SummaryFields& fields) {
  std::string text(typeName);
  text += "(";
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) text += ", ";
    text += fields[i].label;
    text += ": ";
    text += fields[i].value;
  }
  text += ")";
  return text;
}

std::vector<std::string> boundedDescriptionComplaints(std::string_view label,
                                                      std::string_view description,
                                                      std::size_t fieldCount) {
  std::vector<std::string> complaints;
  if (description.size() > kMaxDescriptionLength) {
    complaints.push_back(std::string(label) + ": description is " +
                         std::to_string(description.size()) + " chars (limit " +
                         std::to_string(kMaxDescriptionLength) + "); it is rendering its storage");
  }
  if (fieldCount > kMaxSummaryFields) {
    complaints.push_back(std::string(label) + ": mirror exposes " + std::to_string(fieldCount) +
                         " children (limit " + std::to_string(kMaxSummaryFields) +
                         "); a default mirror yields one per element");
  }
  return complaints;
}

}  // namespace BlocklistV4Format
