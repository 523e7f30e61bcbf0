// The bounded parser builds the same tree as nlohmann's own parser and fails where it fails.
#include <gtest/gtest.h>

#include "core/json_fields.h"

namespace veltra::json {
namespace {

TEST(ParseValue, BuildsTheTreeNlohmannBuilds) {
  const char* texts[] = {
      R"({"a": 1, "b": [true, false, null], "c": {"d": "e\u00e9\n"}, "": []})",
      R"({"dup": 1, "dup": [2], "dup": {"last": "wins"}})",
      R"([0, -1, 18446744073709551615, 18446744073709551616, -9223372036854775808, 1.5, 2e3])",
      R"("just a string")",
      " 7 ",
      "[[], {}, [[{}]], {\"x\": [{}, []]}]",
  };
  for (const char* text : texts) {
    ParsedValue parsed = parseValue(asBytes(text));
    EXPECT_FALSE(parsed.failure) << text;
    nlohmann::json expected = nlohmann::json::parse(text);
    EXPECT_EQ(parsed.value, expected) << text;
    EXPECT_EQ(parsed.value.dump(), expected.dump()) << text;  // same number types too
  }
}

TEST(ParseValue, MalformedTextFailsAndTheFirstProblemCounts) {
  struct Case {
    std::string text;
    SyntaxFailure failure;
  };
  const Case cases[] = {
      {"", SyntaxFailure::malformed},
      {"{} {}", SyntaxFailure::malformed},
      {R"({"a": 1,})", SyntaxFailure::malformed},
      {"[1, 2", SyntaxFailure::malformed},
      {"/* comment */ {}", SyntaxFailure::malformed},
      {"\"\xff\"", SyntaxFailure::malformed},
      {"1e999", SyntaxFailure::malformed},
      {"[" + std::string(64, '[') + "]", SyntaxFailure::nestedTooDeep},
      {"[}" + std::string(100, '['), SyntaxFailure::malformed},
  };
  for (const Case& c : cases) {
    ParsedValue parsed = parseValue(asBytes(c.text));
    EXPECT_EQ(parsed.failure, c.failure) << c.text;
    EXPECT_TRUE(parsed.value.is_null()) << c.text;
  }
}

TEST(ParseObject, NamesEachFailure) {
  struct Case {
    std::string text;
    std::string description;
  };
  const Case cases[] = {
      {"nope", "The data is not valid JSON."},
      {"[]", "The data is not a JSON object."},
      {std::string(65, '[') + std::string(65, ']'), kNestedTooDeepDescription},
  };
  for (const Case& c : cases) {
    try {
      parseObject(asBytes(c.text));
      ADD_FAILURE() << c.text;
    } catch (const DecodingError& error) {
      EXPECT_EQ(error.description(), c.description);
    }
  }
}

}  // namespace
}  // namespace veltra::json
