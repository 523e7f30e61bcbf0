// Crash-point sweeps: a scenario interrupted by a power loss after each of its mutating calls.
#pragma once

#include <cstddef>
#include <functional>

#include <gtest/gtest.h>

#include "platform/system_error.h"
#include "support/in_memory_file_system.h"

namespace veltra::testing {

// Runs `scenario` once on a file system prepared by `prepare` to count its mutating calls, then,
// for every k from 0 to that count, on a fresh one whose power fails after k of them; hands
// `check` what a reboot finds and k. I/O errors after the crash are the scenario's to absorb or
// throw (SystemError is caught here). Returns the count.
inline std::size_t sweepCrashPoints(
    const std::function<void(InMemoryFileSystem&)>& prepare,
    const std::function<void(InMemoryFileSystem&)>& scenario,
    const std::function<void(InMemoryFileSystem& recovered, std::size_t k)>& check) {
  std::size_t count;
  {
    InMemoryFileSystem clean;
    prepare(clean);
    const std::size_t before = clean.mutatingCalls();
    scenario(clean);
    count = clean.mutatingCalls() - before;
  }
  for (std::size_t k = 0; k <= count; ++k) {
    InMemoryFileSystem fileSystem;
    prepare(fileSystem);
    fileSystem.crashAfter(fileSystem.mutatingCalls() + k);
    try {
      scenario(fileSystem);
    } catch (const platform::SystemError&) {
    }
    check(*fileSystem.afterPowerLoss(), k);
    if (::testing::Test::HasFatalFailure()) break;
  }
  return count;
}

}  // namespace veltra::testing
