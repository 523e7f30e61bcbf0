#include "artifact_format/bounded_description.h"

#include <gtest/gtest.h>

namespace BlocklistV4Format {
namespace {

// A value whose summary renders its storage, as a default description would.
struct Unbounded {
  std::size_t fieldCount;
  std::size_t valueLength;

  SummaryFields summaryFields() const {
    SummaryFields fields;
    for (std::size_t i = 0; i < fieldCount; ++i) {
      fields.push_back({"f" + std::to_string(i), std::string(valueLength, 'x')});
    }
    return fields;
  }
  std::string description() const { return describe("Unbounded", summaryFields()); }
};

TEST(BoundedDescription, DescribesTypeAndFields) {
  EXPECT_EQ(describe("T", {{"a", "1"}, {"b", "two"}}), "T(a: 1, b: two)");
  EXPECT_EQ(describe("T", {}), "T()");
}

TEST(BoundedDescriptionCheck, ComplainsAboutLongDescriptionsAndManyFields) {
  EXPECT_TRUE(BoundedDescriptionCheck(Unbounded{16, 10}, "small").empty());
  std::vector<std::string> complaints = BoundedDescriptionCheck(Unbounded{17, 30}, "big");
  std::string length = std::to_string(Unbounded{17, 30}.description().size());
  EXPECT_EQ(complaints,
            (std::vector<std::string>{
                "big: description is " + length + " chars (limit 400); it is rendering its storage",
                "big: mirror exposes 17 children (limit 16); a default mirror yields one per "
                "element"}));
}

}  // namespace
}  // namespace BlocklistV4Format
