// Writes small artifacts for reader tests.
#pragma once

#include <string>
#include <utility>

#include "artifact_format/v4_writer.h"

namespace BlocklistV4Format::testing {

// Returns an artifact of four categories (ids 10 to 13, names "c0" to "c3") over the given keys.
inline veltra::Bytes artifact(CategorySetMap exact, CategorySetMap wildcard) {
  V4Writer::Input input;
  for (int id = 0; id < 4; ++id) input.categories.push_back({10 + id, "c" + std::to_string(id)});
  input.exactDomains = std::move(exact);
  input.wildcardSuffixes = std::move(wildcard);
  return V4Writer::write(input).bytes;
}

}  // namespace BlocklistV4Format::testing
