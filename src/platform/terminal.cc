#include "platform/terminal.h"

#include <unistd.h>

namespace veltra::platform {

namespace {

int descriptorOf(StandardStream stream) {
  switch (stream) {
    case StandardStream::input:
      return STDIN_FILENO;
    case StandardStream::output:
      return STDOUT_FILENO;
    case StandardStream::error:
      break;
  }
  return STDERR_FILENO;
}

}  // namespace

bool isTerminal(StandardStream stream) { return ::isatty(descriptorOf(stream)) != 0; }

}  // namespace veltra::platform
