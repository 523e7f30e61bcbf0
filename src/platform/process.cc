#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/system_error.h"

namespace veltra::platform {

namespace {

// Creates a pipe whose ends are closed on exec (pipe2 is not on every system this builds for).
int makePipe(int ends[2]) {
  if (::pipe(ends) != 0) return -1;
  ::fcntl(ends[0], F_SETFD, FD_CLOEXEC);
  ::fcntl(ends[1], F_SETFD, FD_CLOEXEC);
  return 0;
}

// A started child: its PID and the pipe on which a failed exec reports its errno.
struct Child {
  pid_t pid = -1;
  int execReport = -1;
};

// Forks and execs `executable`; in the child, `stdinFd` and `stdoutFd` (when not -1) become the
// standard input and output, and `limits` apply. Throws SystemError when fork or the report pipe
// fails.
Child startChild(const std::string& executable, const std::vector<std::string>& arguments,
                 const ProcessLimits& limits, int stdinFd, int stdoutFd) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(executable.c_str()));
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  // The child reports a failed exec through this close-on-exec pipe.
  int report[2];
  if (makePipe(report) != 0) throw SystemError("pipe", executable, errno);
  pid_t child = ::fork();
  if (child < 0) {
    int saved = errno;
    ::close(report[0]);
    ::close(report[1]);
    throw SystemError("fork", executable, saved);
  }
  if (child == 0) {
    // Only async-signal-safe calls from here on.
    if (stdinFd >= 0) {
      if (::dup2(stdinFd, STDIN_FILENO) < 0) ::_exit(127);
      // The descriptor was just written through; the child reads the file from its start.
      ::lseek(STDIN_FILENO, 0, SEEK_SET);
    }
    if (stdoutFd >= 0 && ::dup2(stdoutFd, STDOUT_FILENO) < 0) ::_exit(127);
    if (limits.maxFileSize) {
      struct rlimit limit = {static_cast<rlim_t>(*limits.maxFileSize),
                             static_cast<rlim_t>(*limits.maxFileSize)};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ::signal(SIGXFSZ, SIG_DFL);
    ::signal(SIGPIPE, SIG_DFL);
    ::execv(executable.c_str(), argv.data());
    int error = errno;
    ssize_t ignored = ::write(report[1], &error, sizeof error);
    (void)ignored;
    ::_exit(127);
  }
  ::close(report[1]);
  return {child, report[0]};
}

// Returns the errno a failed exec reported, or 0 once the child has exec'd.
int execFailure(Child& child) {
  int execError = 0;
  ssize_t n;
  do {
    n = ::read(child.execReport, &execError, sizeof execError);
  } while (n < 0 && errno == EINTR);
  ::close(child.execReport);
  child.execReport = -1;
  return n == static_cast<ssize_t>(sizeof execError) ? execError : 0;
}

int waitForExit(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 255;
}

}  // namespace

int runProcess(const std::string& executable, const std::vector<std::string>& arguments,
               const ProcessLimits& limits) {
  Child child = startChild(executable, arguments, limits, -1, -1);
  int execError = execFailure(child);
  int status = waitForExit(child.pid);
  if (execError != 0) throw SystemError("execv", executable, execError);
  return status;
}

StreamedProcessResult runProcessStreamingOutput(const std::string& executable,
                                                const std::vector<std::string>& arguments,
                                                int inputFd, const OutputSink& onOutput,
                                                std::size_t chunkBytes) {
  int output[2];
  if (makePipe(output) != 0) throw SystemError("pipe", executable, errno);
#if defined(F_SETPIPE_SZ)
  // A wider pipe means fewer context switches between the child and this reader.
  ::fcntl(output[1], F_SETPIPE_SZ, static_cast<int>(std::min<std::size_t>(chunkBytes, 1 << 20)));
#endif
  Child child;
  try {
    child = startChild(executable, arguments, {}, inputFd, output[1]);
  } catch (...) {
    ::close(output[0]);
    ::close(output[1]);
    throw;
  }
  ::close(output[1]);
  if (int execError = execFailure(child); execError != 0) {
    ::close(output[0]);
    waitForExit(child.pid);
    throw SystemError("execv", executable, execError);
  }

  StreamedProcessResult result;
  std::vector<std::uint8_t> buffer(std::max<std::size_t>(chunkBytes, 1));
  try {
    for (;;) {
      ssize_t n = ::read(output[0], buffer.data(), buffer.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        throw SystemError("read", executable, errno);
      }
      if (n == 0) break;
      if (!onOutput(ByteView(buffer.data(), static_cast<std::size_t>(n)))) {
        result.stopped = true;
        break;
      }
    }
  } catch (...) {
    ::kill(child.pid, SIGKILL);
    ::close(output[0]);
    waitForExit(child.pid);
    throw;
  }
  if (result.stopped) ::kill(child.pid, SIGKILL);
  ::close(output[0]);
  result.status = waitForExit(child.pid);
  return result;
}

}  // namespace veltra::platform
