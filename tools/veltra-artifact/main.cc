#include <iostream>
#include <string>
#include <vector>

#include "platform/terminal.h"
#include "run.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return veltra::artifact_tool::run(
      args, std::cin, std::cout, std::cerr,
      veltra::platform::isTerminal(veltra::platform::StandardStream::error));
}
