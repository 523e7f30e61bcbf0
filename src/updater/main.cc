// VeltraUpdater: fetches, verifies and installs the compiled blocklist from the update CDN.
#include <cstdlib>
#include <string>
#include <vector>

#include "updater/korvel_updater.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv, argv + argc);
  auto context = veltra::updater::UpdaterContext::production();
  std::exit(veltra::updater::KorvelUpdater::run(arguments, context));
}
