// veltra-cdn: serves a folder over HTTP on 127.0.0.1 as the update CDN would.
//
//   veltra-cdn --root DIR [--port N] [--host ADDRESS]
//
// Prints the base URL on its first line and serves until SIGINT or SIGTERM.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cdn_server.h"

int main(int argc, char** argv) {
  std::string root, host = "127.0.0.1";
  int port = 0;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    if ((option == "--root" || option == "--port" || option == "--host") && i + 1 < argc) {
      std::string value = argv[++i];
      if (option == "--root") root = value;
      if (option == "--host") host = value;
      if (option == "--port") port = std::atoi(value.c_str());
    } else {
      std::fprintf(stderr, "usage: veltra-cdn --root DIR [--port N] [--host ADDRESS]\n");
      return 2;
    }
  }
  if (root.empty()) {
    std::fprintf(stderr, "usage: veltra-cdn --root DIR [--port N] [--host ADDRESS]\n");
    return 2;
  }
  // Block the stop signals in every thread; the main thread waits for them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  veltra::cdn::CdnServer server(root);
  try {
    server.start(host, port);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "veltra-cdn: %s\n", error.what());
    return 1;
  }
  std::printf("%s\n", server.baseURL().c_str());
  std::fflush(stdout);
  int received = 0;
  sigwait(&stopSignals, &received);
  server.stop();
  std::fprintf(stderr, "veltra-cdn: stopped\n");
  return 0;
}
