// What the JSON document fuzz targets share: a failed property aborts, naming itself, so that
// libFuzzer keeps the input as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace veltra::fuzzing {

inline void check(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property violated: %s\n", property);
  std::abort();
}

}  // namespace veltra::fuzzing
