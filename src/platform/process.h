// Running a helper program as a child process.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veltra::platform {

struct ProcessLimits {
  // Largest file the child may write; writing past it stops the child (SIGXFSZ).
  std::optional<std::uint64_t> maxFileSize;
};

// Runs `executable` with `arguments` (not including argv[0]), waits for it and returns its
// exit status; a child killed by a signal yields 128 + the signal number. Throws SystemError
// when the program cannot be started.
int runProcess(const std::string& executable, const std::vector<std::string>& arguments,
               const ProcessLimits& limits = {});

}  // namespace veltra::platform
