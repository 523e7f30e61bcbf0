// Parses arbitrary bytes with the bounded parser and with nlohmann's own parser. Where the
// bounded parser builds a tree it is nlohmann's, no deeper than the limit; where it reports
// malformed text nlohmann fails too; where it reports too-deep nesting any tree nlohmann
// builds is deeper than the limit.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/json_fields.h"
#include "fuzz_check.h"

namespace {

using veltra::fuzzing::check;
using namespace veltra::json;

// Returns the number of arrays and objects open at once at the deepest point, without
// recursing.
std::size_t depthOf(const nlohmann::json& root) {
  std::size_t deepest = 0;
  std::vector<std::pair<const nlohmann::json*, std::size_t>> pending{{&root, 0}};
  while (!pending.empty()) {
    auto [value, around] = pending.back();
    pending.pop_back();
    if (!value->is_structured()) continue;
    deepest = std::max(deepest, around + 1);
    for (const auto& child : *value) pending.emplace_back(&child, around + 1);
  }
  return deepest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  veltra::ByteView bytes(data, size);
  ParsedValue parsed = parseValue(bytes);
  nlohmann::json reference = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
  if (!parsed.failure) {
    check(!reference.is_discarded(), "a parsed text is valid for nlohmann");
    check(depthOf(parsed.value) <= kMaxNestingDepth, "a parsed tree is within the limit");
    check(parsed.value == reference, "the tree is nlohmann's");
    check(parsed.value.dump() == reference.dump(), "the tree has nlohmann's number types");
  } else if (*parsed.failure == SyntaxFailure::malformed) {
    check(reference.is_discarded(), "malformed text is malformed for nlohmann");
  } else {
    check(reference.is_discarded() || depthOf(reference) > kMaxNestingDepth,
          "a refused tree is deeper than the limit");
  }
  return 0;
}
