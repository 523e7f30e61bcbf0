#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/system_error.h"

namespace veltra::platform {

int runProcess(const std::string& executable, const std::vector<std::string>& arguments,
               const ProcessLimits& limits) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(executable.c_str()));
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  // The child reports a failed exec through this close-on-exec pipe.
  int report[2];
  if (::pipe(report) != 0) throw SystemError("pipe", executable, errno);
  ::fcntl(report[0], F_SETFD, FD_CLOEXEC);
  ::fcntl(report[1], F_SETFD, FD_CLOEXEC);
  pid_t child = ::fork();
  if (child < 0) {
    int saved = errno;
    ::close(report[0]);
    ::close(report[1]);
    throw SystemError("fork", executable, saved);
  }
  if (child == 0) {
    // Only async-signal-safe calls from here on.
    if (limits.maxFileSize) {
      struct rlimit limit = {static_cast<rlim_t>(*limits.maxFileSize),
                             static_cast<rlim_t>(*limits.maxFileSize)};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ::signal(SIGXFSZ, SIG_DFL);
    ::execv(executable.c_str(), argv.data());
    int error = errno;
    ssize_t ignored = ::write(report[1], &error, sizeof error);
    (void)ignored;
    ::_exit(127);
  }
  ::close(report[1]);
  int execError = 0;
  ssize_t n;
  do {
    n = ::read(report[0], &execError, sizeof execError);
  } while (n < 0 && errno == EINTR);
  ::close(report[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (n == static_cast<ssize_t>(sizeof execError))
    throw SystemError("execv", executable, execError);
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 255;
}

}  // namespace veltra::platform
