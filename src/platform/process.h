// Running a helper program as a child process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/bytes.h"

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

// How a child whose output was streamed ended.
struct StreamedProcessResult {
  // The exit status as runProcess() gives it; when `stopped`, that of the killed child.
  int status = 0;
  // The output sink asked to stop; the child was killed before it finished.
  bool stopped = false;
};

// Receives a child's standard output chunk by chunk; returning false stops the child.
using OutputSink = std::function<bool(ByteView chunk)>;

// Runs `executable` with `arguments`, its standard input reading the file behind the open
// descriptor `inputFd` from its start (the shared offset moves), and its standard output passed to
// `onOutput` in chunks of at most `chunkBytes`, through one buffer of that size (memory does not
// grow with the output). When `onOutput` returns false or throws, the child is killed (SIGKILL, by
// its PID) and reaped before this returns or rethrows. Throws SystemError when the program cannot
// be started.
StreamedProcessResult runProcessStreamingOutput(const std::string& executable,
                                                const std::vector<std::string>& arguments,
                                                int inputFd, const OutputSink& onOutput,
                                                std::size_t chunkBytes = 1 << 20);

}  // namespace veltra::platform
